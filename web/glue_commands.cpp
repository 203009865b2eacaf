// The companion's commands in the page's workers: vordanel-cli's run() and its batch, standard
// input from JavaScript, standard output and error kept in memory.
#include "commands.h"
#include "csv.h"
#include "json.h"

#include <emscripten/emscripten.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// The companion's standard input is the page's: a file's bytes or typed text, kept in JavaScript
// and handed over a buffer at a time, so that a large file is never held twice and the page can
// tell how far a batch has read.
EM_JS(int, vordanel_read_input, (char* buffer, int size), {
    return Module.readInput ? Module.readInput(buffer, size) : 0;
});

namespace {

ssize_t readInput(void*, char* buffer, size_t size)
{
    return vordanel_read_input(buffer, static_cast<int>(size < 1 << 30 ? size : 1 << 30));
}

struct Streams {
    char* out = nullptr;
    char* err = nullptr;
    std::size_t outSize = 0, errSize = 0;
};
Streams streams;

std::string batchCounts = "{}";  // the last batch's counts, as the companion writes them (JSON)
std::string preview;              // the last batch's first records, for the page to show

// Runs a command with standard input from Module.readInput and its output kept in memory.
template <typename Command>
int withStreams(Command command)
{
    std::free(streams.out);
    std::free(streams.err);
    streams = {};
    std::FILE* out = open_memstream(&streams.out, &streams.outSize);
    std::FILE* err = open_memstream(&streams.err, &streams.errSize);
    std::FILE* in = fopencookie(nullptr, "r", cookie_io_functions_t{readInput, nullptr, nullptr, nullptr});
    if (!out || !err || !in) std::abort();  // out of memory: the module cannot go on
    const int status = command(in, out, err);
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    return status;
}

}  // namespace

extern "C" {

// vordanel-cli in the page: count arguments after the program's name, each ending in a NUL, and
// standard input through Module.readInput. Returns the exit status; what it wrote is read with
// vordanel_out/err_data and _size until vordanel_release.
int vordanel_run(const char* args, int count)
{
    std::vector<std::string> argv{"vordanel-cli"};
    for (int i = 0; i < count; ++i) {
        argv.emplace_back(args);
        args += argv.back().size() + 1;
    }
    return withStreams([&](std::FILE* in, std::FILE* out, std::FILE* err) { return vordanel::cli::run(argv, in, out, err); });
}

// `vordanel-cli batch` on standard input, as vordanel_run gives it, with its counts: the rows it
// went through, how many failed, how many have no head, and why, and the sheet's encoding ("utf-8"
// or "shift_jis", for decoding its preview) (vordanel_counts_data and _size).
int vordanel_batch()
{
    return withStreams([](std::FILE* in, std::FILE* out, std::FILE* err) {
        vordanel::cli::BatchCount count;
        const int status = vordanel::cli::batch(vordanel::cli::BatchOptions{}, in, out, err, &count);
        batchCounts = vordanel::cli::batchCountsJson(count);
        return status;
    });
}
const char* vordanel_counts_data() { return batchCounts.data(); }
std::size_t vordanel_counts_size() { return batchCounts.size(); }

// The first records of what the last command wrote (the batch's result, in the separator it chose),
// read back by the companion's CSV reader, so that the page shows cells exactly as a spreadsheet
// would split them: for each record its field count, then each field's length and bytes, all
// counts as 32-bit little-endian numbers. Valid until the next call; size from vordanel_preview_size.
const char* vordanel_preview(int records)
{
    preview.clear();
    const std::string_view text(streams.out ? streams.out : "", streams.outSize);
    vordanel::cli::CsvReader reader(text);
    reader.setSeparator(vordanel::cli::separatorOf(reader.sample(64 * 1024)));
    const auto put = [](std::size_t n) {
        for (int i = 0; i < 4; ++i) preview += static_cast<char>((n >> (8 * i)) & 0xff);
    };
    std::vector<std::string> fields;
    for (int i = 0; i < records && reader.next(fields); ++i) {
        put(fields.size());
        for (const std::string& field : fields) {
            put(field.size());
            preview += field;
        }
    }
    return preview.data();
}
std::size_t vordanel_preview_size() { return preview.size(); }

const char* vordanel_out_data() { return streams.out; }
std::size_t vordanel_out_size() { return streams.outSize; }
const char* vordanel_err_data() { return streams.err; }
std::size_t vordanel_err_size() { return streams.errSize; }
void vordanel_release()
{
    std::free(streams.out);
    std::free(streams.err);
    streams = {};
}

}  // extern "C"
