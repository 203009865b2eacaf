#include "commands.h"

#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace vordanel::cli {

namespace {

constexpr std::string_view headCaption = "越流高さ(mm) [底部から]";
constexpr std::string_view trialsCaption = "Trial回数";
constexpr std::string_view flowCaption = "流量(L/min)";
constexpr std::string_view aboveWeirMessage = "流量過大のため堰の範囲を越えています。";
constexpr std::string_view noSolutionMessage = "解がありません、挟み込み範囲を変更して下さい。";

// Guards a table against a step so small that it would run for ever.
constexpr double maxTableRows = 100'000'000;

void put(std::FILE* out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

const char* stepKey(Step step)
{
    switch (step) {
    case Step::Converged:
        return "converged";
    case Step::RaiseLow:
        return "xLow = xMid";
    case Step::LowerHigh:
        return "xHigh = xMid";
    case Step::NoSignChange:
        return "no sign change";
    case Step::Stalled:
        return "stalled between adjacent doubles";
    }
    return "";
}

void reportFault(std::FILE* err, const Calculation& c)
{
    if (c.faultInput)
        std::fprintf(err, "vordanel-cli: --%s: %s\n", inputKey(*c.faultInput), describe(c.fault));
    else
        std::fprintf(err, "vordanel-cli: %s\n", describe(c.fault));
}

// The note column of table and batch rows: what the window would add to the numbers.
std::string_view note(const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        return "empty_entry";
    case Calculation::Outcome::Converged:
        return c.aboveWeir ? "above_weir" : "";
    case Calculation::Outcome::NoSolution:
        return "no_solution";
    case Calculation::Outcome::Fault:
        return faultKey(c.fault);
    }
    return "";
}

int exitFor(const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Converged:
        return Answer;
    case Calculation::Outcome::NoSolution:
        return NoSolution;
    default:
        return Failure;
    }
}

// The shown head and the trial count of a converged row, empty cells otherwise.
void putResultCells(std::FILE* out, const Calculation& c)
{
    if (c.outcome == Calculation::Outcome::Converged) {
        put(out, displayText(c.headMillimetres));
        put(out, ",");
        put(out, displayText(c.search.trialCount));
    } else {
        put(out, ",");
    }
    put(out, ",");
    put(out, note(c));
    put(out, "\n");
}

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

void putCsvField(std::FILE* out, std::string_view field)
{
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        put(out, field);
        return;
    }
    put(out, "\"");
    for (const char c : field) {
        if (c == '"') put(out, "\"");
        put(out, std::string_view(&c, 1));
    }
    put(out, "\"");
}

// A first line none of whose fields is a number, with a letter somewhere, names the columns.
bool isHeader(const std::vector<std::string>& fields)
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

