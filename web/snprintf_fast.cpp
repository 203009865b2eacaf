// The WebAssembly build's snprintf for "%.*g" and "%.*f" of a double (linked with --wrap=snprintf),
// which is how the core writes and rounds the numbers it shows where the library lacks
// std::to_chars for doubles.
// musl's printf works in long double, which WebAssembly only has in software: writing a batch's
// heads took a sixth of its time. Here the digits are worked out in 128-bit integers, exactly: the
// double is m·2^e, and m·2^e·10^k, as a quotient of two integers that fit, is rounded to the
// precision's digits half to even, as printf rounds. Numbers whose quotient would not fit (beyond
// about 1e-16 to 1e21 at 15 digits), and every other format, go to musl's, which gives the same text.
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

using u128 = unsigned __int128;


namespace {

int bitLength(u128 v)
{
    const auto high = static_cast<std::uint64_t>(v >> 64), low = static_cast<std::uint64_t>(v);
    return high ? 128 - __builtin_clzll(high) : low ? 64 - __builtin_clzll(low) : 0;
}

// 10^k for k up to 38, the most that 128 bits hold.
struct PowersOfTen {
    u128 at[39];
    constexpr PowersOfTen() : at{}
    {
        at[0] = 1;
        for (int k = 1; k < 39; ++k) at[k] = at[k - 1] * 10;
    }
};
constexpr PowersOfTen powersOfTen;

// round(|value|·10^k) half to even, when it can be had exactly in 128 bits.
bool scaled(double value, int k, u128& digits)
{
    int e = 0;
    const double fraction = std::frexp(std::fabs(value), &e);  // |value| = fraction·2^e, 0.5 <= fraction < 1
    const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    e -= 53;  // |value| = m·2^e
    if (k > 38 || k < -38) return false;
    u128 num = m, den = 1;
    if (k > 0) {
        if (bitLength(powersOfTen.at[k]) + 53 > 126) return false;
        num *= powersOfTen.at[k];
    } else {
        den = powersOfTen.at[-k];
    }
    if (e > 0) {
        if (bitLength(num) + e > 126) return false;
        num <<= e;
    } else if (e < 0) {
        if (bitLength(den) - e > 126) return false;
        den <<= -e;
    }
    u128 twice = 0;
    if (k >= 0 && e < 0) {  // a power of two below: a shift, where WebAssembly's division is slow
        digits = num >> -e;
        twice = (num & ((u128(1) << -e) - 1)) << 1;
    } else {
        digits = num / den;
        twice = 2 * (num - digits * den);
    }
    if (twice > den || (twice == den && (digits & 1))) ++digits;
    return true;
}

// "%.*g" with the precision given: the text, and its length; 0 where it cannot be had here.
int general(char* text, double value, int precision)
{
    if (!std::isfinite(value) || value == 0 || precision < 1 || precision > 17) return 0;
    const u128 limit = powersOfTen.at[precision];
    int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    u128 digits = 0;
    for (int tries = 0;; ++tries) {  // the logarithm's guess, put right by the exact digits
        if (tries == 4 || !scaled(value, precision - 1 - exponent, digits)) return 0;
        if (digits >= limit) ++exponent;  // too low a guess, or rounded up to the next power of ten
        else if (digits < limit / 10) --exponent;
        else break;
    }
    // Exactly the lowest digits of a decade may be a value just below it, rounded up: then it has
    // the precision's digits in the decade below.
    u128 below = 0;
    if (digits == limit / 10 && scaled(value, precision - exponent, below) && below < limit) {
        --exponent;
        digits = below;
    }
    char ds[18];
    auto rest = static_cast<std::uint64_t>(digits);  // at most 17 digits: 64 bits, divided quickly
    for (int i = precision - 1; i >= 0; --i, rest /= 10) ds[i] = static_cast<char>('0' + static_cast<int>(rest % 10));
    int used = precision;
    while (used > 1 && ds[used - 1] == '0') --used;  // %g drops trailing zeros

    char* p = text;
    if (std::signbit(value)) *p++ = '-';
    if (exponent < -4 || exponent >= precision) {
        *p++ = ds[0];
        if (used > 1) {
            *p++ = '.';
            std::memcpy(p, ds + 1, used - 1);
            p += used - 1;
        }
        *p++ = 'e';
        *p++ = exponent < 0 ? '-' : '+';
        const int magnitude = exponent < 0 ? -exponent : exponent;
        if (magnitude >= 100) *p++ = static_cast<char>('0' + magnitude / 100);
        *p++ = static_cast<char>('0' + magnitude / 10 % 10);
        *p++ = static_cast<char>('0' + magnitude % 10);
    } else if (exponent >= 0) {
        for (int i = 0; i <= exponent; ++i) *p++ = i < used ? ds[i] : '0';
        if (used > exponent + 1) {
            *p++ = '.';
            std::memcpy(p, ds + exponent + 1, used - exponent - 1);
            p += used - exponent - 1;
        }
    } else {
        *p++ = '0';
        *p++ = '.';
        for (int i = 0; i < -exponent - 1; ++i) *p++ = '0';
        std::memcpy(p, ds, used);
        p += used;
    }
    return static_cast<int>(p - text);
}

// "%.*f" with the precision given: the text, and its length; 0 where it cannot be had here.
int fixed(char* text, double value, int precision)
{
    u128 digits = 0;
    if (!std::isfinite(value) || precision < 0 || precision > 20 || !scaled(value, precision, digits)) return 0;
    char ds[48];
    int n = 0;
    for (; digits >> 64; digits /= 10) ds[n++] = static_cast<char>('0' + static_cast<int>(digits % 10));
    auto rest = static_cast<std::uint64_t>(digits);  // the rest in 64 bits, divided quickly
    do {
        ds[n++] = static_cast<char>('0' + static_cast<int>(rest % 10));
        rest /= 10;
    } while (rest || n <= precision);  // at least one digit before the point
    char* p = text;
    if (std::signbit(value)) *p++ = '-';
    while (n > precision) *p++ = ds[--n];
    if (precision > 0) *p++ = '.';
    while (n > 0) *p++ = ds[--n];
    return static_cast<int>(p - text);
}

}  // namespace

extern "C" int __wrap_snprintf(char* out, std::size_t size, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    int n = 0;
    const bool isGeneral = std::strcmp(format, "%.*g") == 0;
    if (isGeneral || std::strcmp(format, "%.*f") == 0) {
        std::va_list copy;
        va_copy(copy, args);
        const int precision = va_arg(copy, int);
        const double value = va_arg(copy, double);
        va_end(copy);
        char text[72];
        n = isGeneral ? general(text, value, precision) : fixed(text, value, precision);
        if (n > 0 && static_cast<std::size_t>(n) < size) {
            std::memcpy(out, text, n);
            out[n] = '\0';
            va_end(args);
            return n;
        }
    }
    n = std::vsnprintf(out, size, format, args);
    va_end(args);
    return n;
}
