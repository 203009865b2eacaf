#include "batch.h"

#include "csv.h"
#include "output.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vordanel::cli {

namespace {

// How much of the start of a file settles its decimal separator: a few dozen kilobytes, so that
// memory stays flat whatever the length.
constexpr std::size_t decimalSample = 48 * 1024;

const char* separatorName(char separator) { return separator == '\t' ? "tab" : separator == ';' ? "';'" : "','"; }

class BatchWriter
{
public:
    BatchWriter(std::FILE* out, CsvDialect dialect) : o(out), dialect_(dialect) {}

    void header(const std::vector<std::string>& cells, const BatchColumns& columns)
    {
        for (std::size_t k = 0; k < columns.width; ++k) cell(k, k < cells.size() ? cells[k] : std::string_view());
        for (const auto& [column, name] : resultColumns(columns))
            if (!column) cell(1, name);  // a result column the input lacks is added at the end
        o << '\n';
    }

    void row(const BatchRow& row, const BatchColumns& columns, const Calculation* c, bool twoHeads)
    {
        const auto results = resultColumns(columns);
        for (std::size_t k = 0; k < row.width; ++k) {
            const auto in = [&](const auto& r) { return r.first == k; };
            const auto result = std::find_if(results.begin(), results.end(), in);
            if (!row.malformed && result != results.end()) {
                if (k > 0) o << dialect_.separator;
                putResult(static_cast<int>(result - results.begin()), c, twoHeads);
            } else {
                cell(k, k < row.cells.size() ? row.cells[k] : std::string_view());
            }
        }
        for (int r = 0; r < 3; ++r) {
            if (results[r].first && !row.malformed) continue;
            o << dialect_.separator;
            putResult(r, c, twoHeads);
        }
        for (const auto& field : row.tail) cell(1, field);
        o << '\n';
    }

    Output o;

private:
    using ResultColumns = std::array<std::pair<std::optional<std::size_t>, std::string_view>, 3>;
    static ResultColumns resultColumns(const BatchColumns& columns)
    {
        return {{{columns.head, "head_mm"}, {columns.trials, "trials"}, {columns.note, "note"}}};
    }

    void cell(std::size_t k, std::string_view text)
    {
        if (k > 0) o << dialect_.separator;
        putCsvField(o, text, dialect_.separator);
    }

    // Result r (0 head, 1 trials, 2 note) of a calculation; none for a malformed row.
    void putResult(int r, const Calculation* c, bool twoHeads)
    {
        if (!c) {
            if (r == 2) o << "malformed_row";
            return;
        }
        const bool converged = c->outcome == Calculation::Outcome::Converged;
        if (r == 0 && converged) o << displayText(c->headMillimetres, std::string_view(&dialect_.decimal, 1));
        if (r == 1 && converged) o.integer(c->search.trialCount);
        if (r == 2) putNote(o, *c, twoHeads, c->faultInput ? names(*c->faultInput).column : "");
    }

