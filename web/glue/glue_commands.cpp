// The companion's commands in the page's workers: vordanel-cli's run() and its batch, standard
// input from JavaScript, standard output and error kept in memory.
#include "cli.h"
#include "csv.h"
#include "json.h"
#include "request.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/cp932.h"
#include "vordanel/numtext.h"
#include "vordanel/record_words.h"
#include "vordanel/series.h"
#include "vordanel/words.h"

#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

// The companion's standard input is the page's: a file's bytes or typed text, kept in JavaScript
// and handed over a buffer at a time, so that a large file is never held twice and the page can
// tell how far a batch has read.
EM_JS(int, vordanel_read_input, (char* buffer, int size), {
    return Module.readInput ? Module.readInput(buffer, size) : 0;
});

// The input held in JavaScript can be read again from anywhere: a logger's record is read twice
// (its intervals first), as the companion reads a file.
EM_JS(double, vordanel_input_seek, (double offset, int whence), {
    return Module.seekInput ? Module.seekInput(offset, whence) : -1;
});

// A table's or batch's output, where the page asks for it so, goes out to JavaScript as it is
// written, a block at a time, and becomes the download there: a batch of a gigabyte is never
// held whole on the module's heap.
EM_JS(int, vordanel_output_streamed, (), { return Module.writeOutput ? 1 : 0; });
EM_JS(int, vordanel_write_output, (const char* data, int size), { return Module.writeOutput(data, size); });

namespace {

ssize_t readInput(void*, char* buffer, size_t size)
{
    return vordanel_read_input(buffer, static_cast<int>(size < 1 << 30 ? size : 1 << 30));
}

int seekInput(void*, off64_t* offset, int whence)
{
    const double at = vordanel_input_seek(static_cast<double>(*offset), whence);
    if (at < 0) return -1;
    *offset = static_cast<off64_t>(at);
    return 0;
}

struct Streams {
    char* out = nullptr;
    char* err = nullptr;
    std::size_t outSize = 0, errSize = 0;
    bool outLost = false;  // the output could not grow: in the page, memory ran out
    // A streamed output's start, kept for the preview (out and outSize then point at it); cut:
    // the output went on past it.
    std::string start;
    bool cut = false;
    std::string_view output() const { return {out ? out : "", outSize}; }
};
Streams streams;

// What a preview of a streamed output can be drawn from: its first bytes, at most this many.
constexpr std::size_t keptStart = 4 << 20;

void freeStreams()
{
    if (streams.out != streams.start.data()) std::free(streams.out);
    std::free(streams.err);
    streams = {};
}

ssize_t writeOutput(void*, const char* data, size_t size)
{
    const std::size_t kept = std::min(size, keptStart - streams.start.size());
    streams.start.append(data, kept);
    streams.cut = streams.cut || kept < size;
    return vordanel_write_output(data, static_cast<int>(size)) ? static_cast<ssize_t>(size) : -1;
}

vordanel::cli::Reports reports;  // what the last command went through
// Runs a command with standard input from Module.readInput and its output kept in memory.
template <typename Command>
int withStreams(Command command)
{
    std::free(streams.out);
    std::free(streams.err);
    streams = {};
    const bool streamed = vordanel_output_streamed();
    std::FILE* out = streamed ? fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, writeOutput, nullptr, nullptr})
                              : open_memstream(&streams.out, &streams.outSize);
    std::FILE* err = open_memstream(&streams.err, &streams.errSize);
    std::FILE* in = fopencookie(nullptr, "r", cookie_io_functions_t{readInput, nullptr, seekInput, nullptr});
    if (!out || !err || !in) std::abort();  // out of memory: the module cannot go on
    // Blocks of a megabyte cross to JavaScript, not the C library's kilobyte.
    static std::vector<char> block(1 << 20);
    if (streamed) std::setvbuf(out, block.data(), _IOFBF, block.size());
    const int status = command(in, out, err);
    streams.outLost = std::ferror(out) != 0;
    std::fclose(in);
    std::fclose(out);
    std::fclose(err);
    if (streamed) streams.out = streams.start.data(), streams.outSize = streams.start.size();
    return status;
}

