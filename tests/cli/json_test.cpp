#include "json.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// A strict reader of RFC 8259 text: every leaf in order (strings and keys decoded to UTF-8,
// other values as written), or nothing where the text is not JSON. It takes bytes of 0x80 and
// above as they are; the expected texts tell whether they were the right ones.
struct Reader {
    std::string_view s;
    std::size_t i = 0;
    std::vector<std::string> leaves;

    bool more()
    {
        while (i < s.size() && std::strchr(" \t\n\r", s[i])) ++i;
        return i < s.size();
    }
    bool string()
    {
        std::string t;
        for (++i; i < s.size() && s[i] != '"'; ++i) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c < 0x20) return false;
            if (c != '\\') {
                t += s[i];
                continue;
            }
            if (++i == s.size()) return false;
            const char* plain = std::strchr("\"\\/bfnrt", s[i]);
            if (plain && *plain) t += "\"\\/\b\f\n\r\t"[plain - "\"\\/bfnrt"];
            else if (s[i] != 'u' || i + 4 >= s.size()) return false;
            else {
                const unsigned cp = std::stoul(std::string(s.substr(i + 1, 4)), nullptr, 16);
                i += 4;
                if (cp < 0x80) t += static_cast<char>(cp);
                else if (cp < 0x800) t += {static_cast<char>(0xC0 | cp >> 6), static_cast<char>(0x80 | (cp & 0x3F))};
                else t += {static_cast<char>(0xE0 | cp >> 12), static_cast<char>(0x80 | (cp >> 6 & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
            }
        }
        if (i++ == s.size()) return false;
        leaves.push_back(t);
        return true;
    }
    bool value()
    {
        if (!more()) return false;
        if (s[i] == '"') return string();
        if (s[i] == '[' || s[i] == '{') {
            const char close = s[i] == '[' ? ']' : '}';
            if (++i, more() && s[i] == close) return ++i, true;
            for (;;) {
                if (close == '}' && !(more() && s[i] == '"' && string() && more() && s[i++] == ':')) return false;
                if (!value() || !more()) return false;
                if (s[i] == close) return ++i, true;
                if (s[i++] != ',') return false;
            }
        }
        const std::size_t start = i;
        while (i < s.size() && std::strchr("+-.0123456789Eaeflnrstu", s[i])) ++i;
        leaves.emplace_back(s.substr(start, i - start));
        return i > start;
    }
};

std::optional<std::vector<std::string>> leavesOf(std::string_view json)
{
    Reader r{json, 0, {}};
    if (!r.value() || r.more()) return std::nullopt;
    return r.leaves;
}

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
        const std::vector<std::string> expected = {row.read, row.read, "0.1",    "-3",   "false",
                                                   "null",   row.read, row.read, "empty"};
        EXPECT_EQ(leavesOf(json), expected) << row.name << ": " << json;
    }
}

}  // namespace
