#include "vordanel/numtext.h"

#include <fast_float/fast_float.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

// The number texts are std::to_chars's. The WebAssembly build's standard library (libc++ 14) has
// no <charconv> for doubles, and its C library's printf works in software long double, slowly:
// there {fmt} writes the same texts (numtext_builds.sh holds the two builds to it). Natively
// std::to_chars is several times faster than {fmt} 9 with a precision, and a table is mostly that.
#if defined(__EMSCRIPTEN__) || !defined(__cpp_lib_to_chars) || __cpp_lib_to_chars < 201611L
#define VORDANEL_NUMBERS_BY_FMT 1
#include <fmt/compile.h>
#endif

namespace vordanel {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

#ifndef VORDANEL_NUMBERS_BY_FMT

std::to_chars_result writeDouble(char* first, char* last, double value, std::chars_format format, int precision)
{
    return std::to_chars(first, last, value, format, precision);
}

std::to_chars_result writeShortest(char* first, char* last, double value) { return std::to_chars(first, last, value); }

// A text of any length: the room a double can take at this precision, then what was written.
std::string preciseText(double value, std::chars_format format, int precision)
{
    std::string text(static_cast<std::size_t>(precision) + 330, '\0');  // sign, 309 digits, point, exponent
    const auto [end, ec] = std::to_chars(text.data(), text.data() + text.size(), value, format, precision);
    text.resize(ec == std::errc{} ? static_cast<std::size_t>(end - text.data()) : 0);
    return text;
}

#else

std::to_chars_result writeDouble(char* first, char* last, double value, std::chars_format format, int precision)
{
    const auto room = static_cast<std::size_t>(last - first);
    const auto written = format == std::chars_format::fixed ? fmt::format_to_n(first, room, FMT_COMPILE("{:.{}f}"), value, precision)
                                                            : fmt::format_to_n(first, room, FMT_COMPILE("{:.{}g}"), value, precision);
    if (written.size > room) return {last, std::errc::value_too_large};
    return {written.out, std::errc{}};
}

// The shortest text that reads back to the value, as std::to_chars(first, last, value) writes it:
// fixed or scientific, whichever is shorter, fixed on a tie; the exponent of two digits at least.
std::to_chars_result writeShortest(char* first, char* last, double value)
{
    char shortest[40];  // {fmt}'s shortest digits, in a form of its own choosing
    const char* const end = fmt::format_to_n(shortest, sizeof shortest, FMT_COMPILE("{}"), value).out;
    std::string_view text(shortest, static_cast<std::size_t>(end - shortest));
    std::string out;
    if (text.starts_with('-')) out += '-', text.remove_prefix(1);
    if (!isDigit(text.front())) {  // inf, nan
        out += text;
    } else {
        // The digits without leading zeros, and the power of ten of the first: d.ddd x 10^exponent.
        std::string digits;
        int exponent = -1;
        bool pointSeen = false;
        std::size_t i = 0;
        for (; i < text.size() && text[i] != 'e'; ++i) {
            if (text[i] == '.') pointSeen = true;
            else if (!digits.empty() || text[i] != '0') digits += text[i], exponent += pointSeen ? 0 : 1;
            else if (pointSeen) --exponent;
        }
        if (i < text.size()) exponent += std::stoi(std::string(text.substr(i + 1)));
        while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
        if (digits.empty()) {
            out += '0';
        } else {
            std::string scientific = digits.substr(0, 1);
            if (digits.size() > 1) scientific.append(".").append(digits, 1);
            const int magnitude = exponent < 0 ? -exponent : exponent;
            scientific.append(exponent < 0 ? "e-" : "e+").append(magnitude < 10 ? "0" : "").append(std::to_string(magnitude));
            std::string fixed;
            const auto count = static_cast<int>(digits.size());
            if (exponent >= count - 1) fixed = fmt::format(FMT_COMPILE("{:.0f}"), std::fabs(value));  // a whole number, digit for digit
            else if (exponent >= 0) fixed = digits.substr(0, exponent + 1) + "." + digits.substr(exponent + 1);
            else fixed = "0." + std::string(-exponent - 1, '0') + digits;
            out += fixed.size() <= scientific.size() ? fixed : scientific;
        }
    }
    if (out.size() > static_cast<std::size_t>(last - first)) return {last, std::errc::value_too_large};
    return {std::copy(out.begin(), out.end(), first), std::errc{}};
}

std::string preciseText(double value, std::chars_format format, int precision)
{
    return format == std::chars_format::fixed ? fmt::format(FMT_COMPILE("{:.{}f}"), value, precision)
                                              : fmt::format(FMT_COMPILE("{:.{}g}"), value, precision);
}

#endif

// As std::from_chars reads the plain form: a result beyond the double range, or one that a
// nonzero number rounds to zero, is out of range and leaves value as it was.
std::from_chars_result readDouble(const char* first, const char* last, double& value)
{
    double read = 0.0;
    const auto [end, ec] = fast_float::from_chars(first, last, read);
    if (ec != std::errc{}) return {end, ec};
    if (std::isinf(read)) return {end, std::errc::result_out_of_range};
    if (read == 0) {
        // Zero written as zero, or a nonzero number too small for a double.
        const auto mantissaEnd = std::find_if(first, end, [](char c) { return c == 'e' || c == 'E'; });
        if (std::find_if(first, mantissaEnd, [](char c) { return c >= '1' && c <= '9'; }) != mantissaEnd)
            return {end, std::errc::result_out_of_range};
    }
    value = read;
    return {end, std::errc{}};
}

// Decodes one UTF-8 code point at text[i], advancing i; -1 for a malformed sequence.
std::int32_t nextCodePoint(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return -1;
    std::int32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return -1;
        cp = (cp << 6) | (byte(i + k) & 0x3F);
    }
    i += length;
    return cp;
}