// The first records of what the last command wrote (a table, or a batch's result in the separator
// it chose), read back by the companion's CSV reader, so that the page shows cells exactly as a
// spreadsheet would split them; a sheet's title lines above its header are not among them.
std::vector<std::vector<std::string>> records(int wanted, std::size_t titles)
{
    vordanel::cli::CsvReader reader(streams.output());
    reader.setSeparator(vordanel::cli::separatorOf(reader.sample(64 * 1024)));
    std::vector<std::vector<std::string>> read;
    std::vector<std::string> fields;
    for (std::size_t t = 0; t < titles && reader.next(fields); ++t) {}
    for (int i = 0; i < wanted + (streams.cut ? 1 : 0) && reader.next(fields); ++i) read.push_back(fields);
    // Of a streamed output's start, the last record read may have been cut short: the one after
    // the rows wanted, or the last there is.
    if (streams.cut && !read.empty()) read.pop_back();
    return read;
}

// A cell as a preview shows it: a CP932 one as it reads, and at most 200 characters, the rest
// ending in an ellipsis; the download has it whole, and a cell of a megabyte never reaches the page.
std::string shownText(const std::string& cell)
{
    constexpr std::size_t characters = 200;
    std::string text = vordanel::isUtf8(cell) ? cell : vordanel::utf8FromCp932(cell).value_or(cell);
    std::size_t at = 0;
    for (std::size_t n = 0; at < text.size(); ++at)
        if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 && n++ == characters) break;
    if (at < text.size()) text.replace(at, std::string::npos, "\u2026");
    return text;
}

std::string count(long long n) { return vordanel::word(vordanel::Word::rows_count, {std::to_string(n)}); }

// The rows without an answer and the failed ones, each reason in words with how many.
vordanel::cli::JsonArray reasons(const vordanel::cli::RowCounts& counts)
{
    vordanel::cli::JsonArray list;
    for (const auto* by : {&counts.failedBy, &counts.noAnswerBy})
        for (const auto& [key, n] : *by) list.text(vordanel::noteWords(key) + ": " + count(n));
    return list;
}

// weirs.csv → weirs-heads.csv
std::string headsName(std::string_view file)
{
    const auto dot = file.find_last_of('.');
    const auto slash = file.find_last_of("/\\");
    if (dot != std::string_view::npos && dot > 0 && (slash == std::string_view::npos || dot > slash + 1)) file = file.substr(0, dot);
    return std::string(file) + "-heads.csv";
}

// ---- The operator's record: the days of `series --daily` and its readings, bounded for a graph ----

// A stretch of readings on the clock, as a graph draws it: the first, last, least and greatest flow
// and their times, so that a year of readings, merged into a few thousand stretches, keeps its
// peaks and the shape of its line.
struct Stretch {
    std::int64_t index = 0;        // on the grid of the stretch's width
    std::int64_t from = 0, to = 0; // the first and last reading with a flow (or with none, noted)
    double first = 0, last = 0, min = 0, max = 0;
    std::int64_t minAt = 0, maxAt = 0;
    double maxHead = 0;
    long long flows = 0, noted = 0;
    bool breakBefore = false;      // the line does not come from the stretch before
    bool gapInside = false;        // nor runs across the stretch
};

void merge(Stretch& a, const Stretch& b)
{
    if (!b.flows) {
        a.noted += b.noted;
        if (!a.flows) a.from = std::min(a.from, b.from), a.to = std::max(a.to, b.to);
        return;
    }
    if (!a.flows) {
        const long long noted = a.noted + b.noted;
        const std::int64_t index = a.index;
        a = b;
        a.index = index, a.noted = noted;
        return;
    }
    a.gapInside = a.gapInside || b.gapInside || b.breakBefore;
    a.to = b.to, a.last = b.last;
    if (b.min < a.min) a.min = b.min, a.minAt = b.minAt;
    if (b.max > a.max) a.max = b.max, a.maxAt = b.maxAt, a.maxHead = b.maxHead;
    a.flows += b.flows;
    a.noted += b.noted;
}

