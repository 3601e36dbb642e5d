#pragma once
// The queries of the formulas window, the groups window and the member lists, kept beside
// the tables they read: each list's query with its update statements, the counts of
// restrictions per formula, the price items, and a group's members with their one-change
// replacement.
#include <cstdint>
#include <map>
#include <string_view>
#include <vector>

#include "store/catalog_queries.h"

namespace vexa {

namespace catalog_queries {
// The formulas of the group :Codigo by name (sort line 4).
ListQuery formulaList();
// Every group in code order (sort line 3).
ListQuery groupList();
}  // namespace catalog_queries

// Restrictions per formula: `table` is RIn or RNu (any case); formulas without any are absent.
std::map<int32_t, int> restrictionCounts(Database& db, std::string_view table);
// The price items (nutrients of type 1), by name.
std::vector<CodeName> priceItems(Database& db);
// Every nutrient by name (the nutrient member list).
std::vector<CodeName> nutrientsByName(Database& db);

// A group's members: `table` is EI (ingredients) or EN (nutrients), any case; anything else
// throws std::invalid_argument.
std::vector<int32_t> groupMembers(Database& db, std::string_view table, int32_t cat);
// Deletes every member row of the group and inserts one per code, in the order given, as one
// change: SqlError leaves the table as it was.
void replaceGroupMembers(Database& db, std::string_view table, int32_t cat,
                         const std::vector<int32_t>& codes);

}  // namespace vexa
