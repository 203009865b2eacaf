#include "commands.h"

#include "csv.h"
#include "output.h"

#include "vordanel/curve.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
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

int lostOutput(std::FILE* err)
{
    std::fprintf(err, "vordanel-cli: the output could not be written: %s\n", std::strerror(errno ? errno : EIO));
    return Failure;
}

void reportFault(std::FILE* err, const Calculation& c)
{
    if (c.faultInput)
        std::fprintf(err, "vordanel-cli: --%s: %s\n", inputKey(*c.faultInput), describe(c.fault));
    else
        std::fprintf(err, "vordanel-cli: %s\n", describe(c.fault));
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

// A head or a flow for a sentence: to 0.01, as the window shows heads.
std::string twoDecimals(double value) { return displayText(std::round(value * 100) / 100); }

// The note column of table and batch rows: what the window would add to the numbers, then what
// the companion knows besides; several join with ';'.
void putNote(Output& o, const Calculation& c, bool twoHeads)
{
    std::string_view first;
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        first = "empty_entry";
        break;
    case Calculation::Outcome::Converged:
        first = c.aboveWeir ? "above_weir" : "";
        break;
    case Calculation::Outcome::NoSolution:
        first = "no_solution";
        break;
    case Calculation::Outcome::Fault:
        first = faultKey(c.fault);
        break;
    }
    bool any = !first.empty();
    o << first;
    const auto add = [&](std::string_view note) {
        if (any) o << ';';
        o << note;
        any = true;
    };
    if (c.outcome == Calculation::Outcome::Converged && !c.search.toleranceMet) add("stalled");
    if (twoHeads) add("two_heads");
}

// head_mm,trials,note of one row.
void putResultCells(Output& o, const Calculation& c, bool twoHeads)
{
    if (c.outcome == Calculation::Outcome::Converged) o.number(c.headMillimetres) << ',' << c.search.trialCount;
    else o << ',';
    o << ',';
    putNote(o, c, twoHeads);
}

bool twoHeadsIn(const Curve& curve, const Calculation& c)
{
    if (c.outcome != Calculation::Outcome::Converged && c.outcome != Calculation::Outcome::NoSolution) return false;
    return holdsTwoHeads(curve, c.Q, c.xLow, c.xHigh, c.search.fLowFirst, c.search.fHighFirst);
}

// Why a flow has no head on the rising side, with the weir's greatest flow.
std::string noHeadSentence(const Curve& curve, double Q)
{
    const std::string peak = "a " + displayText(curve.weir.diameter() * 1000) + " mm weir passes at most "
                             + twoDecimals(curve.peakFlow * 1000) + " L/min by this formula, at a head of "
                             + twoDecimals(curve.peakHead * 1000) + " mm";
    if (!(Q > 0)) return "No head: a flow of zero or less has none (" + peak + ").";
    if (Q > curve.peakFlow) return "No head: the flow is above the greatest there is (" + peak + ").";
    return "No head: the flow is too small for the formula to resolve a head above zero (" + peak + ").";
}

std::string jsonPasses(const std::vector<Pass>& passes)
{
    std::string json = ",\"passes\":[";
    for (const Pass& p : passes) {
        if (&p != &passes.front()) json += ",";
        json += "{\"pass\":" + std::to_string(p.trialCount) + ",\"xLow\":" + roundTripText(p.xLow)
                + ",\"xHigh\":" + roundTripText(p.xHigh) + ",\"xMid\":" + roundTripText(p.xMid)
                + ",\"fLow\":" + roundTripText(p.fLow) + ",\"fHigh\":" + roundTripText(p.fHigh)
                + ",\"fMid\":" + roundTripText(p.fMid) + ",\"step\":\"" + stepKey(p.step) + "\"}";
    }
    return json + "]";
}

void putTextPasses(std::FILE* out, const std::vector<Pass>& passes)
{
    std::fprintf(out, "%4s  %-22s  %-22s  %-22s  %-24s  %-24s  %-24s  %s\n", "pass", "xLow (m)", "xHigh (m)",
                 "xMid (m)", "fLow (m^3/min)", "fHigh (m^3/min)", "fMid (m^3/min)", "step");
    for (const Pass& p : passes)
        std::fprintf(out, "%4d  %-22s  %-22s  %-22s  %-24s  %-24s  %-24s  %s\n", p.trialCount,
                     roundTripText(p.xLow).c_str(), roundTripText(p.xHigh).c_str(), roundTripText(p.xMid).c_str(),
                     roundTripText(p.fLow).c_str(), roundTripText(p.fHigh).c_str(), roundTripText(p.fMid).c_str(),
                     stepKey(p.step));
}

