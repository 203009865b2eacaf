#pragma once

#include "output.h"

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace vordanel::cli {

// Reads CSV lines as spreadsheets write them: a UTF-8 byte-order mark at the start is skipped,
// and a line ends at LF, CR LF or a lone CR. Fields may be quoted ("" for a quote inside).
class CsvReader
{
public:
    explicit CsvReader(std::FILE* in) : in_(in) {}
    // The next line's fields; false at the end of the input.
    bool next(std::vector<std::string>& fields);
    bool failed() const { return std::ferror(in_) != 0; }
    long long lineNumber() const { return lineNumber_; }

private:
    std::FILE* in_;
    long long lineNumber_ = 0;
    std::string line_;
};

// A first line none of whose fields is a number, with a letter somewhere, names the columns.
bool looksLikeHeader(const std::vector<std::string>& fields);

// Where a header row puts the entries: diameter_mm and flow_lpm always, min_mm and max_mm both
// or neither, in any order among other columns.
struct BatchColumns {
    std::size_t diameter = 0, flow = 0;
    std::optional<std::size_t> min, max;
    std::size_t width = 0;  // the number of columns
};
std::optional<BatchColumns> findColumns(const std::vector<std::string>& header, std::string& why);

// One input row as batch solves and echoes it.
struct BatchRow {
    std::array<std::string, 4> entries;  // diameter, flow, min, max
    bool bracketed = true;   // false: diameter and flow only, the head on the rising side
    bool malformed = false;  // the row's columns fit neither form
    std::vector<std::string> cells;  // echoed before the results
    std::size_t width = 0;           // cells written, missing ones empty
    std::vector<std::string> tail;   // echoed after the results
};
// Without a header: diameter_mm,flow_lpm[,min_mm,max_mm], further columns kept after the results.
BatchRow rowByPosition(std::vector<std::string> fields);
// With a header: the entries from their named columns, every column echoed in its place.
BatchRow rowByHeader(std::vector<std::string> fields, const BatchColumns& columns);

void putCsvField(Output& o, std::string_view field);
void putCsvRow(Output& o, const std::vector<std::string>& cells, std::size_t width);
void putCsvTail(Output& o, const std::vector<std::string>& tail);

}  // namespace vordanel::cli
