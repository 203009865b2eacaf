#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Every word and sentence the program shows a reader of Japanese, each once, by key: the window's
// captions and messages, the companion's, the page's. The words themselves are in catalogue.inc,
// which the page's build reads as well (web/build/assemble.py), so that its markup is painted with
// the same words before any script runs.
namespace vordanel {

enum class Word {
#define VORDANEL_WORD(key, text) key,
#include "vordanel/catalogue.inc"
#undef VORDANEL_WORD
};

namespace catalogue_detail {
inline constexpr const char* texts[] = {
#define VORDANEL_WORD(key, text) text,
#include "vordanel/catalogue.inc"
#undef VORDANEL_WORD
};
inline constexpr const char* keys[] = {
#define VORDANEL_WORD(key, text) #key,
#include "vordanel/catalogue.inc"
#undef VORDANEL_WORD
};
}  // namespace catalogue_detail

inline constexpr int wordCount = static_cast<int>(std::size(catalogue_detail::texts));

// A word's text (UTF-8); constexpr, so that the core's name tables stay constant tables.
constexpr const char* word(Word w) { return catalogue_detail::texts[static_cast<int>(w)]; }
// Its key, as the page's build names it (@w:key@).
constexpr const char* wordKey(Word w) { return catalogue_detail::keys[static_cast<int>(w)]; }
// A sentence with its blanks {1}, {2}, ... filled in order; the page fills its own {name} blanks.
std::string word(Word w, std::initializer_list<std::string_view> fills);

}  // namespace vordanel