int finish(std::FILE* out, std::FILE* err, int status)
{
    if (std::fflush(out) != 0 || std::ferror(out)) return lostOutput(err);
    return status;
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

int head(const HeadOptions& options, std::FILE* out, std::FILE* err)
{
    std::vector<Pass> passes;
    PassObserver observer;
    if (options.trace) observer = [&](const Pass& p) { passes.push_back(p); };
    const Calculation c =
        options.bracket
            ? calculate({options.diameter, options.flow, options.bracket->min, options.bracket->max}, ".", observer)
            : calculateRising({options.diameter, options.flow, "", ""}, ".", observer);

    if (c.outcome == Calculation::Outcome::Incomplete) {
        std::fprintf(err, "vordanel-cli: every entry needs a value: --diameter, --flow%s\n",
                     options.bracket ? ", --min and --max" : "");
        return Failure;
    }
    if (c.outcome == Calculation::Outcome::Fault) reportFault(err, c);

    // What the curve adds: the other head a bracket holds, or why there is no head without one.
    std::optional<Curve> curve;
    if (c.outcome != Calculation::Outcome::Fault) curve = curveOf(c.D);
    std::optional<double> otherHead;
    if (curve && options.bracket && c.outcome == Calculation::Outcome::Converged && twoHeadsIn(*curve, c)) {
        const auto other = c.search.xMid <= curve->peakHead ? fallingHead(*curve, c.Q) : risingHead(*curve, c.Q);
        if (other.outcome == SearchResult::Outcome::Converged) otherHead = shownHeadMillimetres(other.xMid);
    }
    const bool noHead = !options.bracket && c.outcome == Calculation::Outcome::NoSolution;

    if (options.json) {
        std::string json = "{";
        switch (c.outcome) {
        case Calculation::Outcome::Converged:
            json += "\"outcome\":\"converged\",\"head_mm\":\"" + displayText(c.headMillimetres) + "\",\"head_m\":"
                    + roundTripText(c.search.xMid) + ",\"trials\":" + std::to_string(c.search.trialCount)
                    + ",\"above_weir\":" + (c.aboveWeir ? "true" : "false")
                    + ",\"tolerance_met\":" + (c.search.toleranceMet ? "true" : "false");
            if (otherHead) json += ",\"other_head_mm\":\"" + displayText(*otherHead) + "\"";
            break;
        case Calculation::Outcome::NoSolution:
            json += "\"outcome\":\"no_solution\"";
            if (noHead)
                json += ",\"max_flow_lpm\":" + roundTripText(curve->peakFlow * 1000)
                        + ",\"peak_head_mm\":" + roundTripText(curve->peakHead * 1000);
            break;
        default:
            json += "\"outcome\":\"fault\",\"kind\":\"" + std::string(faultKey(c.fault)) + "\"";
            if (c.faultInput) json += ",\"input\":\"" + std::string(inputKey(*c.faultInput)) + "\"";
            break;
        }
        if (options.trace) json += jsonPasses(passes);
        json += "}\n";
        std::fwrite(json.data(), 1, json.size(), out);
        return finish(out, err, exitFor(c));
    }

    if (options.trace) putTextPasses(out, passes);
    switch (c.outcome) {
    case Calculation::Outcome::Converged:
        std::fprintf(out, "%s %s\n%s %d\n", headCaption.data(), displayText(c.headMillimetres).c_str(),
                     trialsCaption.data(), c.search.trialCount);
        if (c.aboveWeir) std::fprintf(out, "%s\n", aboveWeirMessage.data());
        if (!c.search.toleranceMet)
            std::fprintf(out, "The search stopped between two adjacent doubles without meeting its tolerance "
                              "(0.01 L/min): the head is as close as double precision gets.\n");
        if (otherHead)
            std::fprintf(out, "This bracket holds two heads, one on each side of the curve's peak at %s mm; "
                              "the other is %s mm.\n",
                         twoDecimals(curve->peakHead * 1000).c_str(), displayText(*otherHead).c_str());
        break;
    case Calculation::Outcome::NoSolution:
        std::fprintf(out, "%s\n", noHead ? noHeadSentence(*curve, c.Q).c_str() : noSolutionMessage.data());
        break;
    default:
        break;
    }
    return finish(out, err, exitFor(c));
}

int table(const TableOptions& options, std::FILE* out, std::FILE* err)
{
    std::vector<std::pair<std::string_view, const char*>> fixed = {{options.diameter, "--diameter"}};
    if (options.bracket) fixed.insert(fixed.end(), {{options.bracket->min, "--min"}, {options.bracket->max, "--max"}});
    std::vector<double> numbers;
    for (const auto& [text, name] : fixed) {
        const auto parsed = parseNumber(text);
        if (parsed.fault) {
            std::fprintf(err, "vordanel-cli: %s: %s\n", name, describe(*parsed.fault));
            return Failure;
        }
        numbers.push_back(toMetres(parsed.value));
    }

    const auto usage = [&](const char* why) {
        std::fprintf(err, "vordanel-cli: --flows: %s (expected FROM:TO:STEP in L/min, e.g. 10:100:10)\n", why);
        return Failure;
    };
    const std::string_view flows = options.flows;
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

    // The weir's terms and curve once for the whole table.
    const double D = numbers[0];
    const Curve curve = curveOf(D);
    Output o(out);
    o << "flow_lpm,head_mm,trials,note\n";
    int worst = Answer;
    for (long long i = 0; i < rows; ++i) {
        // Each row is solved from the flow as it is printed, exactly as the window would solve it;
        // the printed text is in the plain form from_chars reads as parseNumber would.
        char flowText[32];
        char* const flowEnd = writeDisplayText(flowText, flowText + sizeof flowText, from.value + static_cast<double>(i) * step.value);
        double flowLpm = 0;
        std::from_chars(flowText, flowEnd, flowLpm);
        const double Q = toCubicMetresPerMinute(flowLpm);
        const Calculation c = options.bracket ? solve(D, Q, numbers[1], numbers[2]) : solveRising(curve, Q);
        o << std::string_view(flowText, static_cast<std::size_t>(flowEnd - flowText)) << ',';
        putResultCells(o, c, options.bracket && twoHeadsIn(curve, c));
        o << '\n';
        worst = std::max(worst, exitFor(c));
        if (!o.flushIfFull()) return lostOutput(err);
    }
    if (!o.flush()) return lostOutput(err);
    return worst;
}

int batch(std::FILE* in, std::FILE* out, std::FILE* err)
{
    CsvReader reader(in);
    Output o(out);
    int worst = Answer;
    long long failed = 0;
    std::vector<std::string> fields;
    std::optional<BatchColumns> columns;  // from a header row; none: the first columns are the entries

    bool first = true;
    while (reader.next(fields)) {
        if (first) {
            first = false;
            if (looksLikeHeader(fields)) {
                std::string why;
                columns = findColumns(fields, why);
                if (!columns) {
                    std::fprintf(err, "vordanel-cli: batch: %s\n", why.c_str());
                    return Failure;
                }
                putCsvRow(o, fields, columns->width);
                o << ",head_mm,trials,note\n";
                continue;
            }
            o << "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n";
        }
        const BatchRow row = columns ? rowByHeader(fields, *columns) : rowByPosition(fields);
        if (row.malformed) {
            putCsvRow(o, row.cells, row.width);
            o << ",,,malformed_row";
            worst = Failure;
            ++failed;
        } else {
            putCsvRow(o, row.cells, row.width);
            o << ',';
            Calculation c;
            bool twoHeads = false;
            if (row.bracketed) {
                c = calculate({row.entries[0], row.entries[1], row.entries[2], row.entries[3]});
                if (c.outcome == Calculation::Outcome::Converged || c.outcome == Calculation::Outcome::NoSolution)
                    twoHeads = twoHeadsIn(curveOf(c.D), c);
            } else {
                c = calculateRising({row.entries[0], row.entries[1], "", ""});
            }
            putResultCells(o, c, twoHeads);
            if (exitFor(c) == Failure) ++failed;
            worst = std::max(worst, exitFor(c));
        }
        putCsvTail(o, row.tail);
        o << '\n';
        if (!o.flushIfFull()) return lostOutput(err);
    }
    if (first) o << "diameter_mm,flow_lpm,min_mm,max_mm,head_mm,trials,note\n";
    if (!o.flush()) return lostOutput(err);
    if (reader.failed()) {
        std::fprintf(err, "vordanel-cli: batch: reading the input failed after line %lld\n", reader.lineNumber());
        return Failure;
    }
    if (failed > 0) std::fprintf(err, "vordanel-cli: batch: %lld row(s) failed; see the note column\n", failed);
    return worst;
}

int flow(const FlowOptions& options, std::FILE* out, std::FILE* err)
{
    const auto d = parseNumber(options.diameter);
    if (d.fault) {
        std::fprintf(err, "vordanel-cli: --diameter: %s\n", describe(*d.fault));
        return Failure;
    }
    const auto h = parseNumber(options.head);
    if (h.fault) {
        std::fprintf(err, "vordanel-cli: --head: %s\n", describe(*h.fault));
        return Failure;
    }
    const double D = toMetres(d.value), head = toMetres(h.value);
    const Curve curve = curveOf(D);
    double F = 0;
    if (const auto fault = curve.weir.residual(F, head, 0)) {
        std::fprintf(err, "vordanel-cli: %s: %s\n", D > 0 ? "--head" : "--diameter", describe(*fault));
        return Failure;
    }
    const double litresPerMinute = toLitresPerMinute(F);
    if (!std::isfinite(litresPerMinute)) {
        std::fprintf(err, "vordanel-cli: %s\n", describe(Fault::Overflow));
        return Failure;
    }
    if (litresPerMinute < 0) {
        std::fprintf(out,
                     "The formula gives no flow at this head: over a %s mm weir its discharge falls to zero at %s mm "
                     "(%s times the diameter) and is negative above.\n",
                     displayText(d.value).c_str(), twoDecimals(curve.zeroHead * 1000).c_str(),
                     twoDecimals(zeroRatio()).c_str());
        return finish(out, err, NoSolution);
    }
    std::fprintf(out, "%s %s\n", flowCaption.data(), displayText(litresPerMinute).c_str());
    if (!curve.fault && head > curve.peakHead)
        std::fprintf(out,
                     "This head lies on the falling side of the curve: above %s mm, where the flow peaks at %s L/min, "
                     "more head gives less flow.\n",
                     twoDecimals(curve.peakHead * 1000).c_str(), twoDecimals(curve.peakFlow * 1000).c_str());
    return finish(out, err, Answer);
}

}  // namespace vordanel::cli
