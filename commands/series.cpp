#include "series.h"

#include "gauge.h"
#include "head.h"
#include "json.h"
#include "output.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/cp932.h"
#include "vordanel/numtext.h"
#include "vordanel/record_words.h"
#include "vordanel/words.h"
#include "vordanel/series.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>

namespace vordanel::cli {

namespace {

constexpr std::size_t decimalSample = 48 * 1024;

struct LoggerColumns {
    std::optional<std::size_t> time, date, clock, level;
    int scale = 0;           // the level's power of ten to mm
    bool isHead = false;     // the level column is already the head
    bool japanese = false;   // headed by Japanese captions
    std::size_t width = 0;
};

// The time and level columns a header row names, by key, by Japanese caption, or by the names the
// options give; none unless it names both.
std::optional<LoggerColumns> findLoggerColumns(const std::vector<std::string>& header, const SeriesOptions& options)
{
    LoggerColumns c;
    c.width = header.size();
    if (c.width > 1 && header.back().empty()) --c.width;
    std::optional<std::size_t> headColumn;
    bool headJapanese = false, levelJapanese = false, timeJapanese = false;
    const std::string timeNamed = normalName(options.timeColumn), levelNamed = normalName(options.levelColumn);
    for (std::size_t i = 0; i < c.width; ++i) {
        const std::string name = normalName(header[i]);
        if (!timeNamed.empty()) {
            if (name == timeNamed && !c.time) c.time = i;
        } else if ((name == "time" || name == "datetime") && !c.time) {
            c.time = i;
        } else if (name == normalName(loggerCaptions.time) && !c.time) {
            c.time = i, timeJapanese = true;
        } else if ((name == "date" || name == normalName(loggerCaptions.date)) && !c.date) {
            c.date = i, timeJapanese = name != "date";
        } else if (name == normalName(loggerCaptions.clock) && !c.clock) {
            c.clock = i;
        }
        if (!levelNamed.empty()) {
            if (name == levelNamed && !c.level) c.level = i, c.scale = options.levelScale.value_or(0);
            continue;
        }
        for (const int scale : {0, 1, 3}) {
            const std::string key = scale == 0 ? "level_mm" : scale == 1 ? "level_cm" : "level_m";
            if (c.level) break;
            if (name == key) c.level = i, c.scale = scale;
            else if (name == normalName(levelCaption(scale))) c.level = i, c.scale = scale, levelJapanese = true;
        }
        if (!headColumn && name == "head_mm") headColumn = i;
        if (!headColumn && name == normalName(loggerCaptions.head)) headColumn = i, headJapanese = true;
    }
    // "date" and "time" in two columns are a date and a time of day.
    if (c.date && c.time && timeNamed.empty()) c.clock = c.time, c.time.reset();
    if (c.date && c.clock) c.time.reset();
    else c.date.reset(), c.clock.reset();
    if (!c.level && headColumn) c.level = headColumn, c.isHead = true, levelJapanese = headJapanese;
    if (!(c.time || (c.date && c.clock)) || !c.level) return std::nullopt;
    c.japanese = timeJapanese || levelJapanese;
    return c;
}

std::string shownCells(const std::vector<std::string>& cells)
{
    std::string text;
    for (const auto& cell : cells) {
        text += text.empty() ? "'" : ", '";
        for (const char ch : cell) text += static_cast<unsigned char>(ch) < 0x20 ? '?' : ch;
        text += "'";
    }
    return text.empty() ? "none" : text;
}

// What one reading gave.
struct Read {
    std::optional<std::int64_t> at;  // on the clock
    std::optional<double> headMm;
    ReadingFlow flow;
    std::optional<ReadingNote> note;  // the time's fault, or the flow's note
};

// Reads the logger's file record by record: rows above the header to `above`, the header to
// `header`, each reading to `reading`. Returns false (after telling why) where no header names
// the columns.
struct Handlers {
    std::function<void(const CsvReader&, const std::vector<std::string>&)> above;
    std::function<void(const CsvReader&, const std::vector<std::string>&, const LoggerColumns&, bool shiftJis)> header;
    std::function<bool(const CsvReader&, const std::vector<std::string>&, const Read&)> reading;  // false: stop
};

struct Setting {
    CsvDialect dialect;
    SeriesPlan plan;
    SeriesReport* report = nullptr;
    // Tells a front end why the run made nothing, in its words.
    void refuse(std::string japanese) const
    {
        if (report && report->refusal.empty()) report->refusal = std::move(japanese);
    }
};

// What one record of readings gives: its time placed on the clock (which the records before it
// set), the head its level reads, and the flow there, or the note why there is none.
Read readingOf(const Setting& setting, const LoggerColumns& columns, ReadingClock& clock, const std::vector<std::string>& fields)
{
    std::string decoded[4];  // a CP932 sheet's time, date, clock and level cells, read as UTF-8
    const auto cell = [&](std::optional<std::size_t> k, std::string& into) {
        return k && *k < fields.size() ? readableCell(fields[*k], into) : std::string_view();
    };
    Read r;
    const auto time = columns.time ? parseReadingTime(cell(columns.time, decoded[0])) : parseReadingTime(cell(columns.date, decoded[1]), cell(columns.clock, decoded[2]));
    const auto placed = clock.place(time);
    r.at = placed.millis;
    r.note = placed.note;
    const std::string_view levelText = cell(columns.level, decoded[3]);
    const ParsedNumber level = parseNumber(levelText, std::string_view(&setting.dialect.decimal, 1));
    if (!level.fault && !isBlankEntry(levelText))
        r.headMm = columns.isHead ? level.value
                                  : headOfLevel(level.value, columns.scale, setting.plan.gaugeZero,
                                                placesWritten(levelText, setting.dialect.decimal), setting.plan.gaugeZeroPlaces);
    else if (!r.note) r.note = ReadingNote::UnreadableLevel;
    if (r.headMm && !r.note) {
        r.flow = flowAtReading(setting.plan.curve, toMetres(*r.headMm));
        r.note = r.flow.note;
    }
    if (r.note && !hasFlow(*r.note)) r.flow.flow.reset();
    if (!r.at) r.at = clock.latest();  // where a reading without a time of its own is counted
    return r;
}

int readLogger(const SeriesOptions& options, const Setting& setting, std::FILE* in, std::FILE* err, const Handlers& h)
{
    CsvReader reader(in);
    reader.sample(decimalSample);
    reader.setSeparator(setting.dialect.separator);
    std::vector<std::string> fields;
    std::optional<LoggerColumns> columns;
    std::optional<std::vector<std::string>> firstRow;
    ReadingClock clock;
    while (reader.next(fields)) {
        if (!columns) {
            const auto read = reader.byteOrderMark() ? std::nullopt : cp932Header(fields);
            const auto& named = read ? *read : fields;
            if (!firstRow) firstRow = named;
            if (!reader.unterminated()) columns = findLoggerColumns(named, options);
            if (columns) h.header(reader, fields, *columns, read.has_value());
            else h.above(reader, fields);
            continue;
        }
        if (fields.size() == 1 && fields[0].find_first_not_of(" \t") == std::string::npos) continue;  // a blank line
        if (!h.reading(reader, fields, readingOf(setting, *columns, clock, fields))) return Failure;
    }
    if (reader.failed()) {
        std::fprintf(err, "vordanel-cli: series: reading the input failed after line %lld\n", reader.lineNumber());
        setting.refuse(words::seriesReadFailed(reader.lineNumber()));
        return Failure;
    }
    if (!columns) {
        std::fprintf(err,
                     "vordanel-cli: series: no row names a time column (time, or date and time; %s, or %s and %s) "
                     "and a level column (level_mm, level_cm, level_m or head_mm; %s, %s, %s or "
                     "%s); the columns found are %s; name others with --time-column and --level-column\n",
                     loggerCaptions.time, loggerCaptions.date, loggerCaptions.clock, levelCaption(0).c_str(),
                     levelCaption(1).c_str(), levelCaption(3).c_str(), loggerCaptions.head, firstRow ? shownCells(*firstRow).c_str() : "none (the file is empty)");
        setting.refuse(words::seriesNoColumns(firstRow ? shownCells(*firstRow) : std::string()));
        return Failure;
    }
    return Answer;
}

std::string withDecimal(std::string text, char decimal)
{
    if (decimal != '.') std::replace(text.begin(), text.end(), '.', decimal);
    return text;
}

// The record's own form on the way out: its byte-order mark, line ends and quoted cells.
class RowWriter
{
public:
    RowWriter(std::FILE* out, CsvDialect dialect) : o(out), dialect_(dialect) {}
    void start(const CsvReader& reader)
    {
        if (!lineEnd_.empty()) return;
        lineEnd_ = reader.lineEnd().empty() ? std::string_view("\n") : reader.lineEnd();
        if (reader.byteOrderMark()) o << "\xEF\xBB\xBF";
    }
    void cells(const std::vector<std::string>& fields, const std::vector<bool>& quoted, std::size_t width)
    {
        for (std::size_t k = 0; k < std::max(width, fields.size()); ++k) {
            if (k == width) break;
            cell(k, k < fields.size() ? std::string_view(fields[k]) : std::string_view(), k < quoted.size() && quoted[k]);
        }
    }
    void cell(std::size_t k, std::string_view text, bool quoted = false)
    {
        if (k > 0) o << dialect_.separator;
        putCsvField(o, text, dialect_.separator, quoted);
    }
    void end() { o << (lineEnd_.empty() ? std::string_view("\n") : lineEnd_); }
    Output o;

private:
    CsvDialect dialect_;
    std::string_view lineEnd_;
};

bool uncertain(const SeriesOptions& options)
{
    return options.headUncertainty > 0 || options.zeroUncertainty > 0 || options.coefficientUncertainty > 0;
}

Uncertainties uncertaintiesOf(const SeriesOptions& options)
{
    return {toMetres(options.headUncertainty), toMetres(options.zeroUncertainty), options.coefficientUncertainty / 100};
}

std::string flowTextIn(double cubicMetresPerMinute, FlowUnit unit, char decimal)
{
    return withDecimal(flowText(toLitresPerMinute(cubicMetresPerMinute), unit), decimal);
}

double inUnit(double cubicMetresPerMinute, FlowUnit unit)
{
    return fromLitresPerMinute(toLitresPerMinute(cubicMetresPerMinute), unit);
}

// Every reading's row back with its head, flow and note.
int perReading(const SeriesOptions& options, const Setting& setting, std::FILE* in, Destination& out, std::FILE* err,
               RowCounts& counts)
{
    RowWriter w(out.stream(), setting.dialect);
    const bool withUncertainty = uncertain(options);
    const Uncertainties u = uncertaintiesOf(options);
    std::optional<LoggerColumns> columns;
    bool shiftJis = false;
    const auto local = [&](std::string text) { return shiftJis ? cp932FromUtf8(text) : text; };
    Handlers h;
    h.above = [&](const CsvReader& reader, const std::vector<std::string>& fields) {
        w.start(reader);
        w.cells(fields, reader.quoted(), fields.size());
        w.end();
    };
    h.header = [&](const CsvReader& reader, const std::vector<std::string>& fields, const LoggerColumns& c, bool cp932) {
        w.start(reader);
        columns = c, shiftJis = cp932;
        w.cells(fields, reader.quoted(), c.width);
        const std::string key = names(options.flowUnit).key;
        if (c.japanese) {
            w.cell(1, local(std::string(headCaption())));
            w.cell(1, local(flowCaption(options.flowUnit)));
            if (withUncertainty) w.cell(1, local(flowUncertaintyCaption(options.flowUnit)));
            w.cell(1, local(std::string(noteCaption())));
        } else {
            w.cell(1, "head_mm");
            w.cell(1, "flow_" + key);
            if (withUncertainty) w.cell(1, "flow_uncertainty_" + key);
            w.cell(1, "note");
        }
        w.end();
    };
    h.reading = [&](const CsvReader& reader, const std::vector<std::string>& fields, const Read& r) {
        w.cells(fields, reader.quoted(), columns->width);
        w.cell(1, r.headMm ? displayText(*r.headMm, std::string(1, setting.dialect.decimal)) : std::string());
        w.cell(1, r.flow.flow ? flowTextIn(*r.flow.flow, options.flowUnit, setting.dialect.decimal) : std::string());
        if (withUncertainty)
            w.cell(1, r.flow.flow ? flowTextIn(flowUncertainty(*r.flow.flow, r.flow.slope, u), options.flowUnit, setting.dialect.decimal)
                                  : std::string());
        w.cell(1, !r.note ? std::string() : columns->japanese ? local(japaneseNote(*r.note)) : std::string(names(*r.note).key));
        for (std::size_t k = columns->width; k < fields.size(); ++k) w.cell(1, fields[k], k < reader.quoted().size() && reader.quoted()[k]);
        w.end();
        counts.count(r.flow.flow ? Answer : NoSolution, r.note ? names(*r.note).key : "");
        return w.o.flushIfFull();
    };
    const int status = readLogger(options, setting, in, err, h);
    if (!w.o.flush()) return out.lost(err);
    return status;
}

// The most common interval between the readings' times, from a pass of its own.
std::optional<std::int64_t> mostCommonInterval(const SeriesOptions& options, const Setting& setting, std::FILE* in, std::FILE* err)
{
    IntervalCount intervals;
    Handlers h;
    h.above = [](const CsvReader&, const std::vector<std::string>&) {};
    h.header = [](const CsvReader&, const std::vector<std::string>&, const LoggerColumns&, bool) {};
    h.reading = [&](const CsvReader&, const std::vector<std::string>&, const Read& r) {
        const bool placed = r.at && r.note != ReadingNote::UnreadableTime && r.note != ReadingNote::DuplicateTime
                            && r.note != ReadingNote::EarlierTime;
        if (placed) intervals.add(*r.at);
        return true;
    };
    // What this pass would tell, the pass after tells again: it is dropped (into memory, as the page's
    // module has no files).
    char* told = nullptr;
    std::size_t toldSize = 0;
    std::FILE* quiet = open_memstream(&told, &toldSize);
    const int status = readLogger(options, setting, in, quiet ? quiet : err, h);
    if (quiet) std::fclose(quiet);
    std::free(told);
    if (status != Answer) return std::nullopt;
    return intervals.mostCommon();
}

std::string hoursText(double millis) { return roundedText(millis / 3'600'000.0, 4); }

std::string dayText(std::int64_t start) { return readingTimeText(start).substr(0, 10); }

void putDay(JsonObject& json, const DayVolume& d, const SeriesOptions& options, bool total)
{
    const Uncertainties u = uncertaintiesOf(options);
    if (!total) json.text("day", dayText(d.start)).text("start", readingTimeText(d.start));
    json.number("volume_m3", d.volume);
    if (uncertain(options)) json.number("volume_uncertainty_m3", d.volumeUncertainty(u));
    if (d.maxFlow) json.number("max_flow", inUnit(*d.maxFlow, options.flowUnit)).text("max_at", readingTimeText(d.maxAt));
    else json.null("max_flow").null("max_at");
    if (d.readings) json.number("min_flow", inUnit(d.minFlow, options.flowUnit)).number("mean_flow", inUnit(d.meanFlow(), options.flowUnit));
    else json.null("min_flow").null("mean_flow");
    json.integer("readings", d.readings).number("covered_h", d.coveredMillis / 3'600'000.0).number("missing_h", d.missingMillis / 3'600'000.0);
    JsonArray notes;
    for (const auto& note : d.notes()) notes.text(note);
    json.array("notes", notes);
}

void putDayRow(RowWriter& w, const DayVolume& d, const SeriesOptions& options, char decimal, bool japanese, bool shiftJis, bool total)
{
    const Uncertainties u = uncertaintiesOf(options);
    const std::string point(1, decimal);
    w.cell(0, total ? "total" : dayText(d.start));
    w.cell(1, total ? std::string() : readingTimeText(d.start));
    w.cell(1, withDecimal(roundedText(d.volume, 3), decimal));
    if (uncertain(options)) w.cell(1, withDecimal(roundedText(d.volumeUncertainty(u), 3), decimal));
    w.cell(1, d.maxFlow ? flowTextIn(*d.maxFlow, options.flowUnit, decimal) : std::string());
    w.cell(1, d.maxFlow ? readingTimeText(d.maxAt) : std::string());
    w.cell(1, d.readings ? flowTextIn(d.minFlow, options.flowUnit, decimal) : std::string());
    w.cell(1, d.readings ? flowTextIn(d.meanFlow(), options.flowUnit, decimal) : std::string());
    w.cell(1, std::to_string(d.readings));
    w.cell(1, withDecimal(hoursText(d.coveredMillis), decimal));
    w.cell(1, withDecimal(hoursText(d.missingMillis), decimal));
    std::string notes;
    // A sheet headed in Japanese gets its notes in words, in its own encoding.
    for (const auto& note : d.notes())
        notes += (notes.empty() ? "" : ";") + (!japanese ? note : shiftJis ? cp932FromUtf8(japaneseDayNote(note)) : japaneseDayNote(note));
    w.cell(1, notes);
    w.end();
}

// The longest record --daily takes: a century of days.
constexpr long long maxRecordDays = 36'525;

int daily(const SeriesOptions& options, const Setting& setting, std::int64_t maxGap, bool defaulted,
          std::FILE* in, Destination& out, std::FILE* err, RowCounts& counts)
{
    const std::int64_t dayStart = setting.plan.dayStart;
    RowWriter w(out.stream(), setting.dialect);
    DayRules rules{dayStart, maxGap, uncertaintiesOf(options)};
    if (setting.report) {
        SeriesReport& told = *setting.report;
        told.dayStart = readingTimeText(dayStart).substr(11, 5);
        told.maxGapMinutes = static_cast<double>(maxGap) / 60000.0;
        told.maxGapDefault = defaulted;
        told.unit = options.flowUnit;
        told.uncertainties = {options.headUncertainty, options.zeroUncertainty, options.coefficientUncertainty};
    }
    DailyVolumes days(rules);
    std::vector<DayVolume> finished;
    bool japanese = false, shiftJis = false, first = true;
    const std::string key = names(options.flowUnit).key;
    const auto put = [&]() {
        for (const DayVolume& d : finished) {
            if (options.json) {
                JsonObject json;
                putDay(json, d, options, false);
                w.o << (first ? "" : ",") << json.str();
            } else {
                putDayRow(w, d, options, setting.dialect.decimal, japanese, shiftJis, false);
            }
            first = false;
        }
        finished.clear();
    };
    Handlers h;
    h.above = [](const CsvReader&, const std::vector<std::string>&) {};
    h.header = [&](const CsvReader& reader, const std::vector<std::string>&, const LoggerColumns& c, bool cp932) {
        japanese = c.japanese, shiftJis = cp932;
        if (options.json) {
            JsonObject head;
            head.text("unit", names(options.flowUnit).name).text("day_start", readingTimeText(dayStart).substr(11, 5))
                .number("max_gap_min", static_cast<double>(maxGap) / 60000.0)
                .boolean("max_gap_default", defaulted);
            std::string opening = head.str();
            opening.pop_back();
            w.o << opening << ",\"days\":[";
            return;
        }
        w.start(reader);
        std::vector<std::string> names = {"day", "start", "volume_m3"};
        if (uncertain(options)) names.push_back("volume_uncertainty_m3");
        for (const char* n : {"max_flow_", "max_at", "min_flow_", "mean_flow_"})
            names.push_back(std::string(n).ends_with('_') ? n + key : n);
        for (const char* n : {"readings", "covered_h", "missing_h", "notes"}) names.emplace_back(n);
        for (std::size_t k = 0; k < names.size(); ++k) w.cell(k, names[k]);
        w.end();
    };
    std::optional<std::int64_t> firstAt, lastWithFlow;
    const auto& watch = setting.report ? setting.report->onReading : std::function<void(const SeriesReading&)>();
    h.reading = [&](const CsvReader& reader, const std::vector<std::string>&, const Read& r) {
        const bool placed = r.note != ReadingNote::UnreadableTime && r.note != ReadingNote::DuplicateTime && r.note != ReadingNote::EarlierTime;
        if (r.flow.flow && placed && r.at) {
            // Every day between two readings is put out: a mistyped year would put out thousands.
            if (!firstAt) firstAt = r.at;
            if (*r.at - *firstAt > maxRecordDays * 86'400'000LL) {
                std::fprintf(err, "vordanel-cli: series: line %lld, the time column: %s is more than %lld days after the first "
                                  "reading with a flow (%s); is its year mistyped?\n",
                             reader.lineNumber(), readingTimeText(*r.at).c_str(), maxRecordDays, readingTimeText(*firstAt).c_str());
                setting.refuse(words::seriesTooLong(reader.lineNumber(), readingTimeText(*r.at), readingTimeText(*firstAt), maxRecordDays));
                return false;
            }
        }
        const bool bridges = r.flow.flow && placed && r.at;
        if (watch) {
            watch({r.at, r.headMm, r.flow.flow, r.note, bridges && lastWithFlow && *r.at - *lastWithFlow > maxGap});
            if (bridges) lastWithFlow = r.at;
        }
        if (bridges) days.add(*r.at, *r.flow.flow, r.flow.slope, r.note, finished);
        else days.leftOut(r.at, r.note.value_or(ReadingNote::UnreadableLevel));
        counts.count(r.flow.flow ? Answer : NoSolution, r.note ? names(*r.note).key : "");
        put();
        return w.o.flushIfFull();
    };
    const int status = readLogger(options, setting, in, err, h);
    if (status != Answer) return w.o.failed() ? out.lost(err) : status;
    days.finish(finished);
    put();
    if (options.json) {
        JsonObject total;
        putDay(total, days.total(), options, true);
        w.o << "],\"total\":" << total.str() << "}\n";
    } else {
        putDayRow(w, days.total(), options, setting.dialect.decimal, japanese, shiftJis, true);
    }
    if (!w.o.flush()) return out.lost(err);
    std::fprintf(err, "vordanel-cli: series: days from %s, greatest gap bridged %s min%s\n",
                 readingTimeText(dayStart).substr(11, 5).c_str(), displayText(static_cast<double>(maxGap) / 60000.0).c_str(),
                 defaulted ? " (twice the most common interval)" : "");
    return Answer;
}

std::optional<std::int64_t> dayStartOf(std::string_view text)
{
    const auto colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || text.size() - colon != 3) return std::nullopt;
    int hours = 0, minutes = 0;
    for (const char c : text.substr(0, colon)) {
        if (c < '0' || c > '9') return std::nullopt;
        hours = hours * 10 + (c - '0');
    }
    for (const char c : text.substr(colon + 1)) {
        if (c < '0' || c > '9') return std::nullopt;
        minutes = minutes * 10 + (c - '0');
    }
    if (hours > 23 || minutes > 59) return std::nullopt;
    return (hours * 60 + minutes) * std::int64_t{60'000};
}

int run(const SeriesOptions& options, std::FILE* in, Destination& out, std::FILE* err, SeriesReport* report)
{
    const auto planned = planSeries(options);
    if (const auto* fault = std::get_if<SeriesFault>(&planned)) {
        std::fprintf(err, "vordanel-cli: %s\n", fault->english.c_str());
        if (report && report->refusal.empty()) report->refusal = fault->japanese;
        return Failure;
    }
    Setting setting{{}, std::get<SeriesPlan>(planned), report};
    // The separator and decimal, from the start of the file; the file is read again from its start.
    std::FILE* input = in;
    std::FILE* spooled = nullptr;
    const bool seekable = std::fseek(in, 0, SEEK_CUR) == 0 && std::ftell(in) >= 0;
    if (!seekable) {
        // A pipe cannot be read twice: it is kept in a scratch file for the passes over it.
        spooled = std::tmpfile();
        if (!spooled) return std::fprintf(err, "vordanel-cli: series: no scratch file for standard input\n"), Failure;
        char block[1 << 16];
        for (std::size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;) std::fwrite(block, 1, n, spooled);
        std::rewind(spooled);
        input = spooled;
    }
    const long origin = std::ftell(input);
    {
        CsvReader reader(input);
        const std::string_view sample = reader.sample(decimalSample);
        setting.dialect.separator = options.separator.value_or(separatorOf(sample));
        setting.dialect.decimal = options.decimal.value_or(decimalOf(sample, setting.dialect.separator, sample.size() < decimalSample));
    }
    std::fseek(input, origin, SEEK_SET);
    RowCounts counts;
    int status = Answer;
    if (!options.daily) {
        status = perReading(options, setting, input, out, err, counts);
    } else {
        std::int64_t maxGap = 0;
        const bool defaulted = !setting.plan.maxGap;
        if (defaulted) {
            const auto interval = mostCommonInterval(options, setting, input, err);
            std::fseek(input, origin, SEEK_SET);
            maxGap = interval ? 2 * *interval : 0;
        } else {
            maxGap = *setting.plan.maxGap;
        }
        status = daily(options, setting, maxGap, defaulted, input, out, err, counts);
    }
    if (spooled) std::fclose(spooled);
    if (status != Answer) return status;
    reportRows(err, "series", counts, "a flow");
    return out.commit(err, counts.failed ? Failure : counts.noAnswer ? NoSolution : Answer);
}

}  // namespace

std::variant<SeriesPlan, SeriesFault> planSeries(const SeriesOptions& options)
{
    const auto entryFault = [](Fault fault, Input input) { return SeriesFault{input, faultText(fault, input), words::fault(fault, input)}; };
    const ParsedNumber diameter = parseNumber(options.diameter);
    if (diameter.fault) return entryFault(*diameter.fault, Input::Diameter);
    if (!(diameter.value > 0)) return entryFault(Fault::InvalidArgument, Input::Diameter);
    SeriesPlan plan{curveOf(toMetres(diameter.value)), 0, 0, 0, std::nullopt};
    if (plan.curve.fault) return entryFault(*plan.curve.fault, Input::Diameter);
    if (!options.gaugeZero.empty()) {
        const ParsedNumber zero = parseNumber(options.gaugeZero);
        if (zero.fault) return entryFault(*zero.fault, Input::GaugeZero);
        plan.gaugeZero = zero.value;
        plan.gaugeZeroPlaces = placesWritten(options.gaugeZero);
    }
    const auto dayStart = dayStartOf(options.dayStart);
    if (!dayStart)
        return SeriesFault{std::nullopt, "series: --day-start: '" + options.dayStart + "' is not a time of day HH:MM",
                           words::seriesBadDayStart(options.dayStart)};
    plan.dayStart = *dayStart;
    if (options.maxGapMinutes) {
        if (!(*options.maxGapMinutes > 0 && *options.maxGapMinutes < 1e9))
            return SeriesFault{std::nullopt, "series: --max-gap must be above 0 minutes", words::seriesBadMaxGap()};
        plan.maxGap = static_cast<std::int64_t>(std::llround(*options.maxGapMinutes * 60000.0));
    }
    return plan;
}

int series(const SeriesOptions& options, std::FILE* in, std::FILE* out, std::FILE* err, SeriesReport* report)
{
    if (options.json && !options.daily) {
        std::fprintf(err, "vordanel-cli: series: --json goes with --daily\n");
        return Failure;
    }
    const bool standardInput = options.file.empty() || options.file == "-";
    std::FILE* input = standardInput ? in : std::fopen(options.file.c_str(), "rb");
    if (!input) {
        std::fprintf(err, "vordanel-cli: series: cannot open %s: %s\n", options.file.c_str(), std::strerror(errno));
        return Failure;
    }
    Destination destination;
    int status = Failure;
    if (destination.open(options.output, out, err, "series", input, standardInput ? "" : options.file))
        status = run(options, input, destination, err, report);
    if (!standardInput) std::fclose(input);
    return status;
}

}  // namespace vordanel::cli
