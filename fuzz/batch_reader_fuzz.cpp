// Runs arbitrary bytes through `vordanel-cli batch` as the CSV file it reads, and checks that
// every record comes back: one output record per input record, plus the header line batch adds
// to a file without one. The input's records are counted here by their own small rules, the
// output's by reading it back with the companion's reader.
#include "batch.h"
#include "csv.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Inside the sample batch settles its separator and decimal from (48 KiB), so that the whole
// first line is what decides; and small enough to keep the run fast.
constexpr std::size_t maxInput = 32 * 1024;

void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

// Records and fields as a spreadsheet writes them: a record ends at LF, CR LF or CR; a field
// that starts with a quote runs to its closing quote ("" inside), line ends included, and one
// left open runs to the end of the file; a quote anywhere else is an ordinary byte.
struct Count {
    long long records = 0;
    long long firstFields = 0;  // fields of the first record
};
Count countRecords(std::string_view text, char separator)
{
    Count count;
    long long fields = 1;
    bool atFieldStart = true, inRecord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        inRecord = true;
        if (atFieldStart && c == '"') {
            for (++i; i < text.size(); ++i) {
                if (text[i] != '"') continue;
                if (i + 1 < text.size() && text[i + 1] == '"') ++i;
                else break;
            }
            atFieldStart = false;
            continue;
        }
        atFieldStart = c == separator;
        if (c == separator) ++fields;
        if (c != '\n' && c != '\r') continue;
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        if (count.records++ == 0) count.firstFields = fields;
        fields = 1, atFieldStart = true, inRecord = false;
    }
    if (inRecord && count.records++ == 0) count.firstFields = fields;
    return count;
}

// The file's separator: the one of ',', ';' and tab that splits its first line into the most
// fields, the first of equals.
char separatorOf(std::string_view text)
{
    char best = ',';
    long long most = 0;
    for (const char separator : {',', ';', '\t'}) {
        const long long fields = countRecords(text, separator).firstFields;
        if (fields > most) best = separator, most = fields;
    }
    return best;
}

struct Captured {
    std::FILE* file = nullptr;
    char* data = nullptr;
    std::size_t size = 0;
    Captured() : file(open_memstream(&data, &size)) { require(file != nullptr, "an output stream opens"); }
    ~Captured()
    {
        if (file) std::fclose(file);
        std::free(data);
    }
    std::string_view close()
    {
        std::fclose(file);
        file = nullptr;
        return {data, size};
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > maxInput) return 0;
    // fmemopen cannot open an empty buffer; an empty file is a file all the same.
    std::FILE* in = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb") : std::tmpfile();
    require(in != nullptr, "the input opens");
    Captured out, err;
    vordanel::cli::BatchCount count;
    const int status = vordanel::cli::batch({}, in, out.file, err.file, &count);
    std::fclose(in);
    const std::string_view written = out.close();
    const std::string_view said = err.close();

    require(status == 0 || status == 1 || status == 2, "the exit status is 0, 1 or 2");
    require(0 <= count.failed && count.failed <= count.rows, "no more rows failed than were read");
    require(count.failed == 0 || status == 2, "a failed row fails the run");
    require(status != 2 || !said.empty(), "a failure says why");

    const std::string_view file(reinterpret_cast<const char*>(data), size);
    std::string_view text = file;
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    const char separator = separatorOf(text);
    const long long records = countRecords(text, separator).records;

    // Whether the first record names the columns, as batch decides it.
    std::vector<std::string> fields;
    vordanel::cli::CsvReader first(file);
    first.setSeparator(separator);
    const bool header = first.next(fields) && vordanel::cli::looksLikeHeader(fields) && !first.unterminated();
    if (written.empty()) {
        // A header row that names no usable columns refuses the whole file, before any row.
        std::string why;
        require(header && !vordanel::cli::findColumns(fields, why) && status == 2 && count.rows == 0,
                "only a header without the entries' columns leaves no output");
        return 0;
    }

    vordanel::cli::CsvReader reader(written);
    reader.setSeparator(separator);
    long long back = 0;
    while (reader.next(fields)) {
        require(!reader.unterminated(), "every quote written is closed");
        ++back;
    }
    require(count.rows == records - header, "every input record but the header is a row");
    require(back == records + !header, "one output record per input record, and a header line");
    return 0;
}
