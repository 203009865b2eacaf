#include "csv.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/cp932.h"
#include "vordanel/numtext.h"

#include "words.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace vordanel::cli {

namespace {

constexpr std::size_t blockSize = 1 << 16;
constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

bool isBlankLine(const std::vector<std::string>& fields)
{
    return fields.size() == 1 && fields[0].find_first_not_of(" \t") == std::string::npos;
}


// A header cell as a one-line message quotes it: control characters (a line break in a quoted
// cell, a NUL) written as escapes, so that the message stays one line and whole.
std::string shown(std::string_view cell)
{
    std::string text = "'";
    for (const char c : cell) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
            continue;
        }
        char escape[8];
        std::snprintf(escape, sizeof escape, "\\x%02X", byte);
        text += escape;
    }
    return text + "'";
}

enum class Role { Other, Diameter, Flow, Min, Max, Head, Trials, Note };
struct Named {
    Role role = Role::Other;
    FlowUnit unit = FlowUnit::LitresPerMinute;
    bool caption = false;  // named by the window's caption, not by its key
};

// What a header cell names, by key or by caption.
Named named(std::string_view header)
{
    const std::string name = normalName(header);
    const std::pair<Role, Input> entries[] = {
        {Role::Diameter, Input::Diameter}, {Role::Min, Input::Min}, {Role::Max, Input::Max}, {Role::Head, Input::Head}};
    for (const auto& [role, input] : entries) {
        if (name == names(input).column) return {role};
        if (name == normalName(names(input).caption)) return {role, FlowUnit::LitresPerMinute, true};
    }
    for (const FlowUnit unit : flowUnits) {
        if (name == std::string("flow_") + names(unit).key) return {Role::Flow, unit};
        for (const bool asTyped : {false, true})
            if (name == normalName(flowCaption(unit, asTyped))) return {Role::Flow, unit, true};
    }
    if (name == "trials") return {Role::Trials};
    if (name == normalName(trialsCaption())) return {Role::Trials, FlowUnit::LitresPerMinute, true};
    if (name == "note") return {Role::Note};
    if (name == normalName(noteCaption())) return {Role::Note, FlowUnit::LitresPerMinute, true};
    return {};
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

std::string describeBytes(std::size_t bytes)
{
    const std::string exact = std::to_string(bytes) + " bytes";
    if (bytes >= 1 << 20 && bytes % (1 << 20) == 0) return std::to_string(bytes >> 20) + " MiB (" + exact + ")";
    if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes >> 10) + " KiB (" + exact + ")";
    return exact;
}

}  // namespace

std::string normalName(std::string_view name)
{
    const auto folded = foldToAscii(name);
    std::string normal;
    for (const char c : folded ? std::string_view(*folded) : name)
        if (c != ' ' && c != '\t') normal += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return normal;
}

std::string describe(const CsvLimits& limits)
{
    const auto size = [](std::size_t bytes) { return bytes % (1 << 20) == 0 ? std::to_string(bytes >> 20) + " MiB" : std::to_string(bytes) + " bytes"; };
    return size(limits.fieldBytes) + " a field, " + size(limits.recordBytes) + " and "
           + std::to_string(limits.fields) + " fields a record";
}

bool CsvReader::fill()
{
    if (!in_) return false;
    buffer_.erase(0, pos_);
    pos_ = 0;
    const std::size_t had = buffer_.size();
    buffer_.resize(had + blockSize);
    errno = 0;
    const std::size_t got = std::fread(buffer_.data() + had, 1, blockSize, in_);
    if (got == 0 && std::ferror(in_)) error_ = errno ? errno : EIO;
    buffer_.resize(had + got);
    return got > 0;
}