void appendUtf8(std::string& out, std::int32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

ParsedNumber notANumber() { return {0.0, Fault::NotANumber}; }

}  // namespace

std::optional<std::string> foldToAscii(std::string_view text)
{
    // Most entries are plain ASCII already, and stay as they are.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return std::string(text);
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        std::int32_t cp = nextCodePoint(text, i);
        if (cp < 0) return std::nullopt;
        if (cp >= 0xFF01 && cp <= 0xFF5E) cp -= 0xFEE0;
        else if (cp == 0x3000 || cp == 0x00A0) cp = ' ';
        else if (cp == 0x2212) cp = '-';
        appendUtf8(folded, cp);
    }
    return folded;
}

ParsedNumber parseNumber(std::string_view text, std::string_view decimalPoint)
{
    const auto folded = foldToAscii(text);
    if (!folded) return notANumber();
    std::string_view s = *folded;
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);

    // Rewritten into the plain form std::from_chars reads: [-]digits[.digits][e[-]digits].
    std::string plain;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') plain += '-';
        ++i;
    }
    int integerDigits = 0, leadingZeros = 0, significantSeen = 0, mantissaDigits = 0;
    for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) {
        plain += s[i];
        if (s[i] != '0' || significantSeen) ++significantSeen, ++integerDigits;
    }
    if (!decimalPoint.empty() && s.substr(i, decimalPoint.size()) == decimalPoint) {
        plain += '.';
        i += decimalPoint.size();
        for (; i < s.size() && isDigit(s[i]); ++i, ++mantissaDigits) {
            plain += s[i];
            if (s[i] != '0') ++significantSeen;
            else if (!significantSeen) ++leadingZeros;
        }
    }
    if (mantissaDigits == 0) return notANumber();
    long long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        plain += 'e';
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
        if (negative) plain += '-';
        const std::size_t start = i;
        for (; i < s.size() && isDigit(s[i]); ++i) {
            plain += s[i];
            if (exponent < 100000) exponent = exponent * 10 + (s[i] - '0');
        }
        if (i == start) return notANumber();
        if (negative) exponent = -exponent;
    }
    if (i != s.size()) return notANumber();

    double value = 0.0;
    const auto [end, ec] = readDouble(plain.data(), plain.data() + plain.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Out of range either way: decide by the decimal order of magnitude of the digits.
        const long long order = exponent + (integerDigits > 0 ? integerDigits : -leadingZeros);
        if (order > 0) return {0.0, Fault::Overflow};
        return {plain.front() == '-' ? -0.0 : 0.0, std::nullopt};
    }
    if (ec != std::errc{} || end != plain.data() + plain.size()) return notANumber();
    if (!std::isfinite(value)) return {0.0, Fault::Overflow};
    return {value, std::nullopt};
}

char* writeDisplayText(char* first, char* last, double value)
{
    if (value == 0) {
        if (first != last) *first++ = '0';
        return first;
    }
    const auto [end, ec] = writeDouble(first, last, value, std::chars_format::general, 15);
    return ec == std::errc{} ? end : first;
}

std::string displayText(double value, std::string_view decimalPoint)
{
    char buffer[32];
    const char* const end = writeDisplayText(buffer, buffer + sizeof buffer, value);
    std::string text;
    text.reserve(static_cast<std::size_t>(end - buffer) + decimalPoint.size());
    for (const char* p = buffer; p != end; ++p) {
        if (*p == '.') text += decimalPoint;
        else text += *p;
    }
    return text;
}

std::string roundedText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double scaled = std::round(value * scale);
    // Beyond 2^53 a double has no decimals left to round, and beyond the range no product.
    return displayText(std::isfinite(scaled) ? scaled / scale : value);
}

std::string flowText(double litresPerMinute, FlowUnit unit)
{
    return roundedText(fromLitresPerMinute(litresPerMinute, unit), names(unit).decimals);
}

double readPlainNumber(std::string_view text)
{
    double value = 0.0;
    readDouble(text.data(), text.data() + text.size(), value);
    return value;
}

std::string roundTripText(double value)
{
    char buffer[32];
    const auto [end, ec] = writeShortest(buffer, buffer + sizeof buffer, value);
    if (ec != std::errc{}) return {};
    return std::string(buffer, end);
}

std::string fixedText(double value, int decimals) { return preciseText(value, std::chars_format::fixed, std::max(decimals, 0)); }
std::string generalText(double value, int digits) { return preciseText(value, std::chars_format::general, std::max(digits, 0)); }

std::optional<double> shownHeadMillimetres(double xMid)
{
    // Rounded in text, as a digit mask of five decimals rounds it, and read back.
    char buffer[400];
    const auto [end, ec] = writeDouble(buffer, buffer + sizeof buffer, xMid, std::chars_format::fixed, 5);
    if (ec != std::errc{}) return std::nullopt;
    double rounded = 0.0;
    readDouble(buffer, end, rounded);
    const double millimetres = rounded * 1000;
    if (!std::isfinite(millimetres)) return std::nullopt;
    return millimetres + 0.0;  // a head that rounds to -0 shows as 0
}

}  // namespace vordanel