bool readLine(std::FILE* in, std::string& line)
{
    line.clear();
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') line += static_cast<char>(c);
    if (c == EOF && line.empty()) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

const char* faultKey(Fault fault)
{
    switch (fault) {
    case Fault::NotANumber:
        return "not_a_number";
    case Fault::DivisionByZero:
        return "division_by_zero";
    case Fault::InvalidArgument:
        return "invalid_argument";
    case Fault::Overflow:
        return "overflow";
    }
    return "";
}

const char* inputKey(Input input)
{
    switch (input) {
    case Input::Diameter:
        return "diameter";
    case Input::Flow:
        return "flow";
    case Input::Min:
        return "min";
    case Input::Max:
        return "max";
    }
    return "";
}

int head(const Entries& entries, const HeadOptions& options, std::FILE* out, std::FILE* err)
{
    std::vector<Pass> passes;
    PassObserver observer;
    if (options.trace) observer = [&](const Pass& p) { passes.push_back(p); };
    const Calculation c = calculate(entries, ".", observer);

    if (c.outcome == Calculation::Outcome::Incomplete) {
        std::fprintf(err, "vordanel-cli: every entry needs a value: --diameter, --flow, --min and --max\n");
        return Failure;
    }
    if (c.outcome == Calculation::Outcome::Fault) reportFault(err, c);

    if (options.json) {
        std::string json = "{";
        switch (c.outcome) {
        case Calculation::Outcome::Converged:
            json += "\"outcome\":\"converged\",\"head_mm\":\"" + displayText(c.headMillimetres) + "\",\"head_m\":"
                    + roundTripText(c.search.xMid) + ",\"trials\":" + std::to_string(c.search.trialCount)
                    + ",\"above_weir\":" + (c.aboveWeir ? "true" : "false");
            break;
        case Calculation::Outcome::NoSolution:
            json += "\"outcome\":\"no_solution\"";
            break;
        default:
            json += "\"outcome\":\"fault\",\"kind\":\"" + std::string(faultKey(c.fault)) + "\"";
            if (c.faultInput) json += ",\"input\":\"" + std::string(inputKey(*c.faultInput)) + "\"";
            break;
        }
        if (options.trace) {
            json += ",\"passes\":[";
            for (const Pass& p : passes) {
                if (&p != &passes.front()) json += ",";
                json += "{\"pass\":" + std::to_string(p.trialCount) + ",\"xLow\":" + roundTripText(p.xLow)
                        + ",\"xHigh\":" + roundTripText(p.xHigh) + ",\"xMid\":" + roundTripText(p.xMid)
                        + ",\"fMid\":" + roundTripText(p.fMid) + ",\"step\":\"" + stepKey(p.step) + "\"}";
            }
            json += "]";
        }
        json += "}\n";
        put(out, json);
        return exitFor(c);
    }

    if (options.trace) {
        std::fprintf(out, "%4s  %-22s  %-22s  %-22s  %-24s  %s\n", "pass", "xLow (m)", "xHigh (m)", "xMid (m)",
                     "fMid (m^3/min)", "step");
        for (const Pass& p : passes)
            std::fprintf(out, "%4d  %-22s  %-22s  %-22s  %-24s  %s\n", p.trialCount, roundTripText(p.xLow).c_str(),
                         roundTripText(p.xHigh).c_str(), roundTripText(p.xMid).c_str(),
                         roundTripText(p.fMid).c_str(), stepKey(p.step));
    }
    switch (c.outcome) {
    case Calculation::Outcome::Converged:
        std::fprintf(out, "%s %s\n%s %d\n", headCaption.data(), displayText(c.headMillimetres).c_str(),
                     trialsCaption.data(), c.search.trialCount);
        if (c.aboveWeir) std::fprintf(out, "%s\n", aboveWeirMessage.data());
        break;
    case Calculation::Outcome::NoSolution:
        std::fprintf(out, "%s\n", noSolutionMessage.data());
        break;
    default:
        break;
    }
    return exitFor(c);
}

int table(std::string_view diameter, std::string_view min, std::string_view max, std::string_view flows,
          std::FILE* out, std::FILE* err)
{
    const std::pair<std::string_view, const char*> fixed[] = {
        {diameter, "--diameter"}, {min, "--min"}, {max, "--max"}};
    for (const auto& [text, name] : fixed) {
        const auto parsed = parseNumber(text);
        if (parsed.fault) {
            std::fprintf(err, "vordanel-cli: %s: %s\n", name, describe(*parsed.fault));
            return Failure;
        }
    }

    const auto usage = [&](const char* why) {
        std::fprintf(err, "vordanel-cli: --flows: %s (expected FROM:TO:STEP in L/min, e.g. 10:100:10)\n", why);
        return Failure;
    };
    const auto firstColon = flows.find(':');
    const auto secondColon = firstColon == std::string_view::npos ? firstColon : flows.find(':', firstColon + 1);
    if (secondColon == std::string_view::npos || flows.find(':', secondColon + 1) != std::string_view::npos)
        return usage("not three numbers separated by colons");
    const auto from = parseNumber(flows.substr(0, firstColon));
    const auto to = parseNumber(flows.substr(firstColon + 1, secondColon - firstColon - 1));
    const auto step = parseNumber(flows.substr(secondColon + 1));
    if (from.fault || to.fault || step.fault) return usage("a bound or the step is not a number");
    if (!(step.value > 0)) return usage("the step must be above zero");
    if (to.value < from.value) return usage("TO is below FROM");
    // A hair of slack so that a TO reached by the steps is not lost to rounding.
    const double steps = std::floor((to.value - from.value) / step.value * (1 + 1e-12));
    if (!(steps < maxTableRows)) return usage("too many rows (more than 100000000)");
    const auto rows = static_cast<long long>(steps) + 1;

    put(out, "flow_lpm,head_mm,trials,note\n");
    int worst = Answer;
    for (long long i = 0; i < rows; ++i) {
        // Each row is solved from the flow as it is printed, exactly as the window would solve it.
        const std::string flowText = displayText(from.value + static_cast<double>(i) * step.value);
        const Calculation c = calculate({diameter, flowText, min, max});
        put(out, flowText);
        put(out, ",");
        putResultCells(out, c);
        worst = std::max(worst, exitFor(c));
    }
    return worst;
}

int batch(std::FILE* in, std::FILE* out, std::FILE* err)
{
    put(out, "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n");
    int worst = Answer;
    long long lineNumber = 0, failed = 0;
    bool first = true;
    std::string line;
    while (readLine(in, line)) {
        ++lineNumber;
        if (line.find_first_not_of(" \t") == std::string::npos) continue;
        const auto fields = splitCsv(line);
        const bool header = first && isHeader(fields);
        first = false;
        if (header) continue;
        for (std::size_t k = 0; k < 4; ++k) {
            putCsvField(out, k < fields.size() ? std::string_view(fields[k]) : std::string_view());
            put(out, ",");
        }
        if (fields.size() != 4) {
            put(out, ",,malformed_row\n");
            worst = Failure;
            ++failed;
            continue;
        }
        const Calculation c = calculate({fields[0], fields[1], fields[2], fields[3]});
        putResultCells(out, c);
        if (exitFor(c) == Failure) ++failed;
        worst = std::max(worst, exitFor(c));
    }
    if (std::ferror(in)) {
        std::fprintf(err, "vordanel-cli: batch: reading the input failed after line %lld\n", lineNumber);
        return Failure;
    }
    if (failed > 0) std::fprintf(err, "vordanel-cli: batch: %lld row(s) failed; see the note column\n", failed);
    return worst;
}

int flow(std::string_view diameter, std::string_view head, std::FILE* out, std::FILE* err)
{
    const auto d = parseNumber(diameter);
    if (d.fault) {
        std::fprintf(err, "vordanel-cli: --diameter: %s\n", describe(*d.fault));
        return Failure;
    }
    const auto h = parseNumber(head);
    if (h.fault) {
        std::fprintf(err, "vordanel-cli: --head: %s\n", describe(*h.fault));
        return Failure;
    }
    const double D = toMetres(d.value);
    double F = 0;
    if (const auto fault = FN1(F, toMetres(h.value), 0, D)) {
        std::fprintf(err, "vordanel-cli: %s: %s\n", D > 0 ? "--head" : "--diameter", describe(*fault));
        return Failure;
    }
    const double litresPerMinute = toLitresPerMinute(F);
    if (!std::isfinite(litresPerMinute)) {
        std::fprintf(err, "vordanel-cli: %s\n", describe(Fault::Overflow));
        return Failure;
    }
    std::fprintf(out, "%s %s\n", flowCaption.data(), displayText(litresPerMinute).c_str());
    return Answer;
}

}  // namespace vordanel::cli