// The readings in at most `limit` stretches of one width, doubled whenever they would be more.
class Stretches
{
public:
    static constexpr std::size_t limit = 4096;
    void clear() { *this = Stretches(); }
    void add(const vordanel::cli::SeriesReading& r)
    {
        if (!r.at) return;
        if (!origin_) origin_ = *r.at;
        const std::int64_t at = *r.at, index = (at - *origin_) / width_;
        if (at < *origin_) return;  // a reading out of order, counted in the days, not drawn
        if (list_.empty() || list_.back().index != index) {
            Stretch s;
            s.index = index, s.from = s.to = at;
            list_.push_back(s);
        }
        Stretch& s = list_.back();
        const bool noted = r.note && *r.note != vordanel::ReadingNote::BelowOpening;
        s.noted += noted;
        if (r.flow) {
            const double q = *r.flow;
            if (!s.flows) {
                s.from = at, s.first = s.min = s.max = q, s.minAt = s.maxAt = at, s.maxHead = r.headMm.value_or(0);
                s.breakBefore = r.breakBefore;
            } else {
                s.gapInside = s.gapInside || r.breakBefore;
                if (q < s.min) s.min = q, s.minAt = at;
                if (q > s.max) s.max = q, s.maxAt = at, s.maxHead = r.headMm.value_or(0);
            }
            s.to = at, s.last = q;
            ++s.flows;
        }
        end_ = std::max(end_, at);
        if (list_.size() > limit) coarsen();
    }
    // The stretches merged to about `columns` across the record.
    std::vector<Stretch> view(int columns) const
    {
        std::vector<Stretch> out;
        if (list_.empty()) return out;
        const std::int64_t span = std::max<std::int64_t>(end_ - *origin_, 1);
        const std::int64_t width = std::max<std::int64_t>(span / std::max(columns, 1), 1);
        for (const Stretch& s : list_) {
            const std::int64_t index = (s.from - *origin_) / width;
            if (!out.empty() && out.back().index == index) merge(out.back(), s);
            else out.push_back(s), out.back().index = index;
        }
        return out;
    }
    std::int64_t origin() const { return origin_.value_or(0); }

private:
    void coarsen()
    {
        width_ *= 2;
        std::vector<Stretch> merged;
        for (Stretch& s : list_) {
            s.index /= 2;
            if (!merged.empty() && merged.back().index == s.index) merge(merged.back(), s);
            else merged.push_back(s);
        }
        list_ = std::move(merged);
    }
    std::optional<std::int64_t> origin_;
    std::int64_t width_ = 1000, end_ = 0;
    std::vector<Stretch> list_;
};
Stretches stretches;

double inUnit(double cubicMetresPerMinute, vordanel::FlowUnit unit)
{
    return vordanel::fromLitresPerMinute(vordanel::toLitresPerMinute(cubicMetresPerMinute), unit);
}

// logger.csv → logger-flows.csv, logger-daily.csv
std::string withSuffix(std::string_view file, std::string_view suffix)
{
    std::string name = headsName(file);
    return name.substr(0, name.size() - std::string_view("-heads.csv").size()) + std::string(suffix);
}

