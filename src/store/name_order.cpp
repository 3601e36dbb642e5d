#include "store/name_order.h"

#include <cstdint>
#include <vector>

namespace vexa {

namespace {

std::function<int(std::string_view, std::string_view)>& comparator() {
    static std::function<int(std::string_view, std::string_view)> c;
    return c;
}

// The next code point of UTF-8 text (a stray byte stands for itself).
char32_t nextCodePoint(std::string_view s, size_t& i) {
    const auto b = static_cast<unsigned char>(s[i++]);
    if (b < 0x80) return b;
    int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    char32_t cp = b & (0x3F >> extra);
    for (; extra > 0 && i < s.size(); --extra) {
        const auto c = static_cast<unsigned char>(s[i]);
        if ((c & 0xC0) != 0x80) break;
        cp = (cp << 6) | (c & 0x3F);
        ++i;
    }
    return cp;
}

// The letter's place in the Spanish alphabet, accents and case aside: letters at even places,
// "ñ" just after "n".
uint32_t primary(char32_t c) {
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    switch (c) {
        case U'á':
        case U'à':
        case U'â':
        case U'ä':
        case U'Á':
        case U'À':
        case U'Â':
        case U'Ä':
            c = 'a';
            break;
        case U'é':
        case U'è':
        case U'ê':
        case U'ë':
        case U'É':
        case U'È':
        case U'Ê':
        case U'Ë':
            c = 'e';
            break;
        case U'í':
        case U'ì':
        case U'î':
        case U'ï':
        case U'Í':
        case U'Ì':
        case U'Î':
        case U'Ï':
            c = 'i';
            break;
        case U'ó':
        case U'ò':
        case U'ô':
        case U'ö':
        case U'Ó':
        case U'Ò':
        case U'Ô':
        case U'Ö':
            c = 'o';
            break;
        case U'ú':
        case U'ù':
        case U'û':
        case U'ü':
        case U'Ú':
        case U'Ù':
        case U'Û':
        case U'Ü':
            c = 'u';
            break;
        case U'ç':
        case U'Ç':
            c = 'c';
            break;
        case U'ñ':
        case U'Ñ':
            return 'n' * 2 + 1;
        default:
            break;
    }
    return static_cast<uint32_t>(c) * 2;
}

int builtIn(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const uint32_t x = primary(nextCodePoint(a, i)), y = primary(nextCodePoint(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    // Equal but for accents or case: a fixed order all the same.
    const int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

}  // namespace

int compareNames(std::string_view a, std::string_view b) {
    if (const auto& c = comparator()) return c(a, b);
    return builtIn(a, b);
}

void setNameComparator(std::function<int(std::string_view, std::string_view)> compare) {
    comparator() = std::move(compare);
}

}  // namespace vexa