void CsvReader::skipByteOrderMark()
{
    started_ = true;
    while (buffer_.size() - pos_ < utf8ByteOrderMark.size() && fill()) {
    }
    byteOrderMark_ = std::string_view(buffer_).substr(pos_).starts_with(utf8ByteOrderMark);
    if (byteOrderMark_) pos_ += utf8ByteOrderMark.size();
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

void CsvReader::skipToLineEnd()
{
    for (int c = get(); c != EOF; c = get()) {
        if (c == '\n') return;
        if (c == '\r') {
            if (peek() == '\n') get();
            return;
        }
    }
}

bool CsvReader::next(std::vector<std::string>& fields)
{
    if (!started_) skipByteOrderMark();
    unterminated_ = false;
    oversized_.clear();
    quoteLine_ = 0;
    int c = get();
    if (c == EOF) return false;
    recordLine_ = ++lineNumber_;
    fields.assign(1, std::string());
    quoted_.assign(1, false);
    std::size_t recordBytes = 0;
    // A cap passed: what was read of the record is let go, and the rest of its line skipped.
    const auto over = [&](std::string what) {
        oversized_ = std::move(what);
        fields.assign(1, std::string());
        fields.front().shrink_to_fit();
        quoted_.assign(1, false);
        skipToLineEnd();
        return true;
    };
    const auto add = [&](char byte) {
        fields.back() += byte;
        return fields.back().size() <= limits_.fieldBytes && ++recordBytes <= limits_.recordBytes;
    };
    const auto whichCap = [&] {
        const bool field = fields.back().size() > limits_.fieldBytes;
        return std::string(field ? "a field" : "a record") + " over the cap of "
               + describeBytes(field ? limits_.fieldBytes : limits_.recordBytes);
    };
    bool atFieldStart = true;
    for (; c != EOF; c = get()) {
        if (atFieldStart && c == '"') {
            // A quoted field: everything up to the closing quote, line ends included.
            quoted_.back() = true;
            quoteLine_ = lineNumber_;
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
                if (!add(static_cast<char>(c))) return over(whichCap() + ", in a quoted field opened on line " + std::to_string(quoteLine_));
            }
            quoteLine_ = 0;
            atFieldStart = false;
            continue;
        }
        atFieldStart = false;
        if (c == separator_) {
            if (fields.size() == limits_.fields) return over("a record of more fields than the cap of " + std::to_string(limits_.fields));
            fields.emplace_back();
            quoted_.push_back(false);
            atFieldStart = true;
            if (++recordBytes > limits_.recordBytes) return over(whichCap());
        } else if (c == '\n') {
            if (lineEnd_.empty()) lineEnd_ = "\n";
            return true;
        } else if (c == '\r') {
            const bool crlf = peek() == '\n';
            if (crlf) get();
            if (lineEnd_.empty()) lineEnd_ = crlf ? "\r\n" : "\r";
            return true;
        } else if (!add(static_cast<char>(c))) {
            return over(whichCap());
        }
    }
    return true;
}

char separatorOf(std::string_view sample)
{
    // Each candidate splits the first records by the reader's own rules, quotes included; the
    // widest record counts, so that a title line above the header does not decide, then the
    // fields of all of them.
    constexpr int records = 16;
    char best = ',';
    std::pair<std::size_t, std::size_t> most{0, 0};
    for (const char candidate : {',', ';', '\t'}) {
        CsvReader reader(sample);
        reader.setSeparator(candidate);
        std::vector<std::string> fields;
        std::pair<std::size_t, std::size_t> split{0, 0};
        for (int r = 0; r < records && reader.next(fields); ++r)
            split.first = std::max(split.first, fields.size()), split.second += fields.size();
        if (split > most) most = split, best = candidate;
    }
    return best;
}

std::string_view readableCell(std::string_view cell, std::string& decoded)
{
    if (std::all_of(cell.begin(), cell.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }) || isUtf8(cell)) return cell;
    auto text = utf8FromCp932(cell);
    if (!text) return cell;
    decoded = std::move(*text);
    return decoded;
}

