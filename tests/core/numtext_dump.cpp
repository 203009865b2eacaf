// The core's number texts over a seeded sample of doubles, one line each, for a comparison of the
// native and the WebAssembly build (numtext_builds.sh), which write them with different libraries.
// The sample is drawn from mt19937_64's raw output alone, which the standard fixes bit for bit; its
// distributions it leaves to each library. After it come the doubles where two ways of writing a
// number part most easily: zeros, subnormals, the ends of the range, powers of two and ten and their
// neighbours, and the exact halfway cases of every precision written.
#include "vordanel/numtext.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

std::string bitsOf(double value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(bits));
    return hex;
}

std::string parsed(std::string_view text, std::string_view decimalPoint = ".")
{
    const auto number = vordanel::parseNumber(text, decimalPoint);
    return number.fault ? vordanel::names(*number.fault).key : bitsOf(number.value);
}

// Every text the core writes of one double (and of the text it was typed as, if any): the display
// text with either decimal separator, the shortest, every fixed and general precision a writer
// uses, the rounded, the flow in each unit, the shown head.
std::string textsOf(double value, const std::string& typed)
{
    using namespace vordanel;
    std::string line = bitsOf(value) + " " + roundTripText(value) + " " + displayText(value) + " " + displayText(value, ",")
                       + " " + parsed(roundTripText(value)) + " " + bitsOf(readPlainNumber(roundTripText(value)));
    if (!typed.empty()) line += " " + parsed(typed) + " " + bitsOf(readPlainNumber(typed));
    for (int precision = 0; precision <= 17; ++precision)
        line += " " + fixedText(value, precision) + " " + generalText(value, precision) + " " + roundedText(value, precision);
    for (const FlowUnit unit : flowUnits) line += " " + flowText(value, unit);
    if (const auto head = shownHeadMillimetres(value)) line += " " + bitsOf(*head);
    return line;
}

// The edges, each with its sign turned too.
std::vector<double> edges(std::mt19937_64& draw)
{
    const auto decimal = [](std::string mantissa, int exponent) {
        mantissa += 'e';
        mantissa += std::to_string(exponent);
        return vordanel::readPlainNumber(mantissa);
    };
    std::vector<double> values = {0.0,     DBL_TRUE_MIN, 2 * DBL_TRUE_MIN, DBL_MIN - DBL_TRUE_MIN, DBL_MIN, DBL_MAX,
                                  INFINITY, NAN,          DBL_EPSILON,      1 - DBL_EPSILON / 2,    0.1 + 0.2};
    const auto withNeighbours = [&](double x) {
        values.insert(values.end(), {x, std::nextafter(x, 0.0), std::nextafter(x, INFINITY)});
    };
    withNeighbours(DBL_MAX / 2);
    // Above 10^30 every text is the same whole number with zeros after it at any precision, and the
    // web build writes it by big-number arithmetic, slowly: there a sample and the top of the range.
    const auto sampled = [](int e, int top) { return e <= 100 || e % 8 == 0 || e > top - 8; };
    for (int e = -1074; e <= 1023; ++e)
        if (sampled(e, 1023)) withNeighbours(std::ldexp(1.0, e));
    for (int e = -323; e <= 308; ++e)
        if (e <= 30 || sampled(e, 308)) withNeighbours(decimal("1", e)), withNeighbours(decimal("9.5", e));
    // Just below a power of ten, where rounding at a precision carries into a new digit: 9.99...
    for (int digits = 1; digits <= 17; ++digits)
        for (int e = -20; e <= 20; ++e) withNeighbours(decimal(std::string(static_cast<std::size_t>(digits), '9') + '5', e));
    // Odd multiples of 2^-k have k decimals, the last a 5: exact ties of fixed precision k - 1, and
    // of the general precision one short of their significant digits. Each with its neighbours,
    // which are no ties.
    for (int k = 1; k <= 60; ++k) {
        for (std::uint64_t j : {1ull, 3ull, 5ull, 7ull, 9ull, 11ull, 15ull, 25ull, 125ull, 999ull})
            withNeighbours(std::ldexp(static_cast<double>(j), -k));
        for (int n = 0; n < 8; ++n) {
            const std::uint64_t bits = draw();  // one draw a statement: the order is every compiler's
            const auto shift = static_cast<int>(11 + draw() % 40);
            withNeighbours(std::ldexp(static_cast<double>((bits >> shift) | 1), -k));
        }
    }
    // Whole ties of the general precisions: digits ending in 5, times a power of ten, exact while
    // below 2^53; and whole numbers beyond it, which have no fraction for any precision to drop.
    for (int digits = 1; digits <= 16; ++digits)
        for (int n = 0; n < 6; ++n) {
            std::uint64_t ceiling = 1;
            for (int d = 1; d < digits; ++d) ceiling *= 10;
            const std::uint64_t tie = (draw() % ceiling) * 10 + 5;
            for (std::uint64_t scaled = tie; scaled < (1ull << 53); scaled *= 10) withNeighbours(static_cast<double>(scaled));
        }
    for (int n = 0; n < 50; ++n) {
        const std::uint64_t bits = draw();
        withNeighbours(std::ldexp(static_cast<double>(bits >> 11), 53 + static_cast<int>(draw() % 960)));
    }
    const std::size_t count = values.size();
    for (std::size_t k = 0; k < count; ++k) values.push_back(-values[k]);
    return values;
}

}  // namespace

int main()
{
    using namespace vordanel;
    std::mt19937_64 draw(20240601);
    for (int n = 0; n < 12000; ++n) {
        const std::uint64_t bits = draw();
        double value = 0;
        std::string typed;  // a number as a person or a sheet writes it: digits, maybe a point and an exponent
        switch (n % 4) {
        case 0:  // any double at all: subnormals, infinities, NaNs among them
            std::memcpy(&value, &bits, sizeof value);
            break;
        case 1:  // a magnitude a weir's numbers take
            value = std::ldexp(static_cast<double>(bits >> 11), -53 + static_cast<int>(draw() % 60) - 30);
            break;
        default: {  // a decimal of up to 19 digits, its point anywhere, with or without an exponent
            const std::string digits = std::to_string(bits % 10000000000000000000ull);
            const auto point = draw() % (digits.size() + 1);
            typed = (bits & 1 ? "-" : "") + digits.substr(0, point) + "." + digits.substr(point);
            if (n % 4 == 3) typed += "e" + std::to_string(static_cast<int>(draw() % 700) - 350);
            value = readPlainNumber(typed);
        }
        }
        std::puts(textsOf(value, typed).c_str());
    }
    for (const double value : edges(draw)) std::puts(textsOf(value, {}).c_str());
}
