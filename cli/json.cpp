#include "json.h"

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

}  // namespace vordanel::cli
