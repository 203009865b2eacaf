#include "vordanel/catalogue.h"

namespace vordanel {

std::string word(Word w, std::initializer_list<std::string_view> fills)
{
    const std::string_view text = word(w);
    std::string filled;
    filled.reserve(text.size() + 16 * fills.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        // {1} to {9}: one digit is enough for any sentence here.
        if (text[i] == '{' && i + 2 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9' && text[i + 2] == '}') {
            const std::size_t n = static_cast<std::size_t>(text[i + 1] - '1');
            if (n < fills.size()) filled += fills.begin()[n];
            i += 2;
        } else {
            filled += text[i];
        }
    }
    return filled;
}

}  // namespace vordanel
