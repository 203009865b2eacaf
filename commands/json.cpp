#include "json.h"

#include "words.h"

#include "vordanel/numtext.h"

#include <cmath>

namespace vordanel::cli {

namespace {

// The length of the valid UTF-8 sequence at text[i], or 0 where none starts there: no overlong
// form, no surrogate, nothing above U+10FFFF.
std::size_t utf8Length(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    else return 0;
    if (i + length > text.size() || byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
    return length;
}

std::string numberText(double value) { return std::isfinite(value) ? roundTripText(value) : "null"; }

}  // namespace

void appendJsonString(std::string& json, std::string_view text)
{
    json += '"';
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            const std::size_t length = utf8Length(text, i);
            json.append(length ? text.substr(i, length) : std::string_view("\uFFFD"));
            i += length ? length : 1;
            continue;
        }
        ++i;
        switch (c) {
        case '"': json += "\\\""; continue;
        case '\\': json += "\\\\"; continue;
        case '\b': json += "\\b"; continue;
        case '\f': json += "\\f"; continue;
        case '\n': json += "\\n"; continue;
        case '\r': json += "\\r"; continue;
        case '\t': json += "\\t"; continue;
        default: break;
        }
        if (byte < 0x20) {
            static constexpr char hex[] = "0123456789ABCDEF";
            json.append("\\u00").append(1, hex[byte >> 4]).append(1, hex[byte & 0xF]);
        } else {
            json += c;
        }
    }
    json += '"';
}

std::string jsonString(std::string_view text)
{
    std::string json;
    appendJsonString(json, text);
    return json;
}

JsonObject& JsonObject::key(std::string_view key)
{
    if (json_.size() > 1) json_ += ',';
    appendJsonString(json_, key);
    json_ += ':';
    return *this;
}

JsonObject& JsonObject::text(std::string_view k, std::string_view value)
{
    appendJsonString(key(k).json_, value);
    return *this;
}

JsonObject& JsonObject::number(std::string_view k, double value)
{
    key(k).json_ += numberText(value);
    return *this;
}

JsonObject& JsonObject::null(std::string_view k)
{
    key(k).json_ += "null";
    return *this;
}

JsonObject& JsonObject::object(std::string_view k, const JsonObject& value)
{
    key(k).json_ += value.str();
    return *this;
}

JsonObject& JsonObject::array(std::string_view k, const JsonArray& value)
{
    key(k).json_ += value.str();
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

std::string& JsonArray::next()
{
    if (json_.size() > 1) json_ += ',';
    return json_;
}

JsonArray& JsonArray::text(std::string_view value)
{
    appendJsonString(next(), value);
    return *this;
}

JsonArray& JsonArray::number(double value)
{
    next() += numberText(value);
    return *this;
}

JsonArray& JsonArray::integer(long long value)
{
    next() += std::to_string(value);
    return *this;
}

JsonArray& JsonArray::boolean(bool value)
{
    next() += value ? "true" : "false";
    return *this;
}

JsonArray& JsonArray::null()
{
    next() += "null";
    return *this;
}

JsonArray& JsonArray::object(const JsonObject& value)
{
    next() += value.str();
    return *this;
}

JsonArray& JsonArray::array(const JsonArray& value)
{
    next() += value.str();
    return *this;
}

void putFault(JsonObject& json, Fault fault, std::optional<Input> input)
{
    json.text("outcome", "fault").text("kind", faultKey(fault));
    if (input) json.text("input", inputKey(*input));
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
        putFault(json, c.fault, c.faultInput);
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
        .object("reasons", reasons)
        .str();
}

}  // namespace vordanel::cli
