#include "batch.h"

#include "csv.h"
#include "json.h"
#include "output.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/cp932.h"
#include "vordanel/numtext.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace vordanel::cli {

namespace {

bool isFolder(std::FILE* file)
{
    struct stat st {};
    return ::fstat(::fileno(file), &st) == 0 && S_ISDIR(st.st_mode);
}

// How much of the start of a file settles its decimal separator: a few dozen kilobytes, so that
// memory stays flat whatever the length.
constexpr std::size_t decimalSample = 48 * 1024;

const char* separatorName(char separator) { return separator == '\t' ? "tab" : separator == ';' ? "';'" : "','"; }

// Writes the rows back as the file came: its separators, byte-order mark and line ends, every
// cell quoted where it was quoted or must be, results in their columns.
class BatchWriter
{
public:
    BatchWriter(std::FILE* out, CsvDialect dialect) : o(out), dialect_(dialect) {}

    // A sheet headed in CP932 gets its captions and notes in CP932 too; its cells stay as they came.
    bool shiftJis = false;

    // The line end and byte-order mark are the input's, once its first record has been read.
    void start(const CsvReader& reader)
    {
        if (!lineEnd_.empty()) return;
        lineEnd_ = reader.lineEnd().empty() ? std::string_view("\n") : reader.lineEnd();
        if (reader.byteOrderMark()) o << "\xEF\xBB\xBF";
    }

    // The header row, and names for columns that follow the results (a file without a header).
    void header(const std::vector<std::string>& cells, const std::vector<bool>& quoted, const BatchColumns& columns,
                const std::vector<std::string>& after = {})
    {
        const auto results = resultNames(columns);
        std::vector<std::string_view> added;
        for (int r = 0; r < 3; ++r)
            if (!resultColumn(columns, r)) added.push_back(results[r]);
        std::vector<std::string> encoded;
        encoded.reserve(added.size());  // the names view its strings: none may move
        if (shiftJis)
            for (auto& name : added) name = encoded.emplace_back(cp932FromUtf8(name));
        for (std::size_t k = 0; k < columns.width; ++k)
            cell(k, k < cells.size() ? cells[k] : std::string_view(), k < quoted.size() && quoted[k]);
        for (const auto name : added) cell(1, name, false);
        for (const auto& name : after) cell(1, name, false);
        after_ = after.size();
        o << lineEnd_;
    }

    void row(const BatchRow& row, const BatchColumns& columns, const std::array<std::string, 3>& results)
    {
        for (std::size_t k = 0; k < row.width; ++k) {
            const auto r = resultAt(columns, k);
            if (r) cell(k, results[*r], false);
            else cell(k, k < row.cells.size() ? row.cells[k] : std::string_view(), k < row.quoted.size() && row.quoted[k]);
        }
        for (int r = 0; r < 3; ++r)
            if (!resultColumn(columns, r)) cell(1, results[r], false);
        for (std::size_t t = 0; t < std::max(row.tail.size(), after_); ++t) {
            const std::size_t k = row.cells.size() + t;
            cell(1, t < row.tail.size() ? std::string_view(row.tail[t]) : std::string_view(), k < row.quoted.size() && row.quoted[k]);
        }
        o << lineEnd_;
    }

    // A title line above the header, as it came.
    void asItCame(const std::vector<std::string>& cells, const std::vector<bool>& quoted)
    {
        for (std::size_t k = 0; k < cells.size(); ++k) cell(k, cells[k], k < quoted.size() && quoted[k]);
        o << lineEnd_;
    }

    // Result r (0 head, 1 trials, 2 note) of a row; one not read has only its note.
    std::array<std::string, 3> results(const BatchAnswer& answer, const BatchColumns& columns) const
    {
        const Calculation* c = answer.calculation ? &*answer.calculation : nullptr;
        const std::string note = c ? noteOf(*c, answer.twoHeads, c->faultInput ? columnKey(columns, *c->faultInput) : std::string())
                                   : names(answer.unread).key;
        const bool converged = c && c->outcome == Calculation::Outcome::Converged;
        return {converged ? displayText(c->headMillimetres, std::string_view(&dialect_.decimal, 1)) : std::string(),
                converged ? std::to_string(c->search.trialCount) : std::string(),
                columns.japanese ? shiftJis ? cp932FromUtf8(noteWords(note)) : noteWords(note) : note};
    }

    Output o;

private:
    static std::optional<std::size_t> resultColumn(const BatchColumns& columns, int r)
    {
        return r == 0 ? columns.head : r == 1 ? columns.trials : columns.note;
    }
    static std::optional<int> resultAt(const BatchColumns& columns, std::size_t k)
    {
        for (int r = 0; r < 3; ++r)
            if (resultColumn(columns, r) == k) return r;
        return std::nullopt;
    }

    void cell(std::size_t k, std::string_view text, bool quoted)
    {
        if (k > 0) o << dialect_.separator;
        putCsvField(o, text, dialect_.separator, quoted);
    }

