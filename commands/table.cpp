#include "table.h"

#include "gauge.h"
#include "output.h"
#include "words.h"

#include "vordanel/calculation.h"
#include "vordanel/catalogue.h"
#include "vordanel/numtext.h"
#include "vordanel/units.h"
#include "vordanel/words.h"

#include <algorithm>
#include <cmath>

namespace vordanel::cli {

namespace {

// Guards a table against a step so small that it would run for ever.
constexpr double maxTableRows = 100'000'000;

struct Steps {
    double from = 0, step = 0;
    long long rows = 0;
};

// Why FROM:TO:STEP makes no table, in English for standard error and in Japanese for the page.
struct StepsFault {
    const char* english;
    const char* japanese;
};
constexpr StepsFault notThree{"not three numbers separated by colons", word(Word::steps_not_three)};
constexpr StepsFault notNumbers{"a bound or the step is not a number", word(Word::steps_not_numbers)};
constexpr StepsFault stepNotPositive{"the step must be above zero", word(Word::steps_not_positive)};
constexpr StepsFault toBelowFrom{"TO is below FROM", word(Word::steps_to_below_from)};
// The cap stated as maxTableRows decides it.
const std::string tooManyEnglish = "too many rows (more than " + std::to_string(static_cast<long long>(maxTableRows)) + ")";
const std::string tooManyJapanese = word(Word::steps_too_many, {words::largeNumber(static_cast<long long>(maxTableRows))});
const StepsFault tooMany{tooManyEnglish.c_str(), tooManyJapanese.c_str()};

// FROM:TO:STEP, or why not.
std::optional<Steps> readSteps(std::string_view steps, const StepsFault*& why)
{
    const auto firstColon = steps.find(':');
    const auto secondColon = firstColon == std::string_view::npos ? firstColon : steps.find(':', firstColon + 1);
    if (secondColon == std::string_view::npos || steps.find(':', secondColon + 1) != std::string_view::npos) {
        why = &notThree;
        return std::nullopt;
    }
    const auto from = parseNumber(steps.substr(0, firstColon));
    const auto to = parseNumber(steps.substr(firstColon + 1, secondColon - firstColon - 1));
    const auto step = parseNumber(steps.substr(secondColon + 1));
    if (from.fault || to.fault || step.fault) why = &notNumbers;
    else if (!(step.value > 0)) why = &stepNotPositive;
    else if (to.value < from.value) why = &toBelowFrom;
    else {
        // A hair of slack so that a TO reached by the steps is not lost to rounding.
        const double count = std::floor((to.value - from.value) / step.value * (1 + 1e-12));
        if (count < maxTableRows) return Steps{from.value, step.value, static_cast<long long>(count) + 1};
        why = &tooMany;
    }
    return std::nullopt;
}

// Row i's value as printed, in the plain form that reads back as parseNumber would read it: each
// row is solved for what it shows, exactly as the window would solve the same text.
struct Printed {
    char text[32];
    std::size_t size;
    std::string_view view() const { return {text, size}; }
    double value() const { return readPlainNumber(view()); }
};
Printed printedStep(const Steps& steps, long long i)
{
    Printed p;
    p.size = static_cast<std::size_t>(writeDisplayText(p.text, p.text + sizeof p.text, steps.from + static_cast<double>(i) * steps.step) - p.text);
    return p;
}

// The rows of a table by flows: the head of each flow, in the bracket or on the rising side.
int headsByFlow(const Curve& curve, const std::optional<std::pair<double, double>>& bracket, const Steps& flows,
                FlowUnit unit, Output& o, RowCounts& counts, std::optional<Calculation>& firstFailure)
{
    o << "flow_" << names(unit).key << ",head_mm,trials,note\n";
    for (long long i = 0; i < flows.rows; ++i) {
        const Printed flow = printedStep(flows, i);
        const double Q = toCubicMetresPerMinute(toLitresPerMinute(flow.value(), unit));
        const Calculation c = bracket ? solve(curve.weir, Q, bracket->first, bracket->second) : solveRising(curve, Q);
        o << flow.view() << ',';
        if (c.outcome == Calculation::Outcome::Converged) o.number(c.headMillimetres) << ',' << c.search.trialCount;
        else o << ',';
        o << ',';
        putNote(o, c, bracket && holdsTwoHeads(curve, c));
        o << '\n';
        counts.count(c);
        if (exitFor(c) == Failure && !firstFailure) firstFailure = c;
        if (!o.flushIfFull()) return Failure;
    }
    return Answer;
}

// The rows of a table by heads: the flow at each head, with where it lies on the curve.
// With a gauge zero the steps are readings on the staff gauge, each listed beside its head.
int flowsByHead(const Curve& curve, const Steps& heads, FlowUnit unit, std::optional<double> gaugeZero, Output& o,
                RowCounts& counts, std::optional<Discharge>& firstFailure)
{
    if (gaugeZero) o << names(Input::Reading).column << ',';
    o << "head_mm,flow_" << names(unit).key << ",note\n";
    for (long long i = 0; i < heads.rows; ++i) {
        const Printed head = printedStep(heads, i);
        const double mm = gaugeZero ? headOfReading(head.value(), *gaugeZero) : head.value();
        const Discharge d = dischargeAt(curve, toMetres(mm));
        if (gaugeZero) o << head.view() << ',' << std::string_view(displayText(mm)) << ',';
        else o << head.view() << ',';
        std::string note;
        const auto add = [&](std::string_view key) { note.append(note.empty() ? "" : ";").append(key); };
        if (d.fault) {
            add(faultKey(*d.fault));
            counts.count(Failure, faultKey(*d.fault));
            if (!firstFailure) firstFailure = d;
        } else {
            if (!d.beyondZero) o << flowText(toLitresPerMinute(d.flow), unit);
            if (d.aboveWeir) add(names(Note::AboveWeir).key);
            if (d.fallingSide) add(names(Note::FallingSide).key);
            if (d.beyondZero) add(names(Note::NoFlow).key);
            counts.count(d.beyondZero ? NoSolution : Answer, names(Note::NoFlow).key);
        }
        o << ',' << note << '\n';
        if (!o.flushIfFull()) return Failure;
    }
    return Answer;
}

}  // namespace

int table(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport* report)
{
    TableReport unused;
    TableReport& told = report ? *report : unused;
    const auto refuse = [&](std::string japanese) {
        told.refusal = std::move(japanese);
        return Failure;
    };
    if (options.breakpoints) return breakpointTable(options, out, err, told);
    if (options.flows.empty() == options.heads.empty()) {
        std::fprintf(err, "vordanel-cli: table needs --flows FROM:TO:STEP or --heads FROM:TO:STEP "
                          "(see vordanel-cli table --help)\n");
        return refuse(word(Word::table_needs_steps));
    }
    const bool byHeads = !options.heads.empty();
    std::optional<Bracket> bracket = options.bracket;
    const BracketKind kind = bracket ? bracketKind(bracket->min, bracket->max) : BracketKind::None;
    if (kind == BracketKind::None) bracket.reset();  // the rising side
    if (kind == BracketKind::OneBlank) {
        std::fprintf(err, "vordanel-cli: every entry needs a value: --min and --max (or both blank for the rising side)\n");
        return refuse(word(Word::table_one_blank, {names(Input::Min).caption, names(Input::Max).caption}));
    }
    std::vector<std::pair<std::string_view, Input>> fixed = {{options.diameter, Input::Diameter}};
    if (bracket) fixed.insert(fixed.end(), {{bracket->min, Input::Min}, {bracket->max, Input::Max}});
    double numbers[3] = {};
    for (std::size_t k = 0; k < fixed.size(); ++k) {
        const auto parsed = parseNumber(fixed[k].first);
        if (parsed.fault) {
            reportFault(err, *parsed.fault, fixed[k].second);
            return refuse(words::fault(*parsed.fault, fixed[k].second));
        }
        numbers[k] = toMetres(parsed.value);
    }
    std::optional<double> gaugeZero;
    if (!options.gaugeZero.empty()) {
        if (!byHeads) {
            std::fprintf(err, "vordanel-cli: --gauge-zero goes with --heads (readings on the gauge)\n");
            return refuse(word(Word::table_zero_heads_only));
        }
        const auto zero = parseNumber(options.gaugeZero);
        if (zero.fault) {
            reportFault(err, *zero.fault, Input::GaugeZero);
            return refuse(words::fault(*zero.fault, Input::GaugeZero));
        }
        gaugeZero = zero.value;
    }
    const StepsFault* why = nullptr;
    const auto steps = readSteps(byHeads ? options.heads : options.flows, why);
    if (!steps) {
        if (byHeads) std::fprintf(err, "vordanel-cli: --heads: %s (expected FROM:TO:STEP in mm, e.g. 10:200:10)\n", why->english);
        else
            std::fprintf(err, "vordanel-cli: --flows: %s (expected FROM:TO:STEP in %s, e.g. 10:100:10)\n", why->english,
                         names(options.flowUnit).name);
        return refuse(why->japanese);
    }

    // The weir's terms and curve once for the whole table.
    const Curve curve = curveOf(numbers[0]);
    Destination destination;
    if (!destination.open(options.output, out, err, "table")) return refuse(word(Word::table_write_failed));
    Output o(destination.stream());
    RowCounts& counts = told.counts;
    std::string firstFailure;
    int written = Answer;
    if (byHeads) {
        std::optional<Discharge> first;
        written = flowsByHead(curve, *steps, options.flowUnit, gaugeZero, o, counts, first);
        if (first) firstFailure = faultText(*first->fault, first->faultInput);
    } else {
        std::optional<Calculation> first;
        std::optional<std::pair<double, double>> ends;
        if (bracket) ends.emplace(numbers[1], numbers[2]);
        written = headsByFlow(curve, ends, *steps, options.flowUnit, o, counts, first);
        if (first) firstFailure = faultText(first->fault, first->faultInput);
    }
    if (written != Answer || !o.flush()) return destination.lost(err);
    counts.whole = true;
    reportRows(err, "table", counts, byHeads ? "a flow" : "a head", firstFailure);
    return destination.commit(err, counts.failed ? Failure : counts.noAnswer ? NoSolution : Answer);
}

}  // namespace vordanel::cli
