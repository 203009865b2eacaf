#include "vordanel/units.h"

#include <string>

namespace vordanel {

namespace {

constexpr FlowUnitNames flowUnitNames[] = {
    {FlowUnit::LitresPerMinute, "L/min", "L/min", "lpm", 2, 1, 1},
    {FlowUnit::LitresPerSecond, "L/s", "L/s", "lps", 4, 60, 1},
    {FlowUnit::CubicMetresPerSecond, "m3/s", "m³/s", "m3s", 7, 60000, 1},
    {FlowUnit::CubicMetresPerMinute, "m3/min", "m³/min", "m3min", 5, 1000, 1},
    {FlowUnit::CubicMetresPerHour, "m3/h", "m³/h", "m3h", 4, 1000, 60},
    {FlowUnit::CubicMetresPerDay, "m3/d", "m³/d", "m3d", 2, 1000, 1440},
};

// ASCII letters in either case, so that l/min and M3/H are understood too.
bool sameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

}  // namespace

const FlowUnitNames& names(FlowUnit unit) { return flowUnitNames[static_cast<int>(unit)]; }

std::optional<FlowUnit> flowUnitNamed(std::string_view text)
{
    for (const FlowUnitNames& u : flowUnitNames)
        if (sameName(text, u.name) || sameName(text, u.symbol)) return u.unit;
    return std::nullopt;
}

const char* flowUnitList()
{
    static const std::string list = [] {
        std::string text;
        for (const FlowUnitNames& u : flowUnitNames) text += (text.empty() ? "" : ", ") + std::string(u.name);
        return text;
    }();
    return list.c_str();
}

}  // namespace vordanel
