#pragma once
// One call from the page's scripts into a module: its arguments as one JSON array of texts and
// numbers (JSON.stringify of the script's own values, so that a NUL typed or pasted is part of a
// text, as \u0000), its answer one JSON text. The answer is the module's until its next call: the
// script copies it at once.

#include "vordanel/numtext.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vordanel::glue {

class Request
{
public:
    // A text that is no JSON array of texts, numbers and nulls reads as no arguments.
    explicit Request(const char* json) : at_(json)
    {
        if (!parse()) values_.clear();
    }
    // The i-th argument as a text ("" where it is none), or as a number (0 where it is none).
    std::string_view text(std::size_t i) const { return i < values_.size() ? std::string_view(values_[i].text) : ""; }
    double number(std::size_t i) const { return i < values_.size() ? values_[i].number : 0; }
    bool isNull(std::size_t i) const { return i >= values_.size() || values_[i].null; }
    std::size_t size() const { return values_.size(); }

private:
    struct Value {
        std::string text;
        double number = 0;
        bool null = false;
    };
    const char* at_;
    std::vector<Value> values_;

    void space()
    {
        while (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r') ++at_;
    }
    bool parse()
    {
        space();
        if (*at_++ != '[') return false;
        space();
        if (*at_ == ']') return true;
        for (;;) {
            space();
            Value v;
            if (*at_ == '"') {
                if (!string(v.text)) return false;
            } else if (std::string_view(at_).substr(0, 4) == "null") {
                at_ += 4;
                v.null = true;
            } else {
                // The core's own reader of numbers, which the modules have already (strtod
                // would bring its own, several kilobytes).
                const char* end = at_;
                while ((*end >= '0' && *end <= '9') || *end == '-' || *end == '+' || *end == '.' || *end == 'e' || *end == 'E') ++end;
                if (end == at_) return false;
                v.number = readPlainNumber(std::string_view(at_, static_cast<std::size_t>(end - at_)));
                at_ = end;
            }
            values_.push_back(std::move(v));
            space();
            if (*at_ == ']') return true;
            if (*at_++ != ',') return false;
        }
    }
    static int hex(char c)
    {
        return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    }
    bool unit(std::uint32_t& u)
    {
        u = 0;
        for (int i = 0; i < 4; ++i) {
            const int h = hex(*at_++);
            if (h < 0) return false;
            u = u * 16 + static_cast<std::uint32_t>(h);
        }
        return true;
    }
    static void utf8(std::string& out, std::uint32_t c)
    {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    bool string(std::string& out)
    {
        ++at_;
        for (;;) {
            const char c = *at_++;
            if (c == '\0') return false;
            if (c == '"') return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            const char e = *at_++;
            switch (e) {
            case '"': case '\\': case '/': out += e; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t u = 0;
                if (!unit(u)) return false;
                // A pair of surrogates is one character; a lone one stands for U+FFFD, as the
                // script's own encoder writes it.
                if (u >= 0xD800 && u < 0xDC00 && at_[0] == '\\' && at_[1] == 'u') {
                    const char* back = at_;
                    at_ += 2;
                    std::uint32_t low = 0;
                    if (unit(low) && low >= 0xDC00 && low < 0xE000) {
                        u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
                    } else {
                        at_ = back;
                        u = 0xFFFD;
                    }
                } else if (u >= 0xD800 && u < 0xE000) {
                    u = 0xFFFD;
                }
                utf8(out, u);
                break;
            }
            default: return false;
            }
        }
    }
};

}  // namespace vordanel::glue
