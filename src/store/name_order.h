#pragma once
// Names in the order a Spanish reader expects them: accents and case aside, "ñ" between "n"
// and "o" ("Nabo", "Ñame", "Oliva"). SQL sorts names with the collation kNameCollation, which
// every connection of the store has; the desktop program hands in its locale's collator.
#include <functional>
#include <string_view>

namespace vexa {

inline constexpr const char* kNameCollation = "NOMBRES";

// < 0, 0 or > 0 as `a` sorts before, with or after `b`.
int compareNames(std::string_view a, std::string_view b);

// Replaces the built-in Spanish order (nullptr puts it back).
void setNameComparator(std::function<int(std::string_view, std::string_view)> compare);

}  // namespace vexa