    CsvDialect dialect_;
};

int run(const BatchOptions& options, std::FILE* in, std::FILE* out, std::FILE* err, BatchCount& count)
{
    CsvReader reader(in);
    const std::string_view sample = reader.sample(decimalSample);
    CsvDialect dialect;
    dialect.separator = options.separator.value_or(separatorOf(sample));
    reader.setSeparator(dialect.separator);
    const bool wholeFile = sample.size() < decimalSample;
    dialect.decimal = options.decimal.value_or(decimalOf(sample, dialect.separator, wholeFile));
    const std::string decimalPoint(1, dialect.decimal);

    BatchWriter w(out, dialect);
    int worst = Answer;
    std::vector<std::string> fields;
    std::optional<BatchColumns> columns;  // from a header row, or the first columns of the file

    while (reader.next(fields)) {
        if (!columns) {
            if (looksLikeHeader(fields) && !reader.unterminated()) {
                std::string why;
                columns = findColumns(fields, why);
                if (!columns) {
                    std::fprintf(err, "vordanel-cli: batch: %s (read with the separator %s)\n", why.c_str(),
                                 separatorName(dialect.separator));
                    return Failure;
                }
                w.header(fields, *columns);
                continue;
            }
            columns = positionalColumns();
            w.header({"diameter_mm", "flow_lpm", "min_mm", "max_mm"}, *columns);
        }
        ++count.rows;
        BatchRow row = columns->named ? rowByHeader(fields, *columns) : rowByPosition(fields);
        row.malformed = row.malformed || reader.unterminated();
        if (row.malformed) {
            if (reader.unterminated()) row.cells = fields, row.width = std::max(row.width, fields.size()), row.tail.clear();
            w.row(row, *columns, nullptr, false);
            worst = Failure;
            ++count.failed;
        } else {
            const Entries entries{row.entries[0], row.entries[1], row.entries[2], row.entries[3]};
            const Calculation c = row.bracketed ? calculate(entries, decimalPoint) : calculateRising(entries, decimalPoint);
            const bool twoHeads = row.bracketed && holdsTwoHeads(curveOf(c.D), c);
            w.row(row, *columns, &c, twoHeads);
            if (exitFor(c) == Failure) ++count.failed;
            worst = std::max(worst, exitFor(c));
        }
        if (!w.o.flushIfFull()) return lostOutput(err);
    }
    if (!columns) w.header({"diameter_mm", "flow_lpm", "min_mm", "max_mm"}, positionalColumns());
    if (!w.o.flush()) return lostOutput(err);
    if (reader.failed()) {
        std::fprintf(err, "vordanel-cli: batch: reading the input failed after line %lld\n", reader.lineNumber());
        return Failure;
    }
    if (count.failed > 0) std::fprintf(err, "vordanel-cli: batch: %lld row(s) failed; see the note column\n", count.failed);
    return worst;
}

}  // namespace

void addBatchOptions(CLI::App& command, BatchOptions& options)
{
    command.add_option("file", options.file, "CSV file; standard input when absent or -");
    command.add_option_function<std::string>(
               "--separator",
               [&options](const std::string& value) { options.separator = value == "tab" ? '\t' : value.at(0); },
               "field separator: ',', ';' or tab (default: the one that splits the first line most)")
        ->check(CLI::IsMember({",", ";", "tab"}));
    command.add_option_function<std::string>(
               "--decimal", [&options](const std::string& value) { options.decimal = value.at(0); },
               "decimal separator of the entries and results: '.' or ',' (default: '.' in a ','-separated file,\n"
               "else the one the first rows show, ',' for ';' and '.' for tab when they show none)")
        ->check(CLI::IsMember({".", ","}));
    command.footer("Example:\n"
                   "  $ printf 'diameter_mm,flow_lpm,min_mm,max_mm\\n100,40,1,99\\n0,40,1,99\\n' | vordanel-cli batch\n"
                   "  diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n"
                   "  100,40,1,99,47.1,12,\n"
                   "  0,40,1,99,,,division_by_zero:diameter_mm\n"
                   "A header row names the columns, in any order; other columns pass through in their place, and\n"
                   "head_mm, trials and note, when the file already has them, are refreshed in place. Without a\n"
                   "header the first columns are the entries. Rows without a bracket (two columns, or both bracket\n"
                   "cells empty) are solved on the rising side. Quoted cells may hold separators and line breaks.\n"
                   "A failed row is noted and the rest go on; a fault's note names its column, as in\n"
                   "not_a_number:flow_lpm. Entries are never read with digit grouping: 1,200 in a file of decimal\n"
                   "points is not a number.");
}

int batch(const BatchOptions& options, std::FILE* in, std::FILE* out, std::FILE* err, BatchCount* count)
{
    BatchCount counted;
    BatchCount& c = count ? *count : counted;
    c = {};
    if (options.file.empty() || options.file == "-") return run(options, in, out, err, c);
    std::FILE* input = std::fopen(options.file.c_str(), "rb");
    if (!input) {
        std::fprintf(err, "vordanel-cli: batch: cannot open %s: %s\n", options.file.c_str(), std::strerror(errno));
        return Failure;
    }
    const int status = run(options, input, out, err, c);
    std::fclose(input);
    return status;
}

}  // namespace vordanel::cli
