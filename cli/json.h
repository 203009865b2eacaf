#pragma once

#include "vordanel/calculation.h"

#include <string>
#include <string_view>

namespace vordanel::cli {

// One JSON object, written key by key. Numbers are written so that they read back to the same
// double; a number beyond the double range (which a calculation never hands over) is null, so
// that the answer stays JSON whatever happens.
class JsonObject
{
public:
    JsonObject& text(std::string_view key, std::string_view value);  // value holds no " or backslash
    JsonObject& number(std::string_view key, double value);
    JsonObject& integer(std::string_view key, long long value);
    JsonObject& boolean(std::string_view key, bool value);
    JsonObject& raw(std::string_view key, std::string_view json);
    std::string str() const { return json_ + "}"; }

private:
    JsonObject& key(std::string_view key);
    std::string json_ = "{";
};

struct RowCounts;

// A calculation's answer, with the keys `head --json` gives: outcome (converged, no_solution,
// fault, incomplete), then head_mm (as shown), head_m, trials, above_weir and tolerance_met; or
// why_no_head when sought on the rising side; or the fault's kind and input.
void putCalculation(JsonObject& json, const Calculation& c);

// {"rows":…,"failed":…,"no_answer":…,"reasons":{"division_by_zero":1,"no_solution":2}}
std::string countsJson(const RowCounts& counts);

}  // namespace vordanel::cli
