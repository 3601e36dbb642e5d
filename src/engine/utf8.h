#pragma once
// Every text of the program is UTF-8: names are cut and widths counted by characters (code
// points), never by bytes, so an accented letter is never split.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vexa {

// Number of characters of s: the bytes that do not continue a sequence.
inline size_t utf8Length(std::string_view s) {
    size_t n = 0;
    for (char c : s)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

// The first `chars` characters of s (all of s when it is shorter); cut only before a byte
// that starts a character.
inline std::string_view utf8Prefix(std::string_view s, size_t chars) {
    size_t n = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
            if (n == chars) return s.substr(0, i);
            ++n;
        }
    }
    return s;
}

// utf8Prefix as a string of its own, for the fields that store a name of limited width.
inline std::string utf8Left(std::string_view s, size_t chars) {
    return std::string(utf8Prefix(s, chars));
}

inline void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The character that starts at s[i], moving i past it; nothing (i unchanged) for a cut
// sequence, a stray continuation byte, an overlong form (it would let a hidden '/' or '.'
// slip past a name check), a surrogate or a value past U+10FFFF.
inline std::optional<char32_t> nextCodePoint(std::string_view s, size_t& i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const int extra = lead < 0x80             ? 0
                      : (lead & 0xE0) == 0xC0 ? 1
                      : (lead & 0xF0) == 0xE0 ? 2
                      : (lead & 0xF8) == 0xF0 ? 3
                                              : -1;
    if (extra < 0 || i + extra >= s.size()) return std::nullopt;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto cont = static_cast<unsigned char>(s[i + k]);
        if ((cont & 0xC0) != 0x80) return std::nullopt;
        c = (c << 6) | (cont & 0x3F);
    }
    constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (c < kMin[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    i += static_cast<size_t>(extra) + 1;
    return c;
}

inline bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();)
        if (!nextCodePoint(s, i)) return false;
    return true;
}

// Text for a plain-text file: control characters other than line feed and tab (an escape
// or a bell typed into a name would drive the reader's terminal) become "?".
inline std::string withoutControlCharacters(std::string text) {
    for (char& c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b < 0x20 && c != '\n' && c != '\t') || b == 0x7F) c = '?';
    }
    return text;
}

}  // namespace vexa
