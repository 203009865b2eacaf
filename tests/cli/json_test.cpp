#include "json.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace {

struct CellRow {
    const char* name;
    std::string cell, read;  // as written into JSON, and as a reader gets it back
};

const std::string fffd = "\xEF\xBF\xBD";

// Cells from files and entries reach JSON as they are: whatever bytes they hold, the answer stays
// JSON and reads back to the same text, a byte that is not UTF-8 as U+FFFD.
TEST(Json, CellsReadBackFromStringsKeysAndNestedArrays)
{
    const CellRow rows[] = {
        {"plain", "flow_lpm", "flow_lpm"},
        {"quote", "say \"40\"", "say \"40\""},
        {"backslash", "C:\\data\\", "C:\\data\\"},
        {"line break and tab", "a\r\nb\tc\b\f", "a\r\nb\tc\b\f"},
        {"NUL and other controls", std::string("a\0b\x01\x1F\x7F", 6), std::string("a\0b\x01\x1F\x7F", 6)},
        {"Japanese", "流量(m³/h)　注記", "流量(m³/h)　注記"},
        {"four-byte sequence", "\xF0\x9F\x92\xA7", "\xF0\x9F\x92\xA7"},
        {"Latin-1 byte", "caf\xE9 40", "caf" + fffd + " 40"},
        {"lone continuation", "\x80", fffd},
        {"cut-off sequence at the end", "\xE6\xB5", fffd + fffd},
        {"cut-off sequence before ASCII", "\xE6\xB5\"", fffd + fffd + "\""},
        {"overlong slash", "\xC0\xAF", fffd + fffd},
        {"surrogate", "\xED\xA0\x80", fffd + fffd + fffd},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},
    };
    using vordanel::cli::JsonArray, vordanel::cli::JsonObject;
    for (const CellRow& row : rows) {
        const std::string json = JsonArray()
                                     .text(row.cell)
                                     .array(JsonArray().text(row.cell).number(0.1).integer(-3).boolean(false).null())
                                     .object(JsonObject().text(row.cell, row.cell).array("empty", JsonArray()))
                                     .str();
        // A well-kept parser, strict on UTF-8: it throws where the text is not JSON.
        nlohmann::json read;
        ASSERT_NO_THROW(read = nlohmann::json::parse(json)) << row.name << ": " << json;
        const nlohmann::json expected = {row.read, {row.read, 0.1, -3, false, nullptr},
                                         nlohmann::json::object({{row.read, row.read}, {"empty", nlohmann::json::array()}})};
        EXPECT_EQ(read, expected) << row.name << ": " << json;
    }
}

}  // namespace
