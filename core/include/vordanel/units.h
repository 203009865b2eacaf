#pragma once

#include <optional>
#include <string_view>

namespace vordanel {

// The window speaks millimetres and litres per minute, the formula metres and cubic metres
// per minute; both conversions are a division by 1000.
inline double toMetres(double millimetres) { return millimetres / 1000.0; }
inline double toCubicMetresPerMinute(double litresPerMinute) { return litresPerMinute / 1000.0; }
inline double toLitresPerMinute(double cubicMetresPerMinute) { return cubicMetresPerMinute * 1000.0; }

// The units a design flow comes in. The window's is litres per minute; any other is converted to
// it once, where it enters, and back where it leaves, so that everything between is solved
// exactly as the window solves it.
enum class FlowUnit {
    LitresPerMinute,
    LitresPerSecond,
    CubicMetresPerSecond,
    CubicMetresPerMinute,
    CubicMetresPerHour,
    CubicMetresPerDay,
};
inline constexpr FlowUnit flowUnits[] = {
    FlowUnit::LitresPerMinute,    FlowUnit::LitresPerSecond,    FlowUnit::CubicMetresPerSecond,
    FlowUnit::CubicMetresPerMinute, FlowUnit::CubicMetresPerHour, FlowUnit::CubicMetresPerDay,
};

// How each front end names a flow unit.
struct FlowUnitNames {
    FlowUnit unit;
    const char* name;    // as typed: L/min, L/s, m3/s, m3/min, m3/h, m3/d
    const char* symbol;  // as shown (UTF-8): L/min, L/s, m³/s, m³/min, m³/h, m³/d
    const char* key;     // after flow_ in a column or JSON key: lpm, lps, m3s, m3min, m3h, m3d
    int decimals;        // the places that resolve 0.01 L/min, the search's tolerance, in this unit
    // One of the unit in litres per minute, as the fraction perMinute / divisor: multiplying by
    // the numerator first keeps a flow that is whole in L/min whole (2.4 m3/h is 40 L/min exactly).
    double perMinute, divisor;
};
const FlowUnitNames& names(FlowUnit unit);
// The unit a name or a symbol stands for (L/min, l/min, m3/h, m³/h, ...); none for anything else.
std::optional<FlowUnit> flowUnitNamed(std::string_view text);
// "L/min, L/s, m3/s, m3/min, m3/h, m3/d", for a message that lists them.
const char* flowUnitList();

inline double toLitresPerMinute(double flow, FlowUnit unit)
{
    const FlowUnitNames& u = names(unit);
    return flow * u.perMinute / u.divisor;
}
inline double fromLitresPerMinute(double litresPerMinute, FlowUnit unit)
{
    const FlowUnitNames& u = names(unit);
    return litresPerMinute * u.divisor / u.perMinute;
}

}  // namespace vordanel
