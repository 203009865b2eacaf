#include "vordanel/formula.h"

#include "vordanel/catalogue.h"

#include <cmath>

namespace vordanel {

namespace {
bool finite(double x) { return std::isfinite(x); }
}  // namespace

constexpr FaultNames faultNames[] = {
    {Fault::NotANumber, "not_a_number", "not a number", word(Word::fault_not_a_number)},
    {Fault::DivisionByZero, "division_by_zero", "division by zero", word(Word::fault_division_by_zero)},
    {Fault::InvalidArgument, "invalid_argument", "invalid argument (a diameter or head below zero)",
     word(Word::fault_invalid_argument)},
    // Too large and too small alike: a diameter of 1e-320 overflows the formula as 1e300 does.
    {Fault::Overflow, "overflow", "overflow (beyond the double range)",
     word(Word::fault_overflow)},
};

const FaultNames& names(Fault fault) { return faultNames[static_cast<int>(fault)]; }

Weir::Weir(double D) : D_(D), dOver110_(D / staus::muDivisor), dToThe1_5_(std::pow(D, staus::diameterExponent)) {}

// The steps keep the order of the original's double operations, so that the last bits of every
// result match; each step that can fault is checked right where the fault would arise, in the
// same order whether its value was worked out here or once for the weir.
std::optional<Fault> Weir::residualChecked(double& F, double h, double Q) const
{
    const double D = D_;
    if (std::isnan(h) || std::isnan(Q) || std::isnan(D)) return Fault::InvalidArgument;

    const double a = dOver110_;
    if (h == 0) return Fault::DivisionByZero;
    const double b = a / h;
    if (!finite(b)) return Fault::Overflow;
    const double c = b + staus::muBase;
    const double d = h * staus::muHeadFactor;
    if (!finite(d)) return Fault::Overflow;
    if (D == 0) return Fault::DivisionByZero;
    const double e = d / D;
    if (!finite(e)) return Fault::Overflow;
    const double mu = c + e;
    if (!finite(mu)) return Fault::Overflow;
    if (D < 0) return Fault::InvalidArgument;
    const double p = dToThe1_5_;
    if (!finite(p)) return Fault::Overflow;
    const double m = p * mu;
    if (!finite(m)) return Fault::Overflow;
    const double r = h / D;
    if (r < 0) return Fault::InvalidArgument;
    if (!finite(r)) return Fault::Overflow;
    const double k1 = std::pow(r, staus::firstExponent);
    const double t1 = k1 * staus::firstFactor;
    if (!finite(t1)) return Fault::Overflow;
    const double k2 = std::pow(r, staus::secondExponent);
    const double t2 = k2 * staus::secondFactor;
    if (!finite(t2)) return Fault::Overflow;
    const double k = t1 - t2;
    const double Qc = k * m;
    if (!finite(Qc)) return Fault::Overflow;
    const double result = Qc - Q;
    if (!finite(result)) return Fault::Overflow;
    F = result;
    return std::nullopt;
}

std::optional<Fault> FN1(double& F, double h, double Q, double D)
{
    return Weir(D).residual(F, h, Q);
}

}  // namespace vordanel
