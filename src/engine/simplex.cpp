// The two-phase tableau simplex of the mix object.
//
// Feed formulas are often degenerate: several restrictions meet at the optimum, so basic
// variables sit at 0. Two rules keep that from giving wrong answers: a row whose basic variable
// is at 0 may leave (ratio 0), with Bland's rule taking over after a run of such pivots so that
// the method cannot cycle; and at the end of phase 1 an artificial variable at 0 is pivoted out
// (or its row dropped as redundant) instead of being taken for an unmet restriction.
#include "engine/mix_math.h"
#include "engine/mix_object.h"

#include <cmath>
#include <cstring>

namespace vexa {

namespace {

// row[k] -= f × pivot[k] over [first, last): the bulk of every pivot. Cloned for AVX2 where the
// processor has it (four cells at a time); the clone leaves out FMA, so each cell is rounded
// exactly as by the plain loop and the results do not depend on the processor.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void subtractMultiple(double* __restrict row, const double* __restrict pivot, double f,
                      int32_t first, int32_t last) {
    for (int32_t k = first; k < last; ++k) row[k] -= f * pivot[k];
}

// The same, keeping the squared length of every column up to date.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && \
    !defined(__SANITIZE_ADDRESS__)
__attribute__((target_clones("avx2", "default")))
#endif
void subtractMultipleTracked(double* __restrict row, const double* __restrict pivot, double f,
                             double* __restrict norm, int32_t first, int32_t last) {
    for (int32_t k = first; k < last; ++k) {
        const double old = row[k];
        const double now = old - f * pivot[k];
        row[k] = now;
        norm[k] += now * now - old * old;
    }
}

}  // namespace

void TMixObject::copyReducedCosts() {
    std::copy(ReducedCost.begin(), ReducedCost.begin() + RhsColumn + 1, SavedReducedCost.begin());
}

int32_t TMixObject::ComputeReducedCosts() {
    for (int32_t j = 1; j <= ColumnCount; ++j) ReducedCost[j] = Cost[j];
    // Row by row gives every column the same sequence of subtractions as column by column.
    for (int32_t i = 1; i <= RowCount; ++i) {
        const double cb = Cost[Basis[i]];
        if (cb == 0.0) continue;
        subtractMultiple(ReducedCost.data(), Tableau.rowData(i), cb, 1, ColumnCount + 1);
    }
    return chooseEntering();
}

int32_t TMixObject::chooseEntering() {
    int32_t entering = 0;
    double best = -Options.optimalityTolerance;
    const bool anyBlocked = static_cast<int32_t>(blocked_.size()) > ColumnCount;
    const bool steepest =
        trackNorms_ && !blandRule_ && static_cast<int32_t>(colNorm_.size()) > ColumnCount;
    double bestScore = 0.0;
    for (int32_t j = 1; j <= ColumnCount; ++j) {
        if (anyBlocked && blocked_[j]) continue;
        if (steepest) {
            // (nearly) the steepest edge: improvement per unit of distance moved, not per unit
            // of the entering variable
            const double d = ReducedCost[j];
            if (d < -Options.optimalityTolerance) {
                const double score = d * d / (exactNorms_ ? 1.0 + colNorm_[j] : colNorm_[j]);
                if (score > bestScore) {
                    bestScore = score;
                    entering = j;
                }
            }
            continue;
        }
        if (best > ReducedCost[j]) {
            entering = j;
            best = ReducedCost[j];
            if (blandRule_) break;  // the lowest-numbered improving column
        }
    }
    double z = 0.0;
    for (int32_t i = 1; i <= RowCount; ++i) {
        const double rhs = Tableau(RhsColumn, i);
        if (rhs >= 0.0) z += rhs * Cost[Basis[i]];
    }
    ReducedCost[RhsColumn] = z;
    return entering;
}

