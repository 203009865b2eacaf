#pragma once
// Stand-ins for what the core and the companion are gaining on main (flow units, the flow text in a
// unit, the note words, the calculation as JSON), so that the page builds meanwhile. This file
// goes when they land.
#include "batch.h"
#include "json.h"

#include "vordanel/calculation.h"
#include "vordanel/numtext.h"

#include <cmath>
#include <optional>
#include <string>
#include <string_view>

namespace vordanel {

enum class FlowUnit { LitresPerMinute, LitresPerSecond, CubicMetresPerSecond, CubicMetresPerMinute, CubicMetresPerHour, CubicMetresPerDay };
struct FlowUnitNames {
    FlowUnit unit;
    const char* name;
    const char* symbol;
    const char* key;
    int decimals;
    double perLitrePerMinute;
};
inline constexpr FlowUnitNames interimUnits[] = {
    {FlowUnit::LitresPerMinute, "L/min", "L/min", "lpm", 2, 1},
    {FlowUnit::LitresPerSecond, "L/s", "L/s", "lps", 4, 1 / 60.0},
    {FlowUnit::CubicMetresPerSecond, "m3/s", "m³/s", "m3s", 7, 1 / 60000.0},
    {FlowUnit::CubicMetresPerMinute, "m3/min", "m³/min", "m3min", 5, 1 / 1000.0},
    {FlowUnit::CubicMetresPerHour, "m3/h", "m³/h", "m3h", 4, 0.06},
    {FlowUnit::CubicMetresPerDay, "m3/d", "m³/d", "m3d", 2, 1.44},
};
inline constexpr FlowUnit flowUnits[] = {FlowUnit::LitresPerMinute, FlowUnit::LitresPerSecond, FlowUnit::CubicMetresPerSecond,
                                         FlowUnit::CubicMetresPerMinute, FlowUnit::CubicMetresPerHour, FlowUnit::CubicMetresPerDay};
inline const FlowUnitNames& names(FlowUnit unit) { return interimUnits[static_cast<int>(unit)]; }
inline std::optional<FlowUnit> flowUnitNamed(std::string_view name)
{
    for (const auto& u : interimUnits)
        if (name == u.name || name == u.symbol) return u.unit;
    return std::nullopt;
}
inline double fromLitresPerMinute(double lpm, FlowUnit unit) { return lpm * names(unit).perLitrePerMinute; }
inline std::string flowText(double lpm, FlowUnit unit)
{
    const double scale = std::pow(10.0, names(unit).decimals);
    return displayText(std::round(fromLitresPerMinute(lpm, unit) * scale) / scale);
}
struct NoHeadNames {
    const char* key;
    const char* english;
    const char* japanese;
};
inline NoHeadNames names(NoHead why)
{
    switch (why) {
    case NoHead::NoFlow:
        return {"no_flow", "", "流量が0以下です"};
    case NoHead::AbovePeak:
        return {"above_peak", "", "流量が最大流量を超えています"};
    case NoHead::TooSmall:
        break;
    }
    return {"too_small", "", "流量が小さすぎて式が越流高さを分けられません"};
}
inline std::string noteWords(std::string_view cell) { return std::string(cell); }

}  // namespace vordanel

namespace vordanel::cli {
inline std::string countsJson(const BatchCount& c)
{
    return JsonObject().integer("rows", c.rows).integer("failed", c.failed).integer("no_head", 0).raw("reasons", "{}").str();
}
inline void putCalculation(JsonObject& json, const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        json.text("outcome", "incomplete");
        break;
    case Calculation::Outcome::Converged:
        json.text("outcome", "converged").text("head_mm", displayText(c.headMillimetres)).number("head_m", c.search.xMid)
            .integer("trials", c.search.trialCount).boolean("above_weir", c.aboveWeir).boolean("tolerance_met", c.search.toleranceMet);
        break;
    case Calculation::Outcome::NoSolution:
        json.text("outcome", "no_solution");
        break;
    case Calculation::Outcome::Fault:
        json.text("outcome", "fault").text("kind", names(c.fault).key);
        if (c.faultInput) json.text("input", names(*c.faultInput).key);
        break;
    }
}
}  // namespace vordanel::cli
