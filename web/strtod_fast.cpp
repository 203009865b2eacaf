// The WebAssembly build's strtod (linked with --wrap=strtod). musl's strtod works in long double,
// which WebAssembly only has in software: reading a batch's numbers took an eighth of its time.
// Plain decimals of at most 15 digits with a small exponent, which are nearly all that an entry
// or a spreadsheet holds, read exactly here: the digits are an exact double, and one
// multiplication or division by an exact power of ten rounds correctly (Clinger's fast path).
// Everything else goes to musl's, which gives the same double for the texts read here.
#include <cstdlib>

extern "C" double __real_strtod(const char* text, char** end);

extern "C" double __wrap_strtod(const char* text, char** end)
{
    static constexpr double powersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    unsigned long long digits = 0;
    int significant = 0, scale = 0;
    bool any = false;
    for (; *p >= '0' && *p <= '9'; ++p, any = true) {
        if (significant > 0 || *p != '0') ++significant;
        digits = digits * 10 + static_cast<unsigned>(*p - '0');
    }
    if (*p == '.') {
        for (++p; *p >= '0' && *p <= '9'; ++p, any = true) {
            if (significant > 0 || *p != '0') ++significant;
            digits = digits * 10 + static_cast<unsigned>(*p - '0');
            --scale;
        }
    }
    if (!any || significant > 15 || *p == 'x' || *p == 'X') return __real_strtod(text, end);
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        const bool negativeExponent = *q == '-';
        if (*q == '-' || *q == '+') ++q;
        if (*q >= '0' && *q <= '9') {
            int exponent = 0;
            for (; *q >= '0' && *q <= '9'; ++q) {
                if (exponent > 1000) return __real_strtod(text, end);
                exponent = exponent * 10 + (*q - '0');
            }
            scale += negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    if (scale < -22 || scale > 22) return __real_strtod(text, end);
    double value = static_cast<double>(digits);  // below 10^15 < 2^53: exact
    value = scale < 0 ? value / powersOfTen[-scale] : value * powersOfTen[scale];
    if (end) *end = const_cast<char*>(p);
    return negative ? -value : value;
}