int32_t TMixObject::SelectLeavingRow(int32_t entering) {
    double best = 1.7e308;
    int32_t leaving = 0;
    for (int32_t i = 1; i <= RowCount; ++i) {
        const double a = Tableau(entering, i);
        if (!(a > Options.pivotTolerance)) continue;
        double rhs = Tableau(RhsColumn, i);
        if (std::fabs(rhs) <= Options.zeroTolerance)
            rhs = 0.0;
        else if (rhs < 0.0)
            continue;  // a negative ratio never qualifies
        const double ratio = SafeDivide(rhs, a);
        if (ratio < best || (blandRule_ && ratio == best && Basis[i] < Basis[leaving])) {
            best = ratio;
            leaving = i;
        }
    }
    lastRatioZero_ = leaving > 0 && best == 0.0;
    return leaving;
}

void TMixObject::Pivot(int32_t entering, int32_t leaving) {
    double* pr = Tableau.rowData(leaving);
    const double p = pr[entering];
    const int32_t left = Basis[leaving];
    // Only the nonzero cells of the pivot row change the other rows; an artificial column that
    // has left the basis for good is not kept up to date.
    const bool anyRetired = static_cast<int32_t>(retired_.size()) > RhsColumn;
    const bool weights = trackNorms_ && static_cast<int32_t>(colNorm_.size()) > RhsColumn;
    double* norm = colNorm_.data();
    pivotColumns_.clear();
    for (int32_t k = 1; k <= RhsColumn; ++k) {
        if (pr[k] == 0.0 || (anyRetired && retired_[k])) continue;
        if (weights && exactNorms_) norm[k] -= pr[k] * pr[k];
        pr[k] = SafeDivide(pr[k], p);
        if (weights && exactNorms_) norm[k] += pr[k] * pr[k];
        if (pr[k] != 0.0) pivotColumns_.push_back(k);
    }
    pr[entering] = 1.0;
    const bool exact = weights && exactNorms_;
    if (weights && !exact) {
        // Devex reference weights: a column's weight grows with its share of the move
        double* w = colNorm_.data();
        const double we = w[entering];
        for (const int32_t k : pivotColumns_) {
            const double grown = pr[k] * pr[k] * we;
            if (grown > w[k]) w[k] = grown;
        }
        if (w[left] < 1.0) w[left] = 1.0;
        w[entering] = 1.0;
    }
    const int32_t* cols = pivotColumns_.data();
    const size_t count = pivotColumns_.size();
    // A dense pivot row is cheaper swept whole (the zero cells change nothing; a retired column
    // may take any value, it is never read again).
    const bool dense = count * 8 > static_cast<size_t>(RhsColumn);
    // Past the structural columns only the listed cells: the artificial columns still alive and
    // the right-hand side.
    const int32_t structural = IngredientCount + SlackCount;
    size_t tail = count;
    while (tail > 0 && cols[tail - 1] > structural) --tail;
    for (int32_t i = 1; i <= RowCount; ++i) {
        if (i == leaving) continue;
        double* ri = Tableau.rowData(i);
        const double f = ri[entering];
        if (f == 0.0) continue;
        if (exact) {
            // the squared length of every column follows its cells
            auto cell = [&](int32_t k) {
                const double old = ri[k];
                const double now = old - f * pr[k];
                ri[k] = now;
                norm[k] += now * now - old * old;
            };
            if (dense) {
                subtractMultipleTracked(ri, pr, f, norm, 1, structural + 1);
                for (size_t c = tail; c < count; ++c) cell(cols[c]);
            } else {
                for (size_t c = 0; c < count; ++c) cell(cols[c]);
            }
        } else if (dense) {
            subtractMultiple(ri, pr, f, 1, structural + 1);
            for (size_t c = tail; c < count; ++c) ri[cols[c]] -= f * pr[cols[c]];
        } else {
            for (size_t c = 0; c < count; ++c) ri[cols[c]] -= f * pr[cols[c]];
        }
        ri[entering] = 0.0;
    }
    if (exact) norm[entering] = 1.0;
    Basis[leaving] = entering;
    // The artificial of a ≥ row never comes back (its surplus column carries the row's dual).
    if (anyRetired && retireArtificials_ && IsArtificialColumn(left) &&
        ColumnInfo[left].type == kTipoMin) {
        retired_[left] = 1;
        if (static_cast<int32_t>(blocked_.size()) > left) blocked_[left] = 1;
    }
    ++PivotCount;
}

