#pragma once
// Table, field and file names compare as the database engine compares them: ASCII letters
// without regard to case.
#include <cctype>
#include <string_view>

namespace vexa {

inline bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace vexa
