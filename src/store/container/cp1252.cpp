#include "store/container/cp1252.h"

#include <cstdint>

namespace vexa::vxf {

namespace {

// Code points of bytes 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<char> toByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

}  // namespace

std::string cp1252ToUtf8(const std::string& bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (unsigned char b : bytes) appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    return out;
}

std::optional<std::string> utf8ToCp1252(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        int extra = lead < 0x80             ? 0
                    : (lead & 0xE0) == 0xC0 ? 1
                    : (lead & 0xF0) == 0xE0 ? 2
                    : (lead & 0xF8) == 0xF0 ? 3
                                            : -1;
        if (extra < 0 || i + extra >= text.size()) return std::nullopt;
        char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto cont = static_cast<unsigned char>(text[i + k]);
            if ((cont & 0xC0) != 0x80) return std::nullopt;
            c = (c << 6) | (cont & 0x3F);
        }
        // Overlong forms would let a hidden '/' or '.' slip past the name checks.
        constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (c < kMin[extra]) return std::nullopt;
        auto byte = toByte(c);
        if (!byte) return std::nullopt;
        out += *byte;
        i += extra + 1;
    }
    return out;
}

}  // namespace vexa::vxf
