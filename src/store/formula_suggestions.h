#pragma once
// A run's suggested relaxations written into the restrictions a formula stores (RIn, RNu), by
// the one rule of applySuggestions, so the next run sees what the user accepted.
#include "engine/restriction_items.h"

#include <cstdint>
#include <vector>

namespace vexa {

class Database;

// Writes the suggestions into formula lr's stored bounds in one transaction and returns how
// many restrictions changed. A nutrient maximum of 0 is stored empty (no maximum). Throws
// SqlError, with nothing written, when the store refuses a change.
int AplicarSugerencias(Database& db, int32_t lr, const std::vector<TRecom>& suggestions);

}  // namespace vexa
