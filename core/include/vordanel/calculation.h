#pragma once

#include "vordanel/curve.h"
#include "vordanel/formula.h"
#include "vordanel/search.h"
#include "vordanel/units.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vordanel {

// The entries of a calculation, the four of the window in the order they are converted, then
// the head that the flow at a head is worked out from, and a staff gauge's reading and zero (its
// reading at the bottom of the opening), which give that head.
enum class Input { Diameter, Flow, Min, Max, Head, Reading, GaugeZero };

// How each front end names an entry: the companion's option and JSON key, the batch column, the
// window's box and its caption (UTF-8).
struct InputNames {
    Input input;
    const char* key;      // diameter, flow, min, max, head, reading, gauge_zero
    const char* column;   // diameter_mm, flow_lpm, min_mm, max_mm, head_mm, reading_mm, gauge_zero_mm
    const char* control;  // the window's box: Text6, Text1, Text2, Text3 (none for the head)
    const char* caption;  // the window's caption of that box
};
const InputNames& names(Input input);

// The entries as typed: diameter (mm), flow, bracket minimum and maximum (mm), UTF-8. The flow is
// in L/min, as in the window, unless another unit is named; it is converted to L/min as it is read.
struct Entries {
    std::string_view diameter, flow, min, max;
    FlowUnit flowUnit = FlowUnit::LitresPerMinute;
};

// Why a flow has no head on the rising side.
enum class NoHead {
    NoFlow,     // the flow is zero or less
    AbovePeak,  // the flow exceeds the weir's greatest
    TooSmall,   // the flow is too small for a head above zero to be resolved
};

struct Calculation {
    enum class Outcome {
        Incomplete,  // an entry is empty: nothing is calculated and nothing is reported
        Converged,   // the head was found
        NoSolution,  // the bracket shows no sign change (no head on the rising side, without one)
        Fault,       // an entry is not a number, or the formula faulted
    };
    Outcome outcome = Outcome::Incomplete;
    double D = 0, Q = 0, xLow = 0, xHigh = 0;  // converted entries (m, m^3/min), as far as converted
    SearchResult search;
    double headMillimetres = 0;  // the shown head, when converged
    bool aboveWeir = false;      // the head lies above the top of the weir (D < xMid)
    Fault fault = Fault::NotANumber;
    std::optional<Input> faultInput;  // the entry at fault, where it can be told
    std::optional<NoHead> noHead;     // why the flow has no head, when sought on the rising side
};

// What pressing Calculate does with four entries: the emptiness test, the conversions in the
// order diameter, flow, minimum, maximum (the first failing one is the fault), the search, and
// the shown head. decimalPoint is the one the entries are typed with.
Calculation calculate(const Entries& entries, std::string_view decimalPoint = ".",
                      const PassObserver& observer = {});

// What follows the reading of the entries: the search over the bracket and the shown head, from
// numbers already converted (m, m^3/min). A fault is laid on the entry that caused it: the
// diameter when it alone takes the formula out of range at ordinary heads (1 mm, 1 m), the flow
// when it alone does so at the faulting end, else the bracket end that pass 1 was evaluating.
Calculation solve(double D, double Q, double xLow, double xHigh, const PassObserver& observer = {});

// What two bracket ends make: both blank (empty or blanks only) make none, and the head is then
// sought on the rising side of the curve; one blank end is an empty entry, as it is in the window.
enum class BracketKind {
    None,      // both ends blank: the rising side
    Given,     // both ends filled: a bracket
    OneBlank,  // one end blank: an empty entry, nothing is calculated
};
BracketKind bracketKind(std::string_view min, std::string_view max);
// Empty, or blanks only (spaces, tabs, ideographic spaces).
bool isBlankEntry(std::string_view text);
// The head the companion gives for entries whose bracket may be left out, by bracketKind():
// calculate() over a bracket, calculateRising() without one, Incomplete for one blank end.
Calculation calculateHead(const Entries& entries, std::string_view decimalPoint = ".",
                          const PassObserver& observer = {});

// Without a bracket: the head on the rising side of the weir's curve (curve.h), searched from
// just above zero to the head of greatest discharge, with the same search and tolerance. The
// outcome is NoSolution when the flow is not above zero or exceeds the curve's peak flow; the
// entries diameter and flow are read as calculate() reads them, min and max are not used.
Calculation calculateRising(const Entries& entries, std::string_view decimalPoint = ".",
                            const PassObserver& observer = {});
Calculation solveRising(const Curve& curve, double Q, const PassObserver& observer = {});
// The same search as solve(), over a weir whose terms were worked out once (a table's rows share
// them).
Calculation solve(const Weir& weir, double Q, double xLow, double xHigh, const PassObserver& observer = {});

