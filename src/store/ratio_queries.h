#pragma once
// Named ratios between two nutrients (Rel), the ratios a group enables (ER) and a formula's
// ratio restrictions (RRN): the ratio catalogue's list query, the group's members and the
// services of the formula editor's third grid. The SQL stays here, beside the tables.
#include "engine/fixed4.h"
#include "engine/restriction_items.h"
#include "store/catalog_queries.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa {

namespace catalog_queries {
// Every ratio by name with the names of its two nutrients (NomN1, NomN2; sort line 3).
ListQuery ratioList();
}  // namespace catalog_queries

struct RatioInfo {
    int32_t code = 0;
    std::string name;
    int32_t nut1 = 0, nut2 = 0;
};

// Every ratio by name.
std::vector<RatioInfo> ratiosByName(Database& db);
std::optional<RatioInfo> findRatio(Database& db, int32_t code);

// The ratios enabled for a group (ER), in the order they were added.
std::vector<int32_t> groupRatios(Database& db, int32_t cat);
// Replaces the group's ratios by `codes` as one change: SqlError leaves ER as it was.
void replaceGroupRatios(Database& db, int32_t cat, const std::vector<int32_t>& codes);
// The group's enabled ratios whose two nutrients are both enabled in the group (EN): those a
// formula of the group may restrict. By name.
std::vector<RatioInfo> insertableRatios(Database& db, int32_t cat);

// One ratio restriction of a formula as RRN stores it, with the ratio's name and nutrients.
struct FormulaRatioRow {
    RatioInfo ratio;
    Fixed4 minN1, minN2;  // a second term of 0 counts as 1
    Fixed4 maxN1, maxN2;  // 0 : 0 means no maximum (stored empty)
    bool hasMax() const { return !maxN1.isZero() || !maxN2.isZero(); }
    RatioBounds bounds() const {
        return {ratio.code, ratio.nut1, ratio.nut2, minN1, minN2, maxN1, maxN2};
    }
};

// The formula's ratio restrictions in the order they were added (rows whose ratio is gone are
// left out).
std::vector<FormulaRatioRow> formulaRatios(Database& db, int32_t lr);
// Adds or replaces the restriction of ratio row.ratio.code; SqlError when the store refuses.
void saveFormulaRatio(Database& db, int32_t lr, const FormulaRatioRow& row);
void deleteFormulaRatio(Database& db, int32_t lr, int32_t code);
// Replaces the ratio restrictions of dst by those of src, as one change.
void replaceFormulaRatios(Database& db, int32_t src, int32_t dst);

// True when min1 : min2 is above max1 : max2 (second terms of 0 count as 1; a max of 0 means
// none). Compared without rounding.
bool ratioMinAboveMax(Fixed4 minN1, Fixed4 minN2, Fixed4 maxN1, Fixed4 maxN2);

}  // namespace vexa
