#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vordanel {

// Japanese offices' sheets: Excel in Japan saves plain CSV in CP932, Shift_JIS as Windows writes
// it. These read such text as UTF-8 and write this program's words back in it.

// Whether the text is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool isUtf8(std::string_view text);
// CP932 bytes as UTF-8; none when a byte or pair reads as no character in CP932.
std::optional<std::string> utf8FromCp932(std::string_view bytes);
// UTF-8 in CP932, with the codes Windows chooses; a character CP932 lacks is written as the digit
// it raises (m³ as m3, as the units are typed) or else as '?'.
std::string cp932FromUtf8(std::string_view text);

}  // namespace vordanel