// Whether the diameter alone takes the formula out of the double range at ordinary heads (1 mm,
// 1 m), or is not above zero: then every fault of a calculation over it is the diameter's.
std::optional<Fault> diameterFault(double D);

// What the curve adds to a calculation over a bracket.
struct OtherHead {
    double headMillimetres = 0;  // shown as the window shows heads
    bool onRisingSide = false;   // the other head's side of the peak; the answer lies on the other
};
// Whether the bracket holds both heads of the flow, told from the residuals pass 1 found at its ends.
bool holdsTwoHeads(const Curve& curve, const Calculation& c);
// The head on the other side of the peak, when the bracket holds two and the answer converged.
std::optional<OtherHead> otherHead(const Curve& curve, const Calculation& c);

NoHead whyNoHead(const Curve& curve, double Q);

// How each front end says why there is no head: the key of a row's note and of JSON, a clause
// for an English sentence, and the words for a Japanese reader (UTF-8).
struct NoHeadNames {
    NoHead why;
    const char* key;      // flow_not_positive, above_peak, flow_too_small
    const char* english;  // "the flow is above the greatest there is"
    const char* japanese; // a sentence
};
const NoHeadNames& names(NoHead why);

// How large one record of a sheet may be, far above any real sheet's: a field, a record, and the
// fields of a record. A record over a cap is let go and noted, so memory stays that of one record.
struct RecordCaps {
    std::size_t fieldBytes = 1 << 20;    // 1 MiB a field
    std::size_t recordBytes = 16 << 20;  // 16 MiB a record
    std::size_t fields = 100'000;        // fields a record
};
inline constexpr RecordCaps recordCaps{};

// What a row of a table or a batch notes beside its numbers, besides a fault.
enum class Note {
    AboveWeir,     // the head lies above the top of the weir
    NoSolution,    // the bracket shows no sign change
    Stalled,       // the search stopped between adjacent doubles short of its tolerance
    TwoHeads,      // the bracket holds both heads of the flow
    EmptyEntry,    // an entry is empty
    MalformedRow,  // the row's cells fit no form
    FallingSide,   // a head past the curve's peak: more head, less flow
    NoFlow,        // a head past the curve's zero: the formula gives no flow
    OversizedRow,  // a record over the reader's caps on a field or a record (recordCaps), not read
};
struct NoteNames {
    Note note;
    const char* key;       // above_weir, no_solution, stalled, two_heads, empty_entry, ...
    const char* japanese;  // the window's own message where it has one (UTF-8)
};
const NoteNames& names(Note note);

// A note cell of keys joined by ';' (above_weir;two_heads, not_a_number:flow_lpm, above_peak) in
// Japanese words, for a reader of Japanese: each key's words, a fault after the caption of the
// column it names. A key this program does not write is kept as it is.
std::string noteWords(std::string_view noteCell);
// The caption of a batch column or entry key (flow_m3h, min_mm, diameter, ...): 流量(m³/h), ...;
// besides, trials gives Trial回数 and note gives 注記, the captions of those columns of a sheet.
std::optional<std::string> captionOf(std::string_view column);
// The caption of a flow in a unit, its unit as shown (流量(L/min), 流量(m³/h), ...) or, asTyped,
// as a keyboard types it (流量(m3/h)), which a sheet's header may hold as well.
std::string flowCaption(FlowUnit unit, bool asTyped = false);
// The words the window shows beside its answer, and the captions of the head and of the trials.
std::string_view headCaption();    // 越流高さ(mm) [底部から]
std::string_view trialsCaption();  // Trial回数
std::string_view noteCaption();    // 注記, the note column of a sheet headed in Japanese

// The discharge over a weir at a head (m^3/min), for a diameter and a head in metres.
struct Discharge {
    double flow = 0;
    std::optional<Fault> fault;
    Input faultInput = Input::Head;  // the diameter, by the rule of diameterFault(), or the head
    bool beyondZero = false;   // the head lies above the curve's zero: the formula gives no flow
    bool fallingSide = false;  // the head lies above the peak: more head gives less flow
    bool aboveWeir = false;    // the head lies above the top of the weir (D < h, as the window's rule)
};
// The head (mm) that a staff gauge's reading (mm) stands for: the reading less the gauge's zero,
// its reading at the bottom of the opening. The difference is that of the two decimal numbers the
// readings were written as, where the doubles allow it to be told (135.3 on a gauge zeroed at 100.3
// is a head of 35 exactly, as if 35 had been read); below the zero it is negative.
double headOfReading(double reading, double gaugeZero);
// The same where the decimal places the two were written with are known (the more of the two), as a
// file's cells show them: a logger's year of readings is not written out again to count them.
double headOfReading(double reading, double gaugeZero, int places);

// A head of zero is no flow (the formula's limit there), not its division by zero.
Discharge dischargeAt(const Curve& curve, double head);

}  // namespace vordanel
