#include "store/container/cp1252.h"

#include "engine/utf8.h"

namespace vexa::vxf {

namespace {

// Code points of bytes 0x80..0x9F; the rest of the page equals Latin-1.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::optional<char> toByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == c) return static_cast<char>(0x80 + i);
    return std::nullopt;
}

}  // namespace

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char b : bytes) appendUtf8(out, b >= 0x80 && b < 0xA0 ? kHigh[b - 0x80] : b);
    return out;
}

std::optional<std::string> utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = nextCodePoint(text, i);
        if (!c) return std::nullopt;
        const auto byte = toByte(*c);
        if (!byte) return std::nullopt;
        out += *byte;
    }
    return out;
}

}  // namespace vexa::vxf
