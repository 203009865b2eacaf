#include "csv.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <algorithm>

namespace vordanel::cli {

namespace {

constexpr std::size_t blockSize = 1 << 16;
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

bool isBlankLine(const std::vector<std::string>& fields)
{
    return fields.size() == 1 && fields[0].find_first_not_of(" \t") == std::string::npos;
}

bool isBlankCell(std::string_view cell) { return cell.find_first_not_of(" \t") == std::string_view::npos; }

// A spreadsheet that saves one column more than it filled leaves a trailing empty field.
void dropTrailingEmpty(std::vector<std::string>& fields, std::size_t expected)
{
    if (fields.size() == expected + 1 && fields.back().empty()) fields.pop_back();
}

std::string columnName(std::string name)
{
    const auto first = name.find_first_not_of(" \t");
    const auto last = name.find_last_not_of(" \t");
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The decimal separator a cell shows beyond doubt, if any: a ',' or '.' followed by other than
// exactly three digits.
std::optional<char> decimalShownBy(std::string_view cell)
{
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] != ',' && cell[i] != '.') continue;
        std::size_t digits = 0;
        while (i + 1 + digits < cell.size() && isDigit(cell[i + 1 + digits])) ++digits;
        if (digits != 3) return cell[i];
    }
    return std::nullopt;
}

}  // namespace

bool CsvReader::fill()
{
    if (!in_) return false;
    buffer_.erase(0, pos_);
    pos_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + blockSize);
    const std::size_t got = std::fread(buffer_.data() + had, 1, blockSize, in_);
    buffer_.resize(had + got);
    return got > 0;
}

void CsvReader::skipByteOrderMark()
{
    started_ = true;
    while (buffer_.size() - pos_ < byteOrderMark.size() && fill()) {
    }
    if (std::string_view(buffer_).substr(pos_).starts_with(byteOrderMark)) pos_ += byteOrderMark.size();
}

std::string_view CsvReader::sample(std::size_t size)
{
    if (!started_) skipByteOrderMark();
    while (buffer_.size() - pos_ < size && fill()) {
    }
    return std::string_view(buffer_).substr(pos_, size);
}

int CsvReader::get()
{
    if (pos_ == buffer_.size() && !fill()) return EOF;
    return static_cast<unsigned char>(buffer_[pos_++]);
}

int CsvReader::peek()
{
    if (pos_ == buffer_.size() && !fill()) return EOF;
    return static_cast<unsigned char>(buffer_[pos_]);
}

bool CsvReader::next(std::vector<std::string>& fields)
{
    if (!started_) skipByteOrderMark();
    unterminated_ = false;
    int c = get();
    if (c == EOF) return false;
    ++lineNumber_;
    fields.assign(1, std::string());
    bool atFieldStart = true;
    for (; c != EOF; c = get()) {
        if (atFieldStart && c == '"') {
            // A quoted field: everything up to the closing quote, line ends included.
            for (;;) {
                c = get();
                if (c == EOF) {
                    unterminated_ = true;
                    return true;
                }
                if (c == '"') {
                    if (peek() != '"') break;
                    get();
                } else if (c == '\n' || (c == '\r' && peek() != '\n')) {
                    ++lineNumber_;
                }
                fields.back() += static_cast<char>(c);
            }
            atFieldStart = false;
            continue;
        }
        atFieldStart = false;
        if (c == separator_) {
            fields.emplace_back();
            atFieldStart = true;
        } else if (c == '\n') {
            return true;
        } else if (c == '\r') {
            if (peek() == '\n') get();
            return true;
        } else {
            fields.back() += static_cast<char>(c);
        }
    }
    return true;
}

char separatorOf(std::string_view sample)
{
    // Each candidate splits the first record by the reader's own rules, quotes included.
    char best = ',';
    std::size_t most = 0;
    for (const char candidate : {',', ';', '\t'}) {
        CsvReader reader(sample);
        reader.setSeparator(candidate);
        std::vector<std::string> fields;
        if (reader.next(fields) && fields.size() > most) most = fields.size(), best = candidate;
    }
    return best;
}

