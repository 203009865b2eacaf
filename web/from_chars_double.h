// Force-included into the WebAssembly build (see the top-level CMakeLists.txt). Its C++ library,
// libc++ 14, has std::from_chars for integers only; the companion's commands also read doubles
// with it. This reads them with the C library's strtod, correctly rounded, in the "C" locale the
// module always runs in: the same double from_chars gives for the plain texts it is handed.
#pragma once
#ifdef __cplusplus
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#if !defined(__cpp_lib_to_chars)
namespace std {
inline from_chars_result from_chars(const char* first, const char* last, double& value,
                                    chars_format = chars_format::general)
{
    const string text(first, last);
    char* end = nullptr;
    errno = 0;
    const double read = strtod(text.c_str(), &end);
    const char* consumed = first + (end - text.c_str());
    if (end == text.c_str()) return {first, errc::invalid_argument};
    if (errno == ERANGE && (read == 0 || isinf(read))) return {consumed, errc::result_out_of_range};
    value = read;
    return {consumed, errc{}};
}
}  // namespace std
#endif
#endif
