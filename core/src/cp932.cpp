#include "vordanel/cp932.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace vordanel {

namespace {

#include "cp932_table.inc"

int leadIndex(unsigned char lead) { return lead >= 0x81 && lead <= 0x9F ? lead - 0x81 : lead >= 0xE0 && lead <= 0xFC ? lead - 0xE0 + 31 : -1; }

void putUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The next code point of well-formed UTF-8 at text[i], advancing i; none where it is not.
std::optional<unsigned> nextCodePoint(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char b = byte(i);
    const int length = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return std::nullopt;
    unsigned code = length == 1 ? b : b & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return std::nullopt;
        code = code << 6 | (byte(i + k) & 0x3F);
    }
    const unsigned least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    i += static_cast<std::size_t>(length);
    return code;
}

// Each character CP932 has, with the code Windows writes it with, by character.
const std::vector<std::pair<unsigned short, unsigned short>>& encoder()
{
    static const auto table = [] {
        std::vector<std::pair<unsigned short, unsigned short>> pairs;
        for (unsigned b = 0; b < 256; ++b)
            if (cp932Single[b] != 0xFFFF) pairs.emplace_back(cp932Single[b], b);
        for (int lead = 0; lead < 60; ++lead)
            for (int trail = 0; trail < 189; ++trail) {
                const unsigned short character = cp932Double[lead * 189 + trail];
                const auto code = static_cast<unsigned short>((lead < 31 ? 0x81 + lead : 0xE0 + lead - 31) << 8 | (0x40 + trail));
                if (character && !std::binary_search(std::begin(cp932Unchosen), std::end(cp932Unchosen), code))
                    pairs.emplace_back(character, code);
            }
        std::sort(pairs.begin(), pairs.end());
        return pairs;
    }();
    return table;
}

}  // namespace

bool isUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();)
        if (!nextCodePoint(text, i)) return false;
    return true;
}

std::optional<std::string> utf8FromCp932(std::string_view bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const int lead = leadIndex(b);
        if (lead < 0) {
            if (cp932Single[b] == 0xFFFF) return std::nullopt;
            putUtf8(out, cp932Single[b]);
            continue;
        }
        const auto trail = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (trail < 0x40 || trail > 0xFC || !cp932Double[lead * 189 + trail - 0x40]) return std::nullopt;
        putUtf8(out, cp932Double[lead * 189 + trail - 0x40]);
        ++i;
    }
    return out;
}

std::string cp932FromUtf8(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        const auto code = nextCodePoint(text, i);
        if (!code) {
            out += '?';
            ++i;
            continue;
        }
        const auto& table = encoder();
        const auto at = std::lower_bound(table.begin(), table.end(), std::pair<unsigned short, unsigned short>(static_cast<unsigned short>(*code), 0));
        if (*code <= 0xFFFF && at != table.end() && at->first == *code) {
            if (at->second > 0xFF) out += static_cast<char>(at->second >> 8);
            out += static_cast<char>(at->second & 0xFF);
        } else {
            out += *code == 0xB2 ? '2' : *code == 0xB3 ? '3' : *code == 0xB9 ? '1' : '?';
        }
    }
    return out;
}

}  // namespace vordanel