bool looksLikeHeader(const std::vector<std::string>& fields)
{
    bool letters = false;
    for (const auto& field : fields) {
        if (!parseNumber(field).fault) return false;
        letters = letters || std::any_of(field.begin(), field.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
    }
    return letters;
}

std::optional<BatchColumns> findColumns(const std::vector<std::string>& header, std::string& why)
{
    BatchColumns columns;
    columns.named = true;
    std::optional<std::size_t> diameter, flow;
    columns.width = header.size();
    if (columns.width > 1 && header.back().empty()) --columns.width;
    for (std::size_t i = 0; i < columns.width; ++i) {
        const std::string name = columnName(header[i]);
        auto* slot = name == "diameter_mm" ? &diameter
                     : name == "flow_lpm"  ? &flow
                     : name == "min_mm"    ? &columns.min
                     : name == "max_mm"    ? &columns.max
                     : name == "head_mm"   ? &columns.head
                     : name == "trials"    ? &columns.trials
                     : name == "note"      ? &columns.note
                                           : nullptr;
        if (!slot) continue;
        const bool result = slot == &columns.head || slot == &columns.trials || slot == &columns.note;
        if (*slot && !result) {
            why = "the header names the column " + name + " twice";
            return std::nullopt;
        }
        *slot = i;  // a result column named twice: the last is the one batch added
    }
    if (!diameter || !flow) {
        why = "the header row names no diameter_mm or no flow_lpm column; the columns found are ";
        for (std::size_t i = 0; i < columns.width; ++i) why += (i ? ", " : "") + ("'" + header[i] + "'");
        return std::nullopt;
    }
    if (columns.min.has_value() != columns.max.has_value()) {
        why = "the header row names min_mm or max_mm without the other";
        return std::nullopt;
    }
    // Only all three together mark a result file fed back in; a column of the user's own that
    // happens to be called note passes through like any other.
    if (!(columns.head && columns.trials && columns.note)) columns.head = columns.trials = columns.note = std::nullopt;
    columns.diameter = *diameter, columns.flow = *flow;
    return columns;
}

BatchColumns positionalColumns()
{
    BatchColumns columns;
    columns.diameter = 0, columns.flow = 1, columns.min = 2, columns.max = 3;
    columns.width = 4;
    return columns;
}

char decimalOf(std::string_view sample, char separator, bool sampleIsWhole)
{
    if (separator == ',') return '.';
    CsvReader reader(sample);
    reader.setSeparator(separator);
    std::vector<std::string> fields;
    std::optional<BatchColumns> columns;
    std::vector<std::vector<std::string>> records;
    while (reader.next(fields)) records.push_back(fields);
    if (!sampleIsWhole && !records.empty()) records.pop_back();  // the last may be cut short
    for (std::size_t r = 0; r < records.size(); ++r) {
        if (r == 0 && looksLikeHeader(records[0])) {
            std::string why;
            columns = findColumns(records[0], why);
            if (!columns) break;
            continue;
        }
        if (!columns) columns = positionalColumns();
        for (const auto column : {std::optional(columns->diameter), std::optional(columns->flow), columns->min, columns->max})
            if (column && *column < records[r].size())
                if (const auto decimal = decimalShownBy(records[r][*column])) return *decimal;
    }
    return separator == ';' ? ',' : '.';
}

BatchRow rowByPosition(std::vector<std::string> fields)
{
    BatchRow row;
    row.width = 4;
    if (isBlankLine(fields)) return row;  // every entry empty: noted, in its place
    if (fields.size() == 3 || fields.size() == 5) dropTrailingEmpty(fields, fields.size() - 1);
    if (fields.size() == 2) {
        row.bracketed = false;
        row.entries = {fields[0], fields[1], "", ""};
        row.cells = {fields[0], fields[1]};
        return row;
    }
    if (fields.size() < 4) {
        row.malformed = true;
        row.cells = fields;
        return row;
    }
    std::copy_n(fields.begin(), 4, row.entries.begin());
    row.bracketed = !(isBlankCell(fields[2]) && isBlankCell(fields[3]));
    row.cells.assign(fields.begin(), fields.begin() + 4);
    row.tail.assign(fields.begin() + 4, fields.end());
    return row;
}

BatchRow rowByHeader(std::vector<std::string> fields, const BatchColumns& columns)
{
    BatchRow row;
    row.width = columns.width;
    row.bracketed = columns.min.has_value();
    if (isBlankLine(fields)) return row;
    dropTrailingEmpty(fields, columns.width);
    if (fields.size() > columns.width) {
        row.malformed = true;
        row.width = fields.size();
        row.cells = std::move(fields);
        return row;
    }
    fields.resize(columns.width);
    row.entries = {fields[columns.diameter], fields[columns.flow], row.bracketed ? fields[*columns.min] : "",
                   row.bracketed ? fields[*columns.max] : ""};
    row.bracketed = row.bracketed && !(isBlankCell(row.entries[2]) && isBlankCell(row.entries[3]));
    row.cells = std::move(fields);
    return row;
}

void putCsvField(Output& o, std::string_view field, char separator)
{
    if (field.find_first_of("\"\r\n") == std::string_view::npos && field.find(separator) == std::string_view::npos) {
        o << field;
        return;
    }
    o << '"';
    for (const char c : field) {
        if (c == '"') o << '"';
        o << c;
    }
    o << '"';
}

}  // namespace vordanel::cli
