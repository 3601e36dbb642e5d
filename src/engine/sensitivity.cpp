// Post-optimal analysis: price ranges of the ingredients and the cost value of each row, read
// from the reduced costs of the final tableau.
#include "engine/mix_math.h"
#include "engine/mix_object.h"

#include <cmath>
#include <limits>
#include <utility>

namespace vexa {

namespace {
constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Degenerate pivots tried before a range end is taken as found.
constexpr int kRangePivotLimit = 100;
}  // namespace

double TMixObject::priceRangeEnd(int32_t k, int dir) {
    const int32_t structural = IngredientCount + SlackCount;
    const double tol = Options.pivotTolerance;
    // The final tableau is only copied when a degenerate vertex has to be walked (into storage
    // kept for the whole run: a fresh block for each ingredient costs more than the copy).
    DenseTableau& savedTableau = rangeTableau_;
    std::vector<int32_t>& savedBasis = rangeBasis_;
    std::vector<double>& savedReduced = rangeReduced_;
    const double price = Cost[k];
    bool copied = false;
    double total = 0.0, result = kInfinity;
    for (int pass = 0; pass < kRangePivotLimit; ++pass) {
        int32_t row = 0;
        for (int32_t i = 1; i <= RowCount; ++i)
            if (Basis[i] == k) row = i;
        int32_t entering = 0;
        double step = kInfinity;
        if (row == 0) {
            // Left out: a higher price keeps it out; a lower one brings it in once its reduced
            // cost reaches 0.
            if (dir > 0) break;
            step = std::max(ReducedCost[k], 0.0);
            entering = k;
        } else {
            const double* tr = Tableau.rowData(row);
            for (int32_t j = 1; j <= structural; ++j) {
                if (j == k || blocked_[j]) continue;
                const double a = dir * tr[j];
                if (!(a > tol)) continue;
                const double q = std::max(ReducedCost[j], 0.0) / a;
                if (q < step) {
                    step = q;
                    entering = j;
                }
            }
            if (entering == 0) break;
        }
        total += step;
        // Just past this price the entering column improves the cost: if it can move away from
        // the vertex, the ration changes here; if not, pivot and look further from the new basis.
        int32_t leaving = 0;
        for (int32_t i = 1; i <= RowCount; ++i) {
            if (!(Tableau(entering, i) > tol) || Tableau(RhsColumn, i) > Options.zeroTolerance)
                continue;
            if (leaving == 0 || Basis[i] < Basis[leaving]) leaving = i;
        }
        if (leaving == 0) {
            result = total;
            break;
        }
        if (!copied) {
            savedTableau = Tableau;
            savedBasis = Basis;
            savedReduced = ReducedCost;
            copied = true;
        }
        Pivot(entering, leaving);
        Cost[k] = price + dir * total;
        ComputeReducedCosts();
    }
    if (copied) {
        std::swap(Tableau, savedTableau);
        std::swap(Basis, savedBasis);
        std::swap(ReducedCost, savedReduced);
    }
    Cost[k] = price;
    return result;
}

void TMixObject::RangePrices() {
    PriceRange[0].assign(IngredientCount + 1, 0.0);
    PriceRange[1].assign(IngredientCount + 1, 0.0);
    std::copy(SavedReducedCost.begin(), SavedReducedCost.begin() + RhsColumn + 1,
              ReducedCost.begin());
    const int64_t pivots = PivotCount;
    for (int32_t k = 1; k <= IngredientCount; ++k) {
        PriceRange[0][k] = Cost[k] - priceRangeEnd(k, -1);
        PriceRange[1][k] = Cost[k] + priceRangeEnd(k, +1);
    }
    PivotCount = pivots;
}

void TMixObject::ComputeRowValues() {
    // A row with a slack or surplus column costs its reduced cost (positive when the bound
    // binds). An equality has none: its dual is −(reduced cost of the artificial column that
    // started basic in it), which holds the row of the basis inverse; it costs whichever way
    // it binds.
    RowValue.assign(RowCount + 1, 0.0);
    for (int32_t i = 1; i <= RowCount; ++i) {
        const int32_t s = RowSlack[i];
        if (s > 0) {
            RowValue[i] = std::max(SavedReducedCost[s], 0.0);
            continue;
        }
        const int32_t id =
            i < static_cast<int32_t>(identityColumn_.size()) ? identityColumn_[i] : 0;
        if (id >= 1 && id <= ColumnCount && IsArtificialColumn(id))
            RowValue[i] = std::fabs(SavedReducedCost[id]);
    }
}

}  // namespace vexa
