#include "vordanel/formula.h"

#include <cmath>

namespace vordanel {

namespace {
bool finite(double x) { return std::isfinite(x); }
}  // namespace

constexpr FaultNames faultNames[] = {
    {Fault::NotANumber, "not_a_number", "not a number", "数値ではありません。"},
    {Fault::DivisionByZero, "division_by_zero", "division by zero", "ゼロによる除算です。0 より大きい値を入力して下さい。"},
    {Fault::InvalidArgument, "invalid_argument", "invalid argument (a diameter or head below zero)",
     "不正な引数です（負の値）。0 より大きい値を入力して下さい。"},
    // Too large and too small alike: a diameter of 1e-320 overflows the formula as 1e300 does.
    {Fault::Overflow, "overflow", "overflow (beyond the double range)",
     "値が大きすぎるか小さすぎて、計算できる範囲を超えています。"},
};

const FaultNames& names(Fault fault) { return faultNames[static_cast<int>(fault)]; }

Weir::Weir(double D) : D_(D), dOver110_(D / 110), dToThe1_5_(std::pow(D, 1.5)) {}

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
    const double c = b + 0.555;
    const double d = h * 0.041;
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
    const double k1 = std::pow(r, 1.975);
    const double t1 = k1 * 10.12;
    if (!finite(t1)) return Fault::Overflow;
    const double k2 = std::pow(r, 3.76);
    const double t2 = k2 * 2.66;
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
