// Runs arbitrary bytes through `vordanel-cli batch` as the CSV file it reads, and checks that the
// sheet comes back as it came: one output record per input record (plus the header line batch
// adds to a file without one), the byte-order mark and the line ends of the input, every record
// as wide as the header at least, a status that says what the rows' notes say, and the same
// bytes again when the result is fed back in. Records are counted here by their own small rules.
#include "captured.h"
#include "batch.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vordanel::fuzz::Captured;
using vordanel::fuzz::require;

// Inside the sample batch settles its separator and decimal from (48 KiB), so that the whole
// first line is what decides; and small enough to keep the run fast.
constexpr std::size_t maxInput = 32 * 1024;

// Records and fields as a spreadsheet writes them: a record ends at LF, CR LF or CR; a field
// that starts with a quote runs to its closing quote ("" inside), line ends included, and one
// left open runs to the end of the file; a quote anywhere else is an ordinary byte.
struct Count {
    long long records = 0;
    long long firstFields = 0;  // fields of the first record
    long long narrowest = 0;    // fields of the narrowest record
    long long widest = 0;       // fields of the widest record
    std::string firstEnd;       // the line end of the first record
    bool endsAgree = true;      // every record that ends at a line end ends at firstEnd
};
Count countRecords(std::string_view text, char separator)
{
    Count count;
    const auto record = [&](long long fields) {
        if (count.records++ == 0) count.firstFields = fields;
        count.narrowest = count.records == 1 ? fields : std::min(count.narrowest, fields);
        count.widest = std::max(count.widest, fields);
    };
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
        const bool crlf = c == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        const std::string end = crlf ? "\r\n" : std::string(1, c);
        i += crlf;
        if (count.records == 0) count.firstEnd = end;
        count.endsAgree = count.endsAgree && end == count.firstEnd;
        record(fields);
        fields = 1, atFieldStart = true, inRecord = false;
    }
    if (inRecord) record(fields);
    return count;
}

struct Pass {
    int status;
    std::string out, err;
    vordanel::cli::BatchCount count;
};
Pass batch(std::string_view file, std::optional<char> separator)
{
    // fmemopen cannot open an empty buffer; an empty file is a file all the same.
    std::FILE* in = file.empty() ? std::tmpfile() : fmemopen(const_cast<char*>(file.data()), file.size(), "rb");
    require(in != nullptr, "the input opens");
    Captured out, err;
    Pass pass;
    // Caps small enough that the inputs here pass them, so that a record over one is read on from
    // the next line as a record of a real file over the real caps would be.
    vordanel::cli::BatchOptions options{"", separator, std::nullopt};
    options.limits = {512, 2048, 48};
    pass.status = vordanel::cli::batch(options, in, out.file, err.file, &pass.count);
    std::fclose(in);
    pass.out = out.close();
    pass.err = err.close();
    return pass;
}

long long lines(std::string_view text) { return std::count(text.begin(), text.end(), '\n'); }

// The lines that tell of one record (over a cap, or a quote never closed), each by its line.
long long recordLines(std::string_view text)
{
    long long n = 0;
    for (std::size_t at = 0; (at = text.find("vordanel-cli: batch: line ", at)) != std::string_view::npos; ++at) ++n;
    for (std::size_t at = 0; (at = text.find("more such record(s)", at)) != std::string_view::npos; ++at) ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > maxInput) return 0;
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    // The last byte names the separator, as --separator would; one in four files leave it to batch,
    // which reads it from the first line. What follows from the separator is checked when it is named.
    const char separators[] = {',', ';', '\t'};
    const std::optional<char> named = size > 0 && data[size - 1] % 4 != 3 ? std::optional(separators[data[size - 1] % 4]) : std::nullopt;
    const Pass first = batch(file, named);
    const auto& count = first.count;

    // Standard error tells the counts, a line for the failed rows and one for those without a head,
    // and the status is the worst that it tells (2 failed, 1 without a head, 0 every row answered).
    require(count.failed + count.noAnswer <= count.rows, "no more rows noted than were read");
    const auto told = [&](std::string_view what) -> long long {
        const auto at = first.err.find(" row(s) " + std::string(what));
        if (at == std::string::npos) return 0;
        const auto start = first.err.rfind(": ", at);
        return start == std::string::npos ? -1 : std::atoll(first.err.c_str() + start + 2);
    };
    if (!first.out.empty()) {
        require(told("failed") == count.failed && told("without a head") == count.noAnswer,
                "standard error tells how many rows failed and how many have no head");
        require(lines(first.err) - recordLines(first.err) == (told("failed") > 0) + (told("without a head") > 0),
                "one line for each kind, besides those that tell a record by its line");
        const long long over = count.failedBy.count("oversized_row") ? count.failedBy.at("oversized_row") : 0;
        require(recordLines(first.err) >= std::min(over, 11LL), "every record over a cap is told by its line");
        require(first.status == (told("failed") ? 2 : told("without a head") ? 1 : 0),
                "the status is the worst of what standard error tells");
    } else {
        require(first.status == 2 && lines(first.err) == 1, "a refused header is a failure, told in one line");
    }

    std::string_view text = file;
    const bool byteOrderMark = text.starts_with("\xEF\xBB\xBF");
    if (byteOrderMark) text.remove_prefix(3);
    if (!named) return 0;
    const char separator = *named;
    const Count in = countRecords(text, separator);
    if (first.out.empty()) {
        // Only a header row that names no usable columns refuses the whole file, before any row.
        require(first.status == 2 && count.rows == 0, "only a refused header or an empty input leaves no output");
        return 0;
    }

    std::string_view written = first.out;
    require(written.starts_with("\xEF\xBB\xBF") == byteOrderMark, "the byte-order mark comes back as it came");
    if (byteOrderMark) written.remove_prefix(3);
    const Count out = countRecords(written, separator);
    // The header is the input's own when there are as many records out as in; batch adds one to a
    // file without a header, and counts every input record as a row then.
    // A record over a cap ends at its line end, where the counting here may see a quoted field go on.
    if (count.failedBy.count("oversized_row")) return 0;
    const bool headed = out.records == in.records;
    require(headed || out.records == in.records + 1, "one output record per input record, and a header line");
    require(count.rows == in.records - headed - static_cast<long long>(count.titleLines),
            "every input record but the header and the title lines above it is a row");
    require(out.endsAgree && out.firstEnd == (in.firstEnd.empty() ? "\n" : in.firstEnd),
            "every record ends with the input's first line end");
    require(count.titleLines > 0 || out.narrowest == out.firstFields, "no record is narrower than the header (titles above it aside)");

    // Fed back in, the result comes back byte for byte: a row is refreshed in place, never moved.
    // Only a row that fits no form may read otherwise the second time: one with more cells than
    // the header has names for, or one whose quote the input left open (closed on the way out).
    const Pass second = batch(first.out, named);
    const bool misfits = out.widest > out.firstFields || count.failedBy.count("malformed_row") > 0;
    // A record near the cap on fields may pass it with the three results added.
    const bool overCap = second.count.failedBy.count("oversized_row") > 0;
    require(second.out == first.out || misfits || overCap, "the result fed back in comes back byte for byte");
    require(second.out.size() <= 4 * first.out.size() + 4096, "output bounded by its input");
    return 0;
}