    CsvDialect dialect_;
    std::string_view lineEnd_;
    std::size_t after_ = 0;  // columns named after the results, which every row fills
};

// A header whose columns cannot be told, in Japanese: what it must name, and what to do with a file
// of another encoding.
std::string headerRefusal()
{
    std::string captions, keys;
    for (const Input input : {Input::Diameter, Input::Flow, Input::Min, Input::Max}) {
        captions += (captions.empty() ? "" : word(Word::list_separator)) + std::string(names(input).caption);
        keys += (keys.empty() ? "" : ", ") + std::string(names(input).column);
    }
    return word(Word::header_unknown, {captions, keys});
}

// Says where a record could not be read whole; the first few of a file, so that a file of
// thousands such says so in a screenful (the count by reason follows at the end).
constexpr int recordsTold = 10;
void tellRecord(std::FILE* err, int& told, const std::string& what)
{
    if (told++ < recordsTold) std::fprintf(err, "vordanel-cli: batch: %s\n", what.c_str());
}

int run(const BatchOptions& options, std::FILE* in, Destination& destination, std::FILE* err, BatchCount& count,
        const std::string& inputName)
{
    CsvReader reader(in);
    reader.setLimits(options.limits);
    const std::string_view sample = reader.sample(decimalSample);
    if (sample.empty()) {
        // Nothing to solve and nothing to write: an empty result would look like a file read.
        if (reader.failed()) {
            std::fprintf(err, "vordanel-cli: batch: cannot read %s: %s\n", inputName.c_str(), std::strerror(reader.error()));
            count.refusal = word(Word::file_unreadable);
        } else {
            std::fprintf(err, "vordanel-cli: batch: %s is empty: no header and no rows; nothing written\n", inputName.c_str());
            count.refusal = word(Word::file_empty);
        }
        return Failure;
    }
    std::FILE* out = destination.stream();
    CsvDialect dialect;
    dialect.separator = options.separator.value_or(separatorOf(sample));
    reader.setSeparator(dialect.separator);
    count.separator = dialect.separator;
    const bool wholeFile = sample.size() < decimalSample;
    dialect.decimal = options.decimal.value_or(decimalOf(sample, dialect.separator, wholeFile));
    // A sheet as people keep them: a title or two above the header, passed through as they came.
    const auto headerAt = headerRecord(sample, dialect.separator, wholeFile);
    std::size_t record = 0;
    std::size_t positionalTail = 0;  // the columns after the entries that a file without a header names

    BatchWriter w(out, dialect);
    std::vector<std::string> fields;
    std::optional<BatchColumns> columns;  // from a header row, or the first columns of the file
    bool headed = false;                  // the header row is written
    const std::vector<std::string> positionalHeader = {"diameter_mm", "flow_lpm", "min_mm", "max_mm"};
    int toldRecords = 0;

    while (reader.next(fields)) {
        w.start(reader);
        if (!columns && headerAt && record++ < *headerAt) {
            w.asItCame(fields, reader.quoted());
            ++count.titleLines;
            continue;
        }
        if (!reader.oversized().empty()) {
            // Over a cap: the record is let go, noted in a row of its own, and reading goes on.
            tellRecord(err, toldRecords, "line " + std::to_string(reader.recordLine()) + ": " + reader.oversized()
                                             + "; not read, reading goes on at line " + std::to_string(reader.lineNumber() + 1));
            if (!columns) columns = positionalColumns();
            if (!headed) {
                w.header(positionalHeader, {}, *columns);
                count.placeResults(*columns);
                headed = true;
            }
            BatchRow row;
            row.width = columns->width;
            BatchAnswer unread;
            unread.unread = Note::OversizedRow;
            w.row(row, *columns, w.results(unread, *columns));
            count.count(Failure, names(Note::OversizedRow).key);
            if (!w.o.flushIfFull()) return destination.lost(err);
            continue;
        }
        if (reader.unterminated())
            tellRecord(err, toldRecords, "line " + std::to_string(reader.quoteLine()) + ": the quote opened here is never "
                                             "closed; the file ends inside it (the row is noted malformed_row)");
        if (!columns) {
            // A sheet saved by Japanese Excel as plain CSV: no byte-order mark, its header in CP932.
            const auto read = reader.byteOrderMark() ? std::nullopt : cp932Header(fields);
            if (read) w.shiftJis = true, count.encoding = "shift_jis";
            if (!headerAt && !reader.unterminated() && holdsNoNumber(read ? *read : fields) && !looksLikeHeader(read ? *read : fields)) {
                // A title line and no header under it: nothing here can be told a column.
                std::fprintf(err, "vordanel-cli: batch: %s opens with a title line, and no line under it (in its first %zu kB) "
                                  "names the columns diameter_mm and flow_lpm; a sheet in another encoding: save it as "
                                  "\"CSV UTF-8\"\n",
                             inputName.c_str(), decimalSample / 1024);
                count.refusal = headerRefusal();
                return Failure;
            }
            if ((headerAt || looksLikeHeader(read ? *read : fields)) && !reader.unterminated()) {
                std::string why;
                columns = findColumns(read ? *read : fields, why);
                if (!columns) {
                    std::fprintf(err, "vordanel-cli: batch: %s (read with the separator %s, as %s); a sheet in another "
                                      "encoding: save it as \"CSV UTF-8\"\n",
                                 why.c_str(), separatorName(dialect.separator), read ? "Shift_JIS" : "UTF-8");
                    count.refusal = headerRefusal();
                    return Failure;
                }
                w.header(fields, reader.quoted(), *columns);
                count.placeResults(*columns);
                headed = true;
                continue;
            }
            columns = positionalColumns();
        }
        if (!headed) count.placeResults(*columns);
        BatchRow row = columns->named ? rowByHeader(fields, reader.quoted(), *columns) : rowByPosition(fields, reader.quoted());
        // A row of more columns than the header the first row gave: noted, so that it reads the
        // same when the result is fed back under that header.
        if (!columns->named && headed && row.tail.size() > positionalTail) row.malformed = true;
        if (!headed) {
            positionalTail = row.tail.size();
            // Columns after the entries follow the results; named, so that the file fed back in
            // reads them as its own columns.
            std::vector<std::string> after;
            for (std::size_t k = 0; k < row.tail.size(); ++k) after.push_back("column_" + std::to_string(k + 5));
            w.header(positionalHeader, {}, *columns, after);
            headed = true;
        }
        row.malformed = row.malformed || reader.unterminated();  // the input ended inside a quote
        const BatchAnswer answer = solveBatchRow(row, *columns, dialect.decimal);
        w.row(row, *columns, w.results(answer, *columns));
        if (answer.calculation) count.count(*answer.calculation);
        else count.count(Failure, names(answer.unread).key);
        if (!w.o.flushIfFull()) return destination.lost(err);
    }
    if (!reader.lineEnd().empty()) count.lineEnd = reader.lineEnd();
    count.byteOrderMark = reader.byteOrderMark();
    if (toldRecords > recordsTold)
        std::fprintf(err, "vordanel-cli: batch: %d more such record(s) not told\n", toldRecords - recordsTold);
    if (!headed) {
        w.start(reader);
        w.header(positionalHeader, {}, positionalColumns());
        count.placeResults(positionalColumns());
    }
    if (!w.o.flush()) return destination.lost(err);
    if (reader.failed()) {
        // A result file is not replaced by the part read (the temporary one is let go).
        std::fprintf(err, "vordanel-cli: batch: reading %s failed after line %lld: %s%s\n", inputName.c_str(), reader.lineNumber(),
                     std::strerror(reader.error()), destination.toFile() ? "; the output file is left as it was" : "");
        count.refusal = word(Word::file_broken_after, {std::to_string(reader.lineNumber())});
        return Failure;
    }
    count.whole = true;
    reportRows(err, "batch", count);
    return destination.commit(err, count.failed ? Failure : count.noAnswer ? NoSolution : Answer);
}

}  // namespace

