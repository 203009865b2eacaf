#pragma once

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
        NoSolution,  // the bracket shows no sign change
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

}  // namespace vordanel
