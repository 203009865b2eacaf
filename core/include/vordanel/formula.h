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
// The fault as the window tells its user, in Japanese (UTF-8), after the entry's caption.
const char* userMessage(Fault fault);

// The Staus formula for one circular weir of diameter D (m). The terms that depend on D alone are
// worked out once, so a search evaluating many heads over the same weir pays for them once; each
// residual is bit for bit what FN1 gives for the same arguments.
class Weir
{
public:
    explicit Weir(double D);

    double diameter() const { return D_; }

    // The discharge at head h (m) minus the target flow Q (m^3/min). On success F is assigned and
    // nothing is returned; on a fault F keeps its previous value and the fault is returned.
    [[nodiscard]] std::optional<Fault> residual(double& F, double h, double Q) const;
    // The same residual with every step checked where its fault would arise, whatever the
    // entries; residual() gives the same bits and the same faults, mostly without the checks.
    [[nodiscard]] std::optional<Fault> residualChecked(double& F, double h, double Q) const;

private:
    double D_;
    double dOver110_;     // D / 110, the numerator of mu's second term
    double dToThe1_5_;    // D^1.5
};

// The residual of the Staus formula for a circular weir: the discharge at head h over a weir
// of diameter D (metres, m^3/min) minus the target flow Q. On success F is assigned and nothing
// is returned; on a fault F keeps its previous value and the fault is returned.
[[nodiscard]] std::optional<Fault> FN1(double& F, double h, double Q, double D);

}  // namespace vordanel