BatchAnswer solveBatchRow(const BatchRow& row, const BatchColumns& columns, char decimal)
{
    if (row.malformed) return {};
    std::array<std::string, 4> decoded;
    const auto entry = [&](std::size_t k) { return readableCell(row.entries[k], decoded[k]); };
    const Entries entries{entry(0), entry(1), entry(2), entry(3), columns.flowUnit};
    BatchAnswer answer{calculateHead(entries, std::string_view(&decimal, 1))};
    const Calculation& c = *answer.calculation;
    answer.twoHeads = bracketKind(entries.min, entries.max) == BracketKind::Given && holdsTwoHeads(curveOf(c.D), c);
    return answer;
}

void BatchCount::placeResults(const BatchColumns& columns)
{
    std::size_t next = columns.width;
    headColumn = columns.head.value_or(next);
    if (!columns.head) ++next;
    if (!columns.trials) ++next;
    noteColumn = columns.note.value_or(next);
}

int batch(const BatchOptions& options, std::FILE* in, std::FILE* out, std::FILE* err, BatchCount* count)
{
    BatchCount counted;
    BatchCount& c = count ? *count : counted;
    c = {};
    const bool standardInput = options.file.empty() || options.file == "-";
    const std::string inputName = standardInput ? "standard input" : "'" + options.file + "'";
    std::FILE* input = standardInput ? in : std::fopen(options.file.c_str(), "rb");
    if (!input) {
        std::fprintf(err, "vordanel-cli: batch: cannot open %s: %s\n", inputName.c_str(), std::strerror(errno));
        c.refusal = word(Word::file_unopened);
        return Failure;
    }
    const auto closeInput = [&] {
        if (!standardInput) std::fclose(input);
    };
    if (isFolder(input)) {
        std::fprintf(err, "vordanel-cli: batch: cannot read %s: it is a directory, not a CSV file\n", inputName.c_str());
        c.refusal = word(Word::file_is_folder);
        closeInput();
        return Failure;
    }
    Destination destination;
    int status = Failure;
    if (destination.open(options.output, out, err, "batch", input, standardInput ? "" : options.file))
        status = run(options, input, destination, err, c, inputName);
    else
        c.refusal = word(Word::output_is_input);
    closeInput();
    return status;
}

}  // namespace vordanel::cli
