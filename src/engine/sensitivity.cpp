// Post-optimal analysis: price ranges of the ingredients and the cost value of each row, read
// from the reduced costs of the final tableau.
#include "engine/mix_math.h"
#include "engine/mix_object.h"

#include <cmath>

namespace vexa {

void TMixObject::RangePrices() {
    PriceRange[0].assign(IngredientCount + 1, 0.0f);
    PriceRange[1].assign(IngredientCount + 1, 0.0f);
    std::vector<bool> basic(IngredientCount + 1, false);
    for (int32_t r = 1; r <= RowCount; ++r)
        if (Basis[r] >= 1 && Basis[r] <= IngredientCount) basic[Basis[r]] = true;
    const int32_t structural = IngredientCount + SlackCount;
    for (int32_t r = 1; r <= RowCount; ++r) {
        const int32_t k = Basis[r];
        if (k < 1 || k > IngredientCount) continue;
        double up = 99999.9999, down = 3.4e38;
        for (int32_t j = 1; j <= structural; ++j) {
            const double a = Tableau(j, r);
            if (!(SavedReducedCost[j] >= 0.0) || a == 0.0) continue;
            if (j <= IngredientCount && basic[j]) continue;
            const double q = SafeDivide(SavedReducedCost[j], std::fabs(a));
            if (a > 0.0 && up > q) up = q;
            if (a < 0.0 && down > q) down = q;
        }
        PriceRange[0][k] = static_cast<float>(down <= 3.4e37 ? Cost[k] - down : Cost[k]);
        PriceRange[1][k] = static_cast<float>(Cost[k] + up);
    }
    // an ingredient left out: the price below which it would come in
    for (int32_t b = 1; b <= IngredientCount; ++b) {
        if (!(SavedReducedCost[b] > 0.0)) continue;
        const double p = Cost[b] - SavedReducedCost[b];
        PriceRange[0][b] = static_cast<float>(p < 0.0 ? 0.0 : p);
    }
}

void TMixObject::ComputeRowValues() {
    RowValue.assign(RowCount + 1, 0.0f);
    for (int32_t i = 1; i <= RowCount; ++i) {
        const int32_t s = RowSlack[i];
        if (s > 0 && SavedReducedCost[s] > 0.0)
            RowValue[i] = static_cast<float>(SavedReducedCost[s]);
    }
}

}  // namespace vexa
