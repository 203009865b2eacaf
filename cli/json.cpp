#include "json.h"

#include "words.h"

#include "vordanel/numtext.h"

#include <cmath>

namespace vordanel::cli {

JsonObject& JsonObject::key(std::string_view key)
{
    if (json_.size() > 1) json_ += ',';
    json_.append("\"").append(key).append("\":");
    return *this;
}

JsonObject& JsonObject::text(std::string_view k, std::string_view value)
{
    key(k).json_.append("\"").append(value).append("\"");
    return *this;
}

JsonObject& JsonObject::number(std::string_view k, double value)
{
    key(k).json_ += std::isfinite(value) ? roundTripText(value) : "null";
    return *this;
}

JsonObject& JsonObject::integer(std::string_view k, long long value)
{
    key(k).json_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::boolean(std::string_view k, bool value)
{
    key(k).json_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view k, std::string_view json)
{
    key(k).json_.append(json);
    return *this;
}

void putCalculation(JsonObject& json, const Calculation& c)
{
    switch (c.outcome) {
    case Calculation::Outcome::Incomplete:
        json.text("outcome", "incomplete");
        break;
    case Calculation::Outcome::Converged:
        json.text("outcome", "converged")
            .text("head_mm", displayText(c.headMillimetres))
            .number("head_m", c.search.xMid)
            .integer("trials", c.search.trialCount)
            .boolean("above_weir", c.aboveWeir)
            .boolean("tolerance_met", c.search.toleranceMet);
        break;
    case Calculation::Outcome::NoSolution:
        json.text("outcome", "no_solution");
        if (c.noHead) json.text("why_no_head", names(*c.noHead).key);
        break;
    case Calculation::Outcome::Fault:
        json.text("outcome", "fault").text("kind", faultKey(c.fault));
        if (c.faultInput) json.text("input", inputKey(*c.faultInput));
        break;
    }
}

std::string countsJson(const RowCounts& counts)
{
    JsonObject reasons;
    for (const auto* by : {&counts.failedBy, &counts.noAnswerBy})
        for (const auto& [reason, n] : *by) reasons.integer(reason, n);
    return JsonObject()
        .integer("rows", counts.rows)
        .integer("failed", counts.failed)
        .integer("no_answer", counts.noAnswer)
        .raw("reasons", reasons.str())
        .str();
}

}  // namespace vordanel::cli
