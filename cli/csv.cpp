#include "csv.h"

#include "vordanel/numtext.h"

#include <algorithm>

namespace vordanel::cli {

namespace {

std::vector<std::string> splitCsv(std::string_view line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') fields.back() += '"', ++i;
            else if (c == '"') quoted = false;
            else fields.back() += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

bool isBlankLine(const std::vector<std::string>& fields)
{
    return fields.size() == 1 && fields[0].find_first_not_of(" \t") == std::string::npos;
}

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

}  // namespace

bool CsvReader::next(std::vector<std::string>& fields)
{
    line_.clear();
    int c = std::fgetc(in_);
    if (c == EOF) return false;
    for (; c != EOF && c != '\n' && c != '\r'; c = std::fgetc(in_)) line_ += static_cast<char>(c);
    if (c == '\r') {
        const int after = std::fgetc(in_);
        if (after != '\n' && after != EOF) std::ungetc(after, in_);
    }
    if (lineNumber_++ == 0 && line_.starts_with("\xEF\xBB\xBF")) line_.erase(0, 3);
    fields = splitCsv(line_);
    return true;
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
    std::optional<std::size_t> diameter, flow;
    columns.width = header.size();
    if (columns.width > 1 && header.back().empty()) --columns.width;
    for (std::size_t i = 0; i < columns.width; ++i) {
        const std::string name = columnName(header[i]);
        auto* slot = name == "diameter_mm" ? &diameter
                     : name == "flow_lpm"  ? &flow
                     : name == "min_mm"    ? &columns.min
                     : name == "max_mm"    ? &columns.max
                                           : nullptr;
        if (!slot) continue;
        if (*slot) {
            why = "the header names the column " + name + " twice";
            return std::nullopt;
        }
        *slot = i;
    }
    if (!diameter || !flow) {
        why = "the header row names no diameter_mm or no flow_lpm column";
        return std::nullopt;
    }
    if (columns.min.has_value() != columns.max.has_value()) {
        why = "the header row names min_mm or max_mm without the other";
        return std::nullopt;
    }
    columns.diameter = *diameter, columns.flow = *flow;
    return columns;
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
    if (fields.size() != columns.width) {
        row.malformed = true;
        row.width = std::max(fields.size(), columns.width);
        row.cells = std::move(fields);
        return row;
    }
    row.entries = {fields[columns.diameter], fields[columns.flow], row.bracketed ? fields[*columns.min] : "",
                   row.bracketed ? fields[*columns.max] : ""};
    row.cells = std::move(fields);
    return row;
}

void putCsvField(Output& o, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
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

void putCsvRow(Output& o, const std::vector<std::string>& cells, std::size_t width)
{
    for (std::size_t k = 0; k < width; ++k) {
        if (k > 0) o << ',';
        if (k < cells.size()) putCsvField(o, cells[k]);
    }
}

void putCsvTail(Output& o, const std::vector<std::string>& tail)
{
    for (const auto& field : tail) {
        o << ',';
        putCsvField(o, field);
    }
}

}  // namespace vordanel::cli
