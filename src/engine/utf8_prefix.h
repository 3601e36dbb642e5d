#pragma once
// Report texts are UTF-8; widths and precisions count characters, not bytes.
#include <cstddef>
#include <string_view>

namespace vexa {

// The first `chars` UTF-8 characters of s (all of s when it is shorter).
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

}  // namespace vexa