std::optional<std::vector<std::string>> cp932Header(const std::vector<std::string>& fields)
{
    if (std::all_of(fields.begin(), fields.end(), [](const std::string& f) { return isUtf8(f); })) return std::nullopt;
    std::vector<std::string> read;
    for (const auto& field : fields) {
        auto text = utf8FromCp932(field);
        if (!text) return std::nullopt;
        read.push_back(std::move(*text));
    }
    return read;
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
    std::optional<bool> japanese;
    columns.width = header.size();
    // Empty cells at the end name nothing: a header padded with a million of them is the header
    // without them, and its rows are not padded to it.
    while (columns.width > 1 && header[columns.width - 1].empty()) --columns.width;
    for (std::size_t i = 0; i < columns.width; ++i) {
        const Named name = named(header[i]);
        std::optional<std::size_t>* const slots[] = {nullptr, &diameter, &flow, &columns.min, &columns.max,
                                                     &columns.head, &columns.trials, &columns.note};
        auto* slot = slots[static_cast<int>(name.role)];
        if (!slot) continue;
        const bool result = name.role == Role::Head || name.role == Role::Trials || name.role == Role::Note;
        if (*slot && !result) {
            why = "the header names the column " + shown(header[**slot]) + " twice";
            return std::nullopt;
        }
        *slot = i;  // a result column named twice: the last is the one batch added
        if (name.role == Role::Flow) columns.flowUnit = name.unit;
        if (name.role == Role::Diameter) japanese = name.caption;
    }
    if (!diameter || !flow) {
        why = std::string("the header row names no ") + names(Input::Diameter).column + " (" + names(Input::Diameter).caption
              + ") or no " + names(Input::Flow).column + " (" + flowCaption(FlowUnit::LitresPerMinute) + ") column; the columns found are ";
        for (std::size_t i = 0; i < columns.width; ++i) why += (i ? ", " : "") + shown(header[i]);
        why += std::string("; expected diameter_mm or ") + names(Input::Diameter).caption + ", flow_lpm or "
               + flowCaption(FlowUnit::LitresPerMinute) + " (or another unit:";
        for (const FlowUnit unit : flowUnits)
            if (unit != FlowUnit::LitresPerMinute) why += std::string(" flow_") + names(unit).key + " or " + flowCaption(unit, true);
        why += std::string("), and min_mm and max_mm (") + names(Input::Min).caption + ", " + names(Input::Max).caption + ") or neither";
        return std::nullopt;
    }
    if (columns.min.has_value() != columns.max.has_value()) {
        why = "the header row names one end of the bracket (min_mm, max_mm) without the other";
        return std::nullopt;
    }
    // Only all three together mark a result file fed back in; a column of the user's own that
    // happens to be called note passes through like any other.
    if (!(columns.head && columns.trials && columns.note)) columns.head = columns.trials = columns.note = std::nullopt;
    columns.diameter = *diameter, columns.flow = *flow;
    columns.japanese = japanese.value_or(false);
    return columns;
}

std::string columnKey(const BatchColumns& columns, Input input)
{
    return input == Input::Flow ? std::string("flow_") + names(columns.flowUnit).key : names(input).column;
}

std::array<std::string_view, 3> resultNames(const BatchColumns& columns)
{
    if (columns.japanese) return {headCaption(), trialsCaption(), noteCaption()};
    return {names(Input::Head).column, "trials", "note"};
}

BatchColumns positionalColumns()
{
    BatchColumns columns;
    columns.diameter = 0, columns.flow = 1, columns.min = 2, columns.max = 3;
    columns.width = 4;
    return columns;
}

namespace {

// The records of a sample, the last let go where the sample may have cut it short, and a CP932
// header read as UTF-8 wherever it stands.
std::vector<std::vector<std::string>> sampleRecords(std::string_view sample, char separator, bool sampleIsWhole)
{
    CsvReader reader(sample);
    reader.setSeparator(separator);
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> records;
    while (reader.next(fields)) records.push_back(fields);
    if (!sampleIsWhole && !records.empty()) records.pop_back();
    return records;
}

bool isNumber(const std::string& field) { return !isBlankEntry(field) && !parseNumber(field).fault; }

}  // namespace

