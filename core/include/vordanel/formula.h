#pragma once

#include <cmath>
#include <optional>

namespace vordanel {

// The Staus formula's constants, each written here alone (the page's sheet states the formula
// from these lines too, web/build/catalogue.py):
//   mu = muBase + D / (muDivisor h) + muHeadFactor h / D
//   Qc = mu D^diameterExponent (firstFactor (h/D)^firstExponent - secondFactor (h/D)^secondExponent)
// The slope's exponents are the powers' less one, as the curve's peak has always been found with
// them (firstExponent - 1 is not the double nearest 0.975).
namespace staus {
inline constexpr double muBase = 0.555, muDivisor = 110, muHeadFactor = 0.041;
inline constexpr double diameterExponent = 1.5;
inline constexpr double firstFactor = 10.12, firstExponent = 1.975, secondFactor = 2.66, secondExponent = 3.76;
inline constexpr double firstSlopeExponent = 0.975, secondSlopeExponent = 2.76;
}  // namespace staus

// Why a number could not be had; every failure of the calculation is one of these.
enum class Fault {
    NotANumber,      // an entry's text is not a finite number (letters, blanks only, "nan", "inf")
    DivisionByZero,  // a head of zero or a diameter of zero reached a divisor of the formula
    InvalidArgument, // a negative diameter or a negative head reached a fractional power
    Overflow,        // a number, or a step of the formula, fell outside the finite double range
};

// How each front end names a fault.
struct FaultNames {
    Fault fault;
    const char* key;       // for notes and JSON: not_a_number, division_by_zero, ...
    const char* english;   // for standard error and logs
    const char* japanese;  // as the window tells its user (UTF-8), after the entry's caption
};
const FaultNames& names(Fault fault);
inline const char* describe(Fault fault) { return names(fault).english; }
inline const char* userMessage(Fault fault) { return names(fault).japanese; }

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
    //
    // With h and D above zero no step can divide by zero or take a fractional power of a negative
    // number, and no step divides by an earlier step's result, so an infinity or a NaN in any
    // step carries through to the result: a finite result means no step faulted, and the steps
    // run without their checks. Anything else takes them checked, which find the fault at the
    // step where it arises. Written here so that the search, evaluating it once a pass, pays for
    // no call around the arithmetic.
    [[nodiscard]] std::optional<Fault> residual(double& F, double h, double Q) const
    {
        if (h > 0 && D_ > 0) [[likely]]
            if (!steps<false>(F, h, Q)) [[likely]]
                return std::nullopt;
        return steps<true>(F, h, Q);
    }
    // The same residual with every step checked where its fault would arise, whatever the
    // entries: the same bits and the same faults as residual().
    [[nodiscard]] std::optional<Fault> residualChecked(double& F, double h, double Q) const { return steps<true>(F, h, Q); }

private:
    // The formula's steps, written once, in the order of the original's double operations so that
    // the last bits of every result match. Checked, each step that can fault is checked right
    // where the fault would arise, in the same order whether its value is worked out here or once
    // for the weir; unchecked, the checks compile away and only the result's is left.
    template <bool checked>
    std::optional<Fault> steps(double& F, double h, double Q) const
    {
        const auto fails = [](bool fault) { return checked && fault; };
        const auto infinite = [&](double x) { return fails(!std::isfinite(x)); };
        const double D = D_;
        if (fails(std::isnan(h) || std::isnan(Q) || std::isnan(D))) return Fault::InvalidArgument;
        if (fails(h == 0)) return Fault::DivisionByZero;
        const double b = dOver110_ / h;
        if (infinite(b)) return Fault::Overflow;
        const double c = b + staus::muBase;
        const double d = h * staus::muHeadFactor;
        if (infinite(d)) return Fault::Overflow;
        if (fails(D == 0)) return Fault::DivisionByZero;
        const double e = d / D;
        if (infinite(e)) return Fault::Overflow;
        const double mu = c + e;
        if (infinite(mu)) return Fault::Overflow;
        if (fails(D < 0)) return Fault::InvalidArgument;
        if (infinite(dToThe1_5_)) return Fault::Overflow;
        const double m = dToThe1_5_ * mu;
        if (infinite(m)) return Fault::Overflow;
        const double r = h / D;
        if (fails(r < 0)) return Fault::InvalidArgument;
        if (infinite(r)) return Fault::Overflow;
        const double t1 = std::pow(r, staus::firstExponent) * staus::firstFactor;
        if (infinite(t1)) return Fault::Overflow;
        const double t2 = std::pow(r, staus::secondExponent) * staus::secondFactor;
        if (infinite(t2)) return Fault::Overflow;
        const double Qc = (t1 - t2) * m;
        if (infinite(Qc)) return Fault::Overflow;
        const double result = Qc - Q;
        if (!std::isfinite(result)) return Fault::Overflow;
        F = result;
        return std::nullopt;
    }

    double D_;
    double dOver110_;     // D / muDivisor, the numerator of mu's second term
    double dToThe1_5_;    // D^diameterExponent
};

// The residual of the Staus formula for a circular weir: the discharge at head h over a weir
// of diameter D (metres, m^3/min) minus the target flow Q. On success F is assigned and nothing
// is returned; on a fault F keeps its previous value and the fault is returned.
[[nodiscard]] std::optional<Fault> FN1(double& F, double h, double Q, double D);

}  // namespace vordanel