// What the page shows of a `series --daily` run: the days as the companion wrote them, with the
// core's captions and notes in words, each day's start and volume for the graph, the readings in
// stretches, and the rules in a sentence; or why there is none.
std::string recordView(int status, int columns, std::string_view file, double ms)
{
    const vordanel::cli::SeriesReport& told = reports.series;
    const vordanel::FlowUnit unit = told.unit;
    using vordanel::cli::JsonArray;
    using vordanel::cli::JsonObject;
    const std::string& refusal = reports.refusal.empty() ? reports.series.refusal : reports.refusal;
    if (status == vordanel::cli::Failure) {
        const std::string why = !refusal.empty() ? refusal : streams.outLost ? vordanel::words::outOfMemory() : vordanel::word(vordanel::Word::job_failed_plain);
        return JsonObject().boolean("failed", true).text("message", why).str();
    }
    const auto read = records(1 << 30, 0);
    JsonArray captions, days, total;
    std::vector<std::size_t> shown;  // the columns the page's table shows: all but the day's start and the hours covered
    std::size_t volumeColumn = 0, notesColumn = 0, startColumn = 1;
    if (!read.empty())
        for (std::size_t k = 0; k < read.front().size(); ++k) {
            const std::string& key = read.front()[k];
            if (key == "volume_m3") volumeColumn = k;
            if (key == "notes") notesColumn = k;
            if (key == "start") startColumn = k;
            if (key == "start" || key == "covered_h") continue;
            shown.push_back(k);
            captions.text(vordanel::words::dailyCaption(key, unit));
        }
    const auto cellText = [&](const std::vector<std::string>& row, std::size_t k) {
        const std::string cell = k < row.size() ? shownText(row[k]) : std::string();
        if (k != notesColumn || cell.empty()) return cell;
        std::string words;
        for (std::size_t from = 0; from <= cell.size();) {
            const std::size_t to = std::min(cell.find(';', from), cell.size());
            words += (words.empty() ? "" : vordanel::word(vordanel::Word::list_separator)) + vordanel::japaneseDayNote(std::string_view(cell).substr(from, to - from));
            from = to + 1;
        }
        return words;
    };
    long long dayCount = 0;
    // The month's report: the days of each calendar month (by the date a day starts on), its total
    // volume to the places the days' volumes are written to, and its greatest day.
    struct Month {
        std::string name;
        JsonArray days;
        double total = 0, greatest = -1;
        std::string greatestDay, greatestText;
        int places = 0;
    };
    std::vector<Month> months;
    const auto placesOf = [](std::string_view text) {
        const auto point = text.find('.');
        return point == std::string_view::npos ? 0 : static_cast<int>(text.size() - point - 1);
    };
    for (std::size_t i = 1; i < read.size(); ++i) {
        const auto& row = read[i];
        JsonArray cells;
        for (const std::size_t k : shown) cells.text(k == 0 && i + 1 == read.size() ? vordanel::words::dailyTotal() : cellText(row, k));
        if (i + 1 == read.size()) {
            total = cells;
            break;
        }
        ++dayCount;
        std::string volume = volumeColumn < row.size() ? row[volumeColumn] : std::string();
        std::replace(volume.begin(), volume.end(), ',', '.');
        const auto start = vordanel::parseReadingTime(startColumn < row.size() ? std::string_view(row[startColumn]) : std::string_view());
        const bool complete = notesColumn >= row.size() || row[notesColumn].empty();
        const std::string day = row.empty() ? std::string() : row[0];
        if (months.empty() || months.back().name != day.substr(0, 7)) months.push_back({day.substr(0, 7)});
        Month& month = months.back();
        const double v = vordanel::readPlainNumber(volume);
        month.days.integer(dayCount - 1);
        month.total += v;
        month.places = std::max(month.places, placesOf(volume));
        if (v > month.greatest) month.greatest = v, month.greatestDay = day, month.greatestText = volumeColumn < row.size() ? row[volumeColumn] : "";
        days.object(JsonObject()
                        .array("cells", cells)
                        .boolean("complete", complete)
                        .number("start", start ? static_cast<double>(start->millis - stretches.origin()) : 0)
                        .number("volume", vordanel::readPlainNumber(volume)));
    }
    JsonArray report;
    for (const Month& m : months)
        report.object(JsonObject()
                          .text("month", m.name)
                          .array("days", m.days)
                          .text("total", vordanel::word(vordanel::Word::report_month_total, {vordanel::fixedText(m.total, m.places)}))
                          .text("greatest", vordanel::word(vordanel::Word::report_greatest_day, {m.greatestDay, m.greatestText})));
    JsonArray points;
    long long readings = 0;
    for (const Stretch& s : stretches.view(columns)) {
        readings += s.flows;
        const double o = static_cast<double>(stretches.origin());
        JsonObject point;
        point.number("from", static_cast<double>(s.from) - o).number("to", static_cast<double>(s.to) - o).integer("flows", s.flows)
            .integer("noted", s.noted);
        if (s.flows) {
            point.number("first", inUnit(s.first, unit)).number("last", inUnit(s.last, unit))
                .number("min", inUnit(s.min, unit)).number("min_at", static_cast<double>(s.minAt) - o)
                .number("max", inUnit(s.max, unit)).number("max_at", static_cast<double>(s.maxAt) - o)
                .boolean("break", s.breakBefore).boolean("gap_inside", s.gapInside)
                .text("said", vordanel::readingTimeText(s.maxAt) + std::string(vordanel::word(vordanel::Word::wide_space)) + std::string(vordanel::headCaption()) + " "
                                  + vordanel::hundredthsText(s.maxHead) + std::string(vordanel::word(vordanel::Word::wide_space)) + vordanel::flowCaption(unit) + " "
                                  + vordanel::flowText(vordanel::toLitresPerMinute(s.max), unit));
        }
        points.object(point);
    }
    return JsonObject()
        .boolean("failed", false)
        .array("captions", captions)
        .array("days", days)
        .array("total", total)
        .array("points", points)
        .array("months", report)
        .number("origin", static_cast<double>(stretches.origin()))
        .text("origin_text", vordanel::readingTimeText(stretches.origin()))
        .text("flow_axis", vordanel::flowCaption(unit))
        .text("volume_axis", vordanel::words::volumeAxis())
        .text("complete_word", vordanel::words::dailyComplete())
        .text("stale", vordanel::words::recordStale())
        .text("rules", vordanel::words::recordRules(told.dayStart, told.maxGapMinutes, told.maxGapDefault, told.uncertainties[0],
                                                         told.uncertainties[1], told.uncertainties[2]))
        .text("summary", vordanel::words::recordSummary(file, dayCount, readings, ms / 1000))
        .text("readings_name", withSuffix(file, "-flows.csv"))
        .text("daily_name", withSuffix(file, "-daily.csv"))
        .str();
}

}  // namespace

