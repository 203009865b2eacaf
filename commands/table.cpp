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

}  // namespace

std::variant<TablePlan, TableFault> planTable(const TableOptions& options)
{
    const auto fault = [](std::optional<Input> input, std::string english, std::string japanese) {
        return TableFault{input, std::move(english), std::move(japanese)};
    };
    if (options.flows.empty() == options.heads.empty())
        return fault(std::nullopt, "table needs --flows FROM:TO:STEP or --heads FROM:TO:STEP (see vordanel-cli table --help)",
                     word(Word::table_needs_steps));
    const bool byHeads = !options.heads.empty();
    std::optional<Bracket> bracket = options.bracket;
    const BracketKind kind = bracket ? bracketKind(bracket->min, bracket->max) : BracketKind::None;
    if (kind == BracketKind::None) bracket.reset();  // the rising side
    if (kind == BracketKind::OneBlank)
        return fault(std::nullopt, "every entry needs a value: --min and --max (or both blank for the rising side)",
                     word(Word::table_one_blank, {names(Input::Min).caption, names(Input::Max).caption}));
    std::vector<std::pair<std::string_view, Input>> fixed = {{options.diameter, Input::Diameter}};
    if (bracket) fixed.insert(fixed.end(), {{bracket->min, Input::Min}, {bracket->max, Input::Max}});
    double numbers[3] = {};
    for (std::size_t k = 0; k < fixed.size(); ++k) {
        const auto parsed = parseNumber(fixed[k].first);
        if (parsed.fault)
            return fault(fixed[k].second, faultText(*parsed.fault, fixed[k].second), words::fault(*parsed.fault, fixed[k].second));
        numbers[k] = toMetres(parsed.value);
    }
    std::optional<double> gaugeZero;
    if (!options.gaugeZero.empty()) {
        if (!byHeads)
            return fault(Input::GaugeZero, "--gauge-zero goes with --heads (readings on the gauge)", word(Word::table_zero_heads_only));
        const auto zero = parseNumber(options.gaugeZero);
        if (zero.fault)
            return fault(Input::GaugeZero, faultText(*zero.fault, Input::GaugeZero), words::fault(*zero.fault, Input::GaugeZero));
        gaugeZero = zero.value;
    }
    const StepsFault* why = nullptr;
    const auto steps = readSteps(byHeads ? options.heads : options.flows, why);
    if (!steps)
        return fault(std::nullopt,
                     byHeads ? std::string("--heads: ") + why->english + " (expected FROM:TO:STEP in mm, e.g. 10:200:10)"
                             : std::string("--flows: ") + why->english + " (expected FROM:TO:STEP in " + names(options.flowUnit).name
                                   + ", e.g. 10:100:10)",
                     why->japanese);
    // The weir's terms and curve once for the whole table.
    std::optional<std::pair<double, double>> ends;
    if (bracket) ends.emplace(numbers[1], numbers[2]);
    return TablePlan{.curve = curveOf(numbers[0]), .byHeads = byHeads, .bracket = ends, .gaugeZero = gaugeZero,
                     .flowUnit = options.flowUnit, .from = steps->from, .step = steps->step, .rows = steps->rows};
}

TableRow tableRow(const TablePlan& plan, long long i)
{
    TableRow row;
    // In the plain form that reads back as parseNumber would read it.
    row.size = static_cast<std::size_t>(writeDisplayText(row.text, row.text + sizeof row.text, plan.from + static_cast<double>(i) * plan.step) - row.text);
    const double value = readPlainNumber(row.step());
    if (plan.byHeads) {
        row.headMm = plan.gaugeZero ? headOfReading(value, *plan.gaugeZero) : value;
        row.discharge = dischargeAt(plan.curve, toMetres(row.headMm));
    } else {
        const double Q = toCubicMetresPerMinute(toLitresPerMinute(value, plan.flowUnit));
        row.calculation = plan.bracket ? solve(plan.curve.weir, Q, plan.bracket->first, plan.bracket->second) : solveRising(plan.curve, Q);
    }
    return row;
}

void putTableHeader(Output& o, const TablePlan& plan)
{
    if (!plan.byHeads) o << "flow_" << names(plan.flowUnit).key << ",head_mm,trials,note\n";
    else {
        if (plan.gaugeZero) o << names(Input::Reading).column << ',';
        o << "head_mm,flow_" << names(plan.flowUnit).key << ",note\n";
    }
}

void putTableRow(Output& o, const TablePlan& plan, const TableRow& row)
{
    o << row.step() << ',';
    if (!plan.byHeads) {
        // By flows: the head of each flow, in the bracket or on the rising side.
        const Calculation& c = row.calculation;
        if (c.outcome == Calculation::Outcome::Converged) o.number(c.headMillimetres) << ',' << c.search.trialCount;
        else o << ',';
        o << ',';
        putNote(o, c, plan.bracket && holdsTwoHeads(plan.curve, c));
        o << '\n';
        return;
    }
    // By heads: the flow at each head, with where it lies on the curve; a reading on the staff
    // gauge is listed beside its head.
    const Discharge& d = row.discharge;
    if (plan.gaugeZero) o << std::string_view(displayText(row.headMm)) << ',';
    std::string note;
    const auto add = [&](std::string_view key) { note.append(note.empty() ? "" : ";").append(key); };
    if (d.fault) add(faultKey(*d.fault));
    else {
        if (!d.beyondZero) o << flowText(toLitresPerMinute(d.flow), plan.flowUnit);
        if (d.aboveWeir) add(names(Note::AboveWeir).key);
        if (d.fallingSide) add(names(Note::FallingSide).key);
        if (d.beyondZero) add(names(Note::NoFlow).key);
    }
    o << ',' << note << '\n';
}

int table(const TableOptions& options, std::FILE* out, std::FILE* err, TableReport* report)
{
    TableReport unused;
    TableReport& told = report ? *report : unused;
    if (options.breakpoints) return breakpointTable(options, out, err, told);
    const auto planned = planTable(options);
    if (const auto* fault = std::get_if<TableFault>(&planned)) {
        std::fprintf(err, "vordanel-cli: %s\n", fault->english.c_str());
        told.refusal = fault->japanese;
        return Failure;
    }
    const TablePlan& plan = std::get<TablePlan>(planned);
    Destination destination;
    if (!destination.open(options.output, out, err, "table")) {
        told.refusal = word(Word::table_write_failed);
        return Failure;
    }
    Output o(destination.stream());
    RowCounts& counts = told.counts;
    std::string firstFailure;
    putTableHeader(o, plan);
    for (long long i = 0; i < plan.rows; ++i) {
        const TableRow row = tableRow(plan, i);
        putTableRow(o, plan, row);
        if (!plan.byHeads) {
            counts.count(row.calculation);
            if (exitFor(row.calculation) == Failure && firstFailure.empty())
                firstFailure = faultText(row.calculation.fault, row.calculation.faultInput);
        } else if (const Discharge& d = row.discharge; d.fault) {
            counts.count(Failure, faultKey(*d.fault));
            if (firstFailure.empty()) firstFailure = faultText(*d.fault, d.faultInput);
        } else
            counts.count(d.beyondZero ? NoSolution : Answer, names(Note::NoFlow).key);
        if (!o.flushIfFull()) return destination.lost(err);
    }
    if (!o.flush()) return destination.lost(err);
    counts.whole = true;
    reportRows(err, "table", counts, plan.byHeads ? "a flow" : "a head", firstFailure);
    return destination.commit(err, counts.failed ? Failure : counts.noAnswer ? NoSolution : Answer);
}

}  // namespace vordanel::cli
