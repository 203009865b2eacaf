#include "vordanel/formula.h"

#include "vordanel/catalogue.h"

#include <cmath>

namespace vordanel {

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

std::optional<Fault> FN1(double& F, double h, double Q, double D)
{
    return Weir(D).residual(F, h, Q);
}

}  // namespace vordanel
