#pragma once

#include "vordanel/formula.h"
#include "vordanel/units.h"

#include <optional>
#include <string>
#include <string_view>

namespace vordanel {

struct ParsedNumber {
    double value = 0.0;
    std::optional<Fault> fault;  // NotANumber or Overflow; value is 0 then
};

// The compatibility forms a Japanese input method produces folded to ASCII, as Unicode's NFKC
// folds them: the full-width forms U+FF01..U+FF5E (１２.５, （）, ｍｍ), the ideographic and
// no-break spaces to a space; the minus sign U+2212 to a hyphen-minus, since some locales write
// negative numbers with it. Nothing where the text is not UTF-8.
std::optional<std::string> foldToAscii(std::string_view text);

// Reads a number as a person types it into an entry (UTF-8). Blanks around it are ignored;
// full-width digits, signs, point and exponent letter (as a Japanese input method types them)
// read as their ASCII forms. Accepted: an optional sign, digits with at most one decimal
// separator, an optional exponent. No digit grouping, no "inf", "nan" or hexadecimal.
// A magnitude beyond the double range is an overflow; one too small for a double reads as 0.
ParsedNumber parseNumber(std::string_view text, std::string_view decimalPoint = ".");

// The display text of a number: at most 15 significant digits, trailing zeros and a trailing
// decimal separator dropped, an exponent only for very large or very small magnitudes.
std::string displayText(double value, std::string_view decimalPoint = ".");
// The same text with a decimal point, written into [first, last) (32 characters always do) for
// output that allocates nothing per number; returns the end of what was written.
char* writeDisplayText(char* first, char* last, double value);

// Reads back a number in the plain form writeDisplayText writes ([-]digits[.digits][e[-]digits]),
// correctly rounded, as std::from_chars would: what a table solves for the flow it prints.
double readPlainNumber(std::string_view text);

// A number rounded to so many decimals, then as displayText.
std::string roundedText(double value, int decimals);
// A head or a flow for a sentence: rounded to 0.01, as the window shows heads, then as displayText.
inline std::string hundredthsText(double value) { return roundedText(value, 2); }
// A flow (L/min) in a unit, to the places that resolve 0.01 L/min there: how a flow is printed.
std::string flowText(double litresPerMinute, FlowUnit unit);

// The shortest text that reads back to exactly the same double, as std::to_chars writes it: fixed
// or scientific (1e-04), whichever is shorter.
std::string roundTripText(double value);
// A number to so many decimals (printf's %.*f), and to so many significant digits, trailing zeros
// dropped (%.*g), as std::to_chars writes them, in every build alike.
std::string fixedText(double value, int decimals);
std::string generalText(double value, int digits);

// The shown head in millimetres: the head in metres rounded to five decimals (0.01 mm), then
// multiplied by 1000. Empty when the product is beyond the double range.
std::optional<double> shownHeadMillimetres(double xMid);

}  // namespace vordanel
