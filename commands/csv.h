#pragma once

#include "output.h"

#include "vordanel/calculation.h"
#include "vordanel/units.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vordanel::cli {

// A CSV file's field separator (',', ';' or tab) and the decimal separator of its numbers.
struct CsvDialect {
    char separator = ',';
    char decimal = '.';
};

// How large one field and one record may be. Far above any real sheet; what they bound is the
// memory a reader holds, which is then that of one record whatever the file's length.
// The reader's caps: the core's, or smaller ones a test sets.
using CsvLimits = RecordCaps;
// The caps as --help states them.
std::string describe(const CsvLimits& limits);

// Reads CSV records as spreadsheets write them: a UTF-8 byte-order mark at the start is skipped,
// a record ends at LF, CR LF or a lone CR, and a field that starts with a quote runs to its
// closing quote ("" for a quote inside), across separators and line ends. A quote anywhere else
// is an ordinary character. Reads in blocks; memory holds one record and one block. What the
// file looked like is kept, so that what is written back can look the same: the byte-order mark,
// the first record's line end, and which fields of a record were quoted.
class CsvReader
{
public:
    explicit CsvReader(std::FILE* in) : in_(in) {}
    explicit CsvReader(std::string_view text) : buffer_(text) {}

    // Up to `size` bytes from the start of the input (after a byte-order mark), read ahead and
    // kept for next(). Call it before the first next().
    std::string_view sample(std::size_t size);
    void setSeparator(char separator) { separator_ = separator; }
    void setLimits(const CsvLimits& limits) { limits_ = limits; }

    // The record just read went over a cap and was not kept (its fields come back empty): which
    // cap, in words ("a field over 1 MiB (1048576 bytes)"); empty for a record read whole. Reading
    // goes on at the next line end after the point where the cap was passed.
    const std::string& oversized() const { return oversized_; }
    // The line the record just read began on, and, for one whose quote was never closed or that
    // was cut inside a quoted field, the line that quote opened on (0: none).
    long long recordLine() const { return recordLine_; }
    long long quoteLine() const { return quoteLine_; }
    // The system's reason where reading failed (errno), 0 otherwise.
    int error() const { return error_; }

    // The next record's fields; false at the end of the input.
    bool next(std::vector<std::string>& fields);
    // The record just read ended inside a quoted field: the input ended before its closing quote.
    bool unterminated() const { return unterminated_; }
    // Which fields of the record just read were quoted.
    const std::vector<bool>& quoted() const { return quoted_; }
    // Whether the input began with a byte-order mark (known once anything was read).
    bool byteOrderMark() const { return byteOrderMark_; }
    // The line end of the first record: "\r\n", "\n" or "\r"; empty while none was read.
    std::string_view lineEnd() const { return lineEnd_; }
    bool failed() const { return in_ && std::ferror(in_) != 0; }
    long long lineNumber() const { return lineNumber_; }

private:
    int get();
    int peek();
    bool fill();
    void skipByteOrderMark();

    std::FILE* in_ = nullptr;
    std::string buffer_;
    std::size_t pos_ = 0;
    bool started_ = false;
    char separator_ = ',';
    bool unterminated_ = false;
    std::vector<bool> quoted_;
    bool byteOrderMark_ = false;
    std::string_view lineEnd_;
    long long lineNumber_ = 0;
    CsvLimits limits_;
    std::string oversized_;
    long long recordLine_ = 0, quoteLine_ = 0;
    int error_ = 0;
    void skipToLineEnd();
};

// The separator of ',', ';' and tab that splits one of the first records into the most fields,
// read by CsvReader's rules (',' when none splits any).
char separatorOf(std::string_view sample);

// A header row in CP932 (Shift_JIS as Japanese Excel saves plain CSV), read as UTF-8: when one of
// its cells is not UTF-8 and every cell is CP932. None for any other row.
std::optional<std::vector<std::string>> cp932Header(const std::vector<std::string>& fields);
// A cell as its text reads: one in CP932 (Japanese Excel's plain CSV), as UTF-8, so that its
// full-width digits and signs read as they do in a UTF-8 sheet; any other as it is.
std::string_view readableCell(std::string_view cell, std::string& decoded);

