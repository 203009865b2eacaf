#pragma once

#include "vordanel/curve.h"
#include "vordanel/formula.h"
#include "vordanel/search.h"

#include <optional>
#include <string_view>

namespace vordanel {

// The four entries of a calculation, in the order they are converted.
enum class Input { Diameter, Flow, Min, Max };

// The entries as typed: diameter (mm), flow (L/min), bracket minimum and maximum (mm), UTF-8.
struct Entries {
    std::string_view diameter, flow, min, max;
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

// Without a bracket: the head on the rising side of the weir's curve (curve.h), searched from
// just above zero to the head of greatest discharge, with the same search and tolerance. The
// outcome is NoSolution when the flow is not above zero or exceeds the curve's peak flow; the
// entries diameter and flow are read as calculate() reads them, min and max are not used.
Calculation calculateRising(const Entries& entries, std::string_view decimalPoint = ".",
                            const PassObserver& observer = {});
Calculation solveRising(const Curve& curve, double Q, const PassObserver& observer = {});

}  // namespace vordanel
