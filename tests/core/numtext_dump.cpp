// The core's number texts over a seeded sample of doubles, one line each, for a comparison of the
// native and the WebAssembly build (numtext_builds.sh). The sample is drawn from mt19937_64's raw
// output alone, which the standard fixes bit for bit; its distributions it leaves to each library.
#include "vordanel/numtext.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

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
        std::string line = bitsOf(value) + " " + roundTripText(value) + " " + displayText(value) + " "
                           + displayText(value, ",") + " " + parsed(roundTripText(value)) + " " + bitsOf(readPlainNumber(roundTripText(value)));
        if (!typed.empty()) line += " " + parsed(typed) + " " + bitsOf(readPlainNumber(typed));
        for (int precision = 0; precision <= 17; ++precision)
            line += " " + fixedText(value, precision) + " " + generalText(value, precision) + " " + roundedText(value, precision);
        for (const FlowUnit unit : flowUnits) line += " " + flowText(value, unit);
        if (const auto head = shownHeadMillimetres(value)) line += " " + bitsOf(*head);
        std::puts(line.c_str());
    }
}
