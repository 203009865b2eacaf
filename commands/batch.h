#pragma once

#include "csv.h"
#include "words.h"

#include <cstdio>
#include <optional>
#include <string>

namespace vordanel::cli {

struct BatchOptions {
    std::string file;                // empty or "-": standard input
    std::optional<char> separator;   // ',', ';' or '\t'; otherwise taken from the first line
    std::optional<char> decimal;     // '.' or ','; otherwise settled from the file's first records
    std::string output;              // -o: the file the result replaces whole; empty or "-": standard output
    CsvLimits limits;                // how large a field and a record may be
};

// What a batch went through: its rows (the header not counted), and how many failed or have no
// head, by reason; the sheet's encoding ("utf-8", or "shift_jis" for a sheet headed in CP932, whose
// result is written in CP932 too); where its results stand in the rows written; and, where it read
// no rows at all, why, in Japanese words for a front end that says it itself.
struct BatchCount : RowCounts {
    // How the result is written: the input's encoding, separator, line end and byte-order mark.
    const char* encoding = "utf-8";
    char separator = ',';
    std::string lineEnd = "\n";
    bool byteOrderMark = false;
    std::size_t headColumn = 0, noteColumn = 0;
    std::size_t titleLines = 0;  // records above the header, written back as they came
    std::string refusal;
    // The result columns of rows laid out by these columns: in place, or after the row's own.
    void placeResults(const BatchColumns& columns);
};

// A row's answer, for the writers: the calculation on its entries and whether their bracket holds
// both heads of the flow; or, for a row that could not be read, no calculation and the note why.
struct BatchAnswer {
    std::optional<Calculation> calculation;
    bool twoHeads = false;
    Note unread = Note::MalformedRow;
};
// A row solved as the window would solve its entries, read with the sheet's decimal separator.
BatchAnswer solveBatchRow(const BatchRow& row, const BatchColumns& columns, char decimal);

// CSV rows in (diameter_mm,flow_lpm[,min_mm,max_mm], or columns named so, or by the window's
// captions, in a header row), the same rows with head_mm,trials,note out, row by row, as the file
// came: its separators, byte-order mark, line ends and quoting. `in` is read when options.file
// names no file.
int batch(const BatchOptions& options, std::FILE* in, std::FILE* out, std::FILE* err, BatchCount* count = nullptr);

}  // namespace vordanel::cli