void TMixObject::computeColumnNorms() {
    if (!exactNorms_) {
        colNorm_.assign(static_cast<size_t>(RhsColumn) + 1, 1.0);  // a fresh reference framework
        return;
    }
    colNorm_.assign(static_cast<size_t>(RhsColumn) + 1, 0.0);
    for (int32_t i = 1; i <= RowCount; ++i) {
        const double* row = Tableau.rowData(i);
        for (int32_t j = 1; j <= RhsColumn; ++j) colNorm_[j] += row[j] * row[j];
    }
}

SimplexStatus TMixObject::RunSimplex(bool objectiveThreshold) {
    const int64_t limit = Options.iterationLimit > 0 ? Options.iterationLimit
                                                     : 50LL * (RowCount + ColumnCount) + 1000;
    bool first = true;
    int32_t l = 0;
    Fixed4 zc;
    int32_t degenerateRun = 0;
    bool fresh = true;
    int32_t sinceFresh = 0;
    int64_t passes = 0;
    SimplexStatus status = SimplexStatus::Optimal;
    blandRule_ = false;
    trackNorms_ = steepestEdge_;
    for (;;) {
        if (trackNorms_ && (passes == 0 || (fresh && exactNorms_))) computeColumnNorms();
        blandRule_ = degenerateRun >= Options.degenerateRunLimit;
        // Reduced costs are carried from pivot to pivot and recomputed from the tableau now
        // and then, and always before the run is declared optimal.
        int32_t e = fresh ? ComputeReducedCosts() : chooseEntering();
        if (!fresh && e == 0) e = ComputeReducedCosts();
        fresh = false;
        const double z = ReducedCost[RhsColumn];
        if (auto f = toFixed4(z)) zc = *f;
        if (z <= 0.0001) zc = Fixed4();
        if (first) copyReducedCosts();
        if (e > 0 && zc >= Fixed4()) {
            l = SelectLeavingRow(e);
            if (l > 0) {
                copyReducedCosts();
                const double de = ReducedCost[e];
                Pivot(e, l);
                const double* pr = Tableau.rowData(l);
                for (const int32_t k : pivotColumns_)
                    if (k <= ColumnCount) ReducedCost[k] -= de * pr[k];
                ReducedCost[e] = 0.0;
                fresh = ++sinceFresh % 64 == 0;
                degenerateRun = lastRatioZero_ ? degenerateRun + 1 : 0;
            }
        }
        first = false;
        ++passes;
        if (e == 0) {
            status = SimplexStatus::Optimal;
            break;
        }
        if (l == 0) {
            status = SimplexStatus::Unbounded;
            break;
        }
        if (objectiveThreshold && zc <= Fixed4()) {
            status = SimplexStatus::ObjectiveReached;
            break;
        }
        if (passes >= limit) {
            status = SimplexStatus::IterationLimit;
            break;
        }
    }
    blandRule_ = false;
    trackNorms_ = false;
    copyReducedCosts();
    return status;
}

bool TMixObject::IsFeasible() {
    for (int32_t i = 1; i <= RowCount; ++i)
        if (IsArtificialColumn(Basis[i]) && Tableau(RhsColumn, i) > Options.feasibilityTolerance)
            return false;
    return true;
}

void TMixObject::DriveOutZeroArtificials() {
    const int32_t structural = IngredientCount + SlackCount;
    for (int32_t i = 1; i <= RowCount; ++i) {
        if (!IsArtificialColumn(Basis[i])) continue;
        if (Tableau(RhsColumn, i) > Options.feasibilityTolerance) continue;
        int32_t best = 0;
        double bestAbs = Options.pivotTolerance;
        for (int32_t j = 1; j <= structural; ++j) {
            const double a = std::fabs(Tableau(j, i));
            if (a > bestAbs) {
                best = j;
                bestAbs = a;
            }
        }
        if (best > 0) {
            // The basic value is 0, so this pivot moves no other variable.
            Tableau(RhsColumn, i) = 0.0;
            Pivot(best, i);
        } else {
            // No structural column in the row: it is a combination of the others.
            removeRow(i);
            --i;
        }
    }
}