extern "C" {

// vordanel-cli in the page: the arguments after the program's name as one JSON array of texts
// (request.h), standard input through Module.readInput. Answers {"status":n,"stdout":[address,
// size],"stderr":[address,size]}: what it wrote stays on the module's heap, bytes as they are,
// until vordanel_release.
const char* vordanel_run(const char* request)
{
    const vordanel::glue::Request r(request);
    std::vector<std::string> argv{"vordanel-cli"};
    for (std::size_t i = 0; i < r.size(); ++i) argv.emplace_back(r.text(i));
    // A record's readings are drawn from the run that makes its days.
    stretches.clear();
    reports.series.onReading = [](const vordanel::cli::SeriesReading& r) { stretches.add(r); };
    const int status =
        withStreams([&](std::FILE* in, std::FILE* out, std::FILE* err) { return vordanel::cli::run(argv, in, out, err, &reports); });
    const auto bytes = [](const char* data, std::size_t size) {
        return vordanel::cli::JsonArray().integer(static_cast<long long>(reinterpret_cast<std::uintptr_t>(data))).integer(static_cast<long long>(size));
    };
    static std::string ran;
    ran = vordanel::cli::JsonObject()
              .integer("status", status)
              .array("stdout", bytes(streams.out, streams.outSize))
              .array("stderr", bytes(streams.err, streams.errSize))
              .str();
    return ran.c_str();
}

// The core's reading of what the last table or batch wrote, for the page to show: its first `rows`
// rows with the columns' captions and the notes in words, how many rows there are, and what to say
// of them; or, where it made nothing, why, in Japanese. `file` names the batch's file and `ms` is
// how long it took. {"failed":true,"message":…} or {"failed":false,"captions":[…],"rows":[[…]],
// "count":n,"summary":…} with a table's "printed" and "sheet_note" or a batch's "no_head" (a flag
// a row), "reasons" and "file_name"; for `series --daily`, recordView's. The request: [status, rows, file, ms].
static const char* readingOf(int status, int rows, const char* file, std::size_t fileSize, double ms)
{
    using vordanel::cli::JsonArray;
    using vordanel::cli::JsonObject;
    static std::string view;
    // A record's view: `rows` is then the graph's width in columns.
    if (reports.command == "series") return view = recordView(status, rows, {file, fileSize}, ms), view.c_str();
    const bool batch = reports.command == "batch";
    const std::string& refusal = !reports.refusal.empty() ? reports.refusal : batch ? reports.batch.refusal : reports.table.refusal;
    const vordanel::cli::RowCounts& counts = batch ? static_cast<const vordanel::cli::RowCounts&>(reports.batch) : reports.table.counts;
    // A table or batch that stopped on the way made nothing, whatever rows it wrote before it stopped.
    const bool nothing = !counts.whole || (status == vordanel::cli::Failure && !refusal.empty());
    // A gauge is the command's output as it is: the page needs only to know whether it was drawn.
    if (reports.command == "gauge" && status == vordanel::cli::Answer) return view = JsonObject().boolean("failed", false).str(), view.c_str();
    if (nothing || (reports.command != "table" && !batch)) {
        const std::string why = !refusal.empty() ? refusal : streams.outLost ? vordanel::words::outOfMemory() : vordanel::word(vordanel::Word::job_failed_plain);
        view = JsonObject().boolean("failed", true).text("message", why).str();
        return view.c_str();
    }
    const auto read = records(rows + 1, batch ? reports.batch.titleLines : 0);
    // Rows shown: as many as asked, unless a streamed output's kept start held fewer.
    const long long shownRows = read.empty() ? 0 : static_cast<long long>(read.size()) - 1;
    const std::vector<std::string> header = read.empty() ? std::vector<std::string>() : read.front();
    // A table's columns are the companion's keys, shown by their captions; a batch's are the
    // sheet's own. The note column is where the command put it.
    std::size_t note = batch ? reports.batch.noteColumn : header.size();
    JsonArray captions;
    for (std::size_t k = 0; k < header.size(); ++k) {
        if (!batch && header[k] == "note") note = k;
        captions.text(batch ? shownText(header[k]) : vordanel::captionOf(header[k]).value_or(header[k]));
    }
    JsonArray shown, noHead;
    for (std::size_t i = 1; i < read.size(); ++i) {
        JsonArray cells;
        for (std::size_t k = 0; k < read[i].size(); ++k) cells.text(k == note ? vordanel::noteWords(shownText(read[i][k])) : shownText(read[i][k]));
        shown.array(cells);
        if (batch) noHead.boolean(reports.batch.headColumn >= read[i].size() || read[i][reports.batch.headColumn].empty());
    }
    std::string summary;
    JsonObject json;
    json.boolean("failed", false).array("captions", captions).array("rows", shown).integer("count", counts.rows);
    if (batch) {
        summary = vordanel::word(vordanel::Word::batch_summary, {std::string_view(file, fileSize), count(counts.rows), count(counts.failed),
                                                                 count(counts.noAnswer), vordanel::roundedText(ms / 1000, 2)});
        if (counts.rows > shownRows) summary += vordanel::word(vordanel::Word::batch_shown_first, {count(shownRows)});
        // Saved as the sheet came, which the one who opens it next must know.
        const auto& b = reports.batch;
        const std::string separator = b.separator == '\t' ? std::string(vordanel::word(vordanel::Word::separator_tab))
                                                           : vordanel::word(vordanel::Word::separator_quoted, {std::string_view(&b.separator, 1)});
        summary += vordanel::word(vordanel::Word::batch_saved_as,
                                  {b.encoding == std::string_view("shift_jis") ? "Shift_JIS (CP932)" : b.byteOrderMark ? std::string(vordanel::word(vordanel::Word::encoding_bom)) : "UTF-8",
                                   separator, b.lineEnd == "\r\n" ? "CR LF" : b.lineEnd == "\r" ? "CR" : "LF"});
        json.array("no_head", noHead).array("reasons", reasons(counts)).text("file_name", headsName({file, fileSize}))
            .text("encoding", reports.batch.encoding);
    } else {
        constexpr int printed = 1000;  // a table's rows on paper; the CSV holds them all
        summary = count(counts.rows);
        if (counts.rows > shownRows) summary += vordanel::word(vordanel::Word::table_shown_first, {count(shownRows)});
        if (counts.failed) summary += vordanel::word(vordanel::Word::table_failed_rows, {count(counts.failed)});
        if (counts.noAnswer) summary += vordanel::word(vordanel::Word::table_unanswered_rows, {count(counts.noAnswer)});
        // On paper the numbers stand at fixed places a column (heads and readings to 0.01 mm, flows to
        // their unit's resolution), so that their decimal points line up.
        std::vector<std::optional<int>> places;
        for (const std::string& key : header) {
            std::optional<int> decimals;
            if (key == "head_mm" || key == "reading_mm") decimals = 2;
            for (const vordanel::FlowUnit unit : vordanel::flowUnits)
                if (key == std::string("flow_") + vordanel::names(unit).key) decimals = vordanel::names(unit).decimals;
            places.push_back(decimals);
        }
        // And the figures alone, without the notes, for the operator's card.
        JsonArray paper, figures, figureCaptions, notes;
        for (std::size_t k = 0; k < header.size(); ++k)
            if (k != note) figureCaptions.text(vordanel::captionOf(header[k]).value_or(header[k]));
        for (std::size_t i = 1; i < read.size() && i <= static_cast<std::size_t>(printed); ++i) {
            JsonArray cells, numbers, rowNotes;
            for (std::size_t k = 0; k < read[i].size(); ++k) {
                const std::string& cell = read[i][k];
                // Each of a row's notes on its own, for the sheet's legend to explain once.
                if (k == note)
                    for (std::string_view rest = cell; !rest.empty();) {
                        const auto end = rest.find(';');
                        if (const auto piece = rest.substr(0, end); !piece.empty()) rowNotes.text(vordanel::noteWords(piece));
                        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
                    }
                const std::string shown = k < places.size() && places[k] && !cell.empty()
                                              ? vordanel::fixedText(vordanel::readPlainNumber(cell), *places[k]) : cell;
                cells.text(k == note ? vordanel::noteWords(cell) : shown);
                if (k != note) numbers.text(shown);
            }
            paper.array(cells);
            figures.array(numbers);
            notes.array(rowNotes);
        }
        json.array("printed_rows", paper)
            .array("figures", figures)
            .array("figure_captions", figureCaptions)
            .integer("printed", printed)
            .integer("note_column", note < header.size() ? static_cast<long long>(note) : -1)
            .array("printed_notes", notes)
            .text("sheet_note", counts.rows > printed ? vordanel::word(vordanel::Word::sheet_table_first, {count(counts.rows), count(printed)})
                                                      : vordanel::word(vordanel::Word::sheet_table_all, {count(counts.rows)}))
            .array("reasons", reasons(counts));
    }
    view = json.text("summary", summary).str();
    return view.c_str();
}

const char* vordanel_view(const char* request)
{
    const vordanel::glue::Request r(request);
    return readingOf(static_cast<int>(r.number(0)), static_cast<int>(r.number(1)), r.text(2).data(), r.text(2).size(), r.number(3));
}

void vordanel_release() { freeStreams(); }

}  // extern "C"