// A first line none of whose fields is a number, with a letter somewhere, names the columns.
bool looksLikeHeader(const std::vector<std::string>& fields);
// A column's name as it is compared: ASCII letters in lower case, the full-width forms a Japanese
// input method types (（）, ｍｍ) as ASCII, and no blanks, so that 流量（L/min）, 流量 (L/min) and
// FLOW_LPM are understood as 流量(L/min) and flow_lpm.
std::string normalName(std::string_view name);

// Where the entries stand: the diameter and the flow always, the bracket's two ends both or
// neither, named by a header row in any order among other columns, or the first columns of a file
// without one. A column is named by its key (diameter_mm, flow_lpm or flow_ in another unit,
// min_mm, max_mm) or by the window's caption (堰の径(mm), 流量(L/min) or another unit in the
// parentheses, 解の挟込最小値(mm), 挟込最大値(mm)). A sheet whose diameter is named by its caption
// is headed in Japanese: its results are headed by the window's captions and noted in Japanese
// words. A result file fed back in names the three result columns, all three: they are refreshed
// in place.
struct BatchColumns {
    std::size_t diameter = 0, flow = 0;
    std::optional<std::size_t> min, max;
    std::optional<std::size_t> head, trials, note;
    std::size_t width = 0;  // the number of columns
    bool named = false;     // from a header row
    bool japanese = false;  // headed by the window's captions
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
};
std::optional<BatchColumns> findColumns(const std::vector<std::string>& header, std::string& why);
BatchColumns positionalColumns();
// Where a sheet's header stands in the records of its first part (a sample, read with the
// separator): the first record that names the columns, when every record above it is a title
// line (one whose first two cells are not both numbers, so never a row to solve); none when no
// such record names them.
std::optional<std::size_t> headerRecord(std::string_view sample, char separator, bool sampleIsWhole);
// A line with text and no number in any cell: a title, never a row of entries.
bool holdsNoNumber(const std::vector<std::string>& fields);
// The key of an entry's column (diameter_mm, flow_m3h, ...), as a fault's note names it, and the
// names of the three result columns.
std::string columnKey(const BatchColumns& columns, Input input);
std::array<std::string_view, 3> resultNames(const BatchColumns& columns);

// The decimal separator of a ';'- or tab-separated file, settled from the entry cells of a sample
// of its first records: the first cell whose ',' or '.' is followed by other than exactly three
// digits (so 100,0 or 100.25, never a possible thousands group such as 1,200) decides; without
// one, ',' for ';' and '.' for tab. A ','-separated file always uses the point.
char decimalOf(std::string_view sample, char separator, bool sampleIsWhole);

// One input row as batch solves and echoes it.
struct BatchRow {
    std::array<std::string, 4> entries;  // diameter, flow, min, max
    bool malformed = false;  // the row's cells fit neither form
    std::vector<std::string> cells;  // echoed, the results written over or after them
    std::vector<bool> quoted;        // which cells were quoted, cells then tail
    std::size_t width = 0;           // cells written, missing ones empty
    std::vector<std::string> tail;   // echoed after the results
};
// Without a header: diameter_mm,flow_lpm[,min_mm,max_mm], further columns kept after the results;
// missing entries are empty, and empty cells at the end are let go.
BatchRow rowByPosition(std::vector<std::string> fields, std::vector<bool> quoted);
// With a header: the entries from their named columns, every column echoed in its place; a row
// shorter than the header has its missing cells empty, and the cells of a longer one beyond the
// header's follow the results.
BatchRow rowByHeader(std::vector<std::string> fields, std::vector<bool> quoted, const BatchColumns& columns);

// A cell as spreadsheets write it: quoted when it holds the separator, a quote, CR or LF, or
// when it was quoted where it came from.
void putCsvField(Output& o, std::string_view field, char separator = ',', bool quote = false);

}  // namespace vordanel::cli