void TMixObject::removeRow(int32_t i) {
    for (int32_t r = i; r < RowCount; ++r) {
        std::memcpy(Tableau.rowData(r), Tableau.rowData(r + 1),
                    sizeof(double) * static_cast<size_t>(Tableau.columns() + 1));
        Basis[r] = Basis[r + 1];
        RowSlack[r] = RowSlack[r + 1];
        RowInfo[r] = RowInfo[r + 1];
    }
    std::memset(Tableau.rowData(RowCount), 0,
                sizeof(double) * static_cast<size_t>(Tableau.columns() + 1));
    Basis[RowCount] = 0;
    RowSlack[RowCount] = 0;
    if (static_cast<int32_t>(identityColumn_.size()) > RowCount) {
        for (int32_t r = i; r < RowCount; ++r) identityColumn_[r] = identityColumn_[r + 1];
        identityColumn_[RowCount] = 0;
    }
    RowInfo[RowCount] = RowDescriptor{};
    --RowCount;
    // Keep the rows recorded on the items pointing at the same restrictions.
    auto renumber = [i](int32_t& row) {
        if (row == i)
            row = 0;
        else if (row > i)
            --row;
    };
    for (auto& it : Ingredients) {
        renumber(it.FilaMin);
        renumber(it.FilaMax);
    }
    for (auto& n : Nutrients) {
        renumber(n.FilaMin);
        renumber(n.FilaMax);
    }
    for (auto& r : Ratios) {
        renumber(r.FilaMin);
        renumber(r.FilaMax);
    }
}

void TMixObject::DropArtificialColumns() {
    for (int32_t i = 1; i <= RowCount; ++i)
        Tableau(RhsColumn - ArtificialCount, i) = Tableau(RhsColumn, i);
    ColumnCount = IngredientCount + SlackCount;
    RhsColumn = ColumnCount + 1;
}

void TMixObject::Solve() {
    identityColumn_.assign(Basis.begin(), Basis.begin() + RowCount + 1);
    blocked_.assign(static_cast<size_t>(ColumnCount) + 1, 0);
    retired_.assign(static_cast<size_t>(RhsColumn) + 1, 0);
    retireArtificials_ = true;
    // Small programmes are solved fastest by the most negative reduced cost; larger ones take
    // several times fewer pivots by the steepest edge, approximated (Devex) up to the size where
    // the exact one pays for keeping every column's length.
    steepestEdge_ = RowCount >= Options.devexRows;
    exactNorms_ = RowCount >= Options.steepestEdgeRows;
    // phase 1: the artificial costs set by the construction
    SimplexStatus status = RunSimplex();
    Feasible = IsFeasible();
    if (!Feasible && status == SimplexStatus::ObjectiveReached) {
        // Stopping at a small objective is only an early exit; an artificial still positive
        // is judged after phase 1 has really finished.
        RunSimplex(false);
        Feasible = IsFeasible();
    }
    if (!Feasible) handleInfeasible();
    DriveOutZeroArtificials();

    // Phase 2. The artificial columns stay in the tableau, barred from entering: their columns
    // are the inverse of the basis, from which the duals of every row are read.
    for (int32_t i = 1; i <= ColumnCount; ++i)
        Cost[i] = i <= IngredientCount ? IngredientPrice[i].toDouble() : 0.0;
    blocked_.assign(static_cast<size_t>(ColumnCount) + 1, 0);
    for (int32_t j = IngredientCount + SlackCount + 1; j <= ColumnCount; ++j) blocked_[j] = 1;
    // A basic variable is not a candidate either: its reduced cost is 0 up to rounding.
    RunSimplex();
    CostPerKg = toFixed4Or(SavedReducedCost[RhsColumn] / 100.0, Fixed4());
    RangePrices();
    if (!excludedCells_.empty()) rangeExcludedPrices();
    ComputeRowValues();
    blocked_.clear();
    retired_.clear();
    steepestEdge_ = false;
}

}  // namespace vexa