bool holdsNoNumber(const std::vector<std::string>& fields)
{
    return !isBlankLine(fields) && std::none_of(fields.begin(), fields.end(), isNumber);
}

namespace {

// The first record that names the columns, under title lines only.
std::optional<std::size_t> headerAmong(const std::vector<std::vector<std::string>>& records)
{
    for (std::size_t r = 0; r < records.size(); ++r) {
        const auto read = cp932Header(records[r]);
        std::string why;
        if (findColumns(read ? *read : records[r], why)) return r;
        // A row to solve comes before any header: the file has none.
        if (records[r].size() >= 2 && isNumber(records[r][0]) && isNumber(records[r][1])) return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::size_t> headerRecord(std::string_view sample, char separator, bool sampleIsWhole)
{
    return headerAmong(sampleRecords(sample, separator, sampleIsWhole));
}

char decimalOf(std::string_view sample, char separator, bool sampleIsWhole)
{
    if (separator == ',') return '.';
    auto records = sampleRecords(sample, separator, sampleIsWhole);
    const auto header = headerAmong(records);
    std::optional<BatchColumns> columns;
    for (std::size_t r = header.value_or(0); r < records.size(); ++r) {
        if (const auto read = r == header.value_or(0) ? cp932Header(records[r]) : std::nullopt) records[r] = *read;
        if (r == header.value_or(0) && looksLikeHeader(records[r])) {
            std::string why;
            columns = findColumns(records[r], why);
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

BatchRow rowByPosition(std::vector<std::string> fields, std::vector<bool> quoted)
{
    BatchRow row;
    row.width = 4;
    if (isBlankLine(fields)) return row;  // every entry empty: noted, in its place
    // Empty cells at the end carry nothing: a row of a million of them is the row without them.
    while (fields.size() > 2 && fields.back().empty()) fields.pop_back();
    quoted.resize(fields.size());
    // Missing entries are empty, as in a row shorter than a header: 100,40,1 is a bracket with
    // one end empty, as it reads when the result is fed back.
    const std::size_t entries = std::min<std::size_t>(fields.size(), 4);
    std::copy_n(fields.begin(), entries, row.entries.begin());
    row.cells.assign(fields.begin(), fields.begin() + static_cast<long>(entries));
    row.tail.assign(fields.begin() + static_cast<long>(entries), fields.end());
    row.quoted = std::move(quoted);
    return row;
}

BatchRow rowByHeader(std::vector<std::string> fields, std::vector<bool> quoted, const BatchColumns& columns)
{
    BatchRow row;
    row.width = columns.width;
    if (isBlankLine(fields)) return row;
    while (fields.size() > columns.width && fields.back().empty()) fields.pop_back();
    quoted.resize(std::max(fields.size(), columns.width));
    row.quoted = std::move(quoted);
    if (fields.size() > columns.width) {
        // Cells beyond the header's own are kept, after the results, and the row is noted.
        row.malformed = true;
        row.tail.assign(fields.begin() + static_cast<long>(columns.width), fields.end());
        fields.resize(columns.width);
        row.cells = std::move(fields);
        return row;
    }
    fields.resize(columns.width);
    row.entries = {fields[columns.diameter], fields[columns.flow], columns.min ? fields[*columns.min] : "",
                   columns.max ? fields[*columns.max] : ""};
    row.cells = std::move(fields);
    return row;
}

void putCsvField(Output& o, std::string_view field, char separator, bool quote)
{
    // One pass over the field: a batch writes every cell of every row through here.
    if (!quote && std::none_of(field.begin(), field.end(), [separator](char c) { return c == '"' || c == '\r' || c == '\n' || c == separator; })) {
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
