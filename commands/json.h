#pragma once

#include "vordanel/calculation.h"

#include <string>
#include <string_view>

namespace vordanel::cli {

// A JSON string of any text: quote, backslash and control characters escaped, valid UTF-8 as it
// is, and each byte that is not valid UTF-8 written as U+FFFD, so that a cell read from a file
// (a NUL, a stray Latin-1 byte) still gives JSON that every reader accepts.
void appendJsonString(std::string& json, std::string_view text);
std::string jsonString(std::string_view text);

class JsonArray;

// One JSON object, written key by key. Numbers are written so that they read back to the same
// double; a number beyond the double range (which a calculation never hands over) is null, so
// that the answer stays JSON whatever happens.
class JsonObject
{
public:
    JsonObject& text(std::string_view key, std::string_view value);
    JsonObject& number(std::string_view key, double value);
    JsonObject& integer(std::string_view key, long long value);
    JsonObject& boolean(std::string_view key, bool value);
    JsonObject& null(std::string_view key);
    JsonObject& object(std::string_view key, const JsonObject& value);
    JsonObject& array(std::string_view key, const JsonArray& value);
    JsonObject& raw(std::string_view key, std::string_view json);  // json written as it is
    std::string str() const { return json_ + "}"; }

private:
    JsonObject& key(std::string_view key);
    std::string json_ = "{";
};

// One JSON array, written value by value, its values written as JsonObject writes them.
class JsonArray
{
public:
    JsonArray& text(std::string_view value);
    JsonArray& number(double value);
    JsonArray& integer(long long value);
    JsonArray& boolean(bool value);
    JsonArray& null();
    JsonArray& object(const JsonObject& value);
    JsonArray& array(const JsonArray& value);
    std::string str() const { return json_ + "]"; }

private:
    std::string& next();
    std::string json_ = "[";
};

struct RowCounts;

// A calculation's answer, with the keys `head --json` gives: outcome (converged, no_solution,
// fault, incomplete), then head_mm (as shown), head_m, trials, above_weir and tolerance_met; or
// why_no_head when sought on the rising side; or the fault's kind and input.
void putCalculation(JsonObject& json, const Calculation& c);
// A fault's keys: outcome "fault", its kind and the entry at fault where one is told.
void putFault(JsonObject& json, Fault fault, std::optional<Input> input);

// {"rows":…,"failed":…,"no_answer":…,"reasons":{"division_by_zero":1,"no_solution":2}}
std::string countsJson(const RowCounts& counts);

}  // namespace vordanel::cli
