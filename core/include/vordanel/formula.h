#pragma once

#include <optional>

namespace vordanel {

// Why a number could not be had; every failure of the calculation is one of these.
enum class Fault {
    NotANumber,      // an entry's text is not a finite number (letters, blanks only, "nan", "inf")
    DivisionByZero,  // a head of zero or a diameter of zero reached a divisor of the formula
    InvalidArgument, // a negative diameter or a negative head reached a fractional power
    Overflow,        // a number, or a step of the formula, fell outside the finite double range
};

// The fault in plain English, for standard error and logs.
const char* describe(Fault fault);

// The residual of the Staus formula for a circular weir: the discharge at head h over a weir
// of diameter D (metres, m^3/min) minus the target flow Q. On success F is assigned and nothing
// is returned; on a fault F keeps its previous value and the fault is returned.
[[nodiscard]] std::optional<Fault> FN1(double& F, double h, double Q, double D);

}  // namespace vordanel
