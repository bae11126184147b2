#pragma once
// UTF-8 as the engines return it, a character at a time, and which characters are Han
// ideographs: what the recognizer's line merging and its script choice both judge by.
#include <string>

namespace HanText {

template <typename Visit>
void forEachCharacter(const std::string& utf8, Visit visit)
{
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char lead = utf8[i];
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (int k = 1; k < length && i + k < utf8.size(); ++k)
            c = (c << 6) | (utf8[i + k] & 0x3F);
        i += length;
        visit(c);
    }
}

inline std::u32string decoded(const std::string& utf8)
{
    std::u32string out;
    forEachCharacter(utf8, [&](char32_t c) { out += c; });
    return out;
}

inline std::string encoded(const std::u32string& text)
{
    std::string out;
    for (const char32_t c : text) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// 0 to 9, as a reading writes them (a byte of UTF-8 above 0x7F is none).
inline bool isDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

inline bool isHan(char32_t c) { return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2FFFF); }

} // namespace HanText
