#pragma once
// Tolerances and limits of the simplex solver, each with its default. Feed formulas are often
// degenerate (several restrictions meet at the optimum), so exact comparisons with 0 are
// replaced by these named tolerances.
#include <cstdint>

namespace vexa {

struct SolverOptions {
    // A coefficient of the entering column must exceed this to make its row a leaving candidate;
    // at the end of phase 1 a coefficient must exceed it in magnitude to drive an artificial out.
    double pivotTolerance = 1e-9;
    // A right-hand side within this of 0 counts as 0 in the ratio test.
    double zeroTolerance = 1e-9;
    // An artificial variable above this value means the restriction is really unmet.
    double feasibilityTolerance = 1e-7;
    // A reduced cost must be below minus this to let its column enter; smaller ones are noise.
    double optimalityTolerance = 1e-9;
    // After this many pivots in a row that do not move the solution, the entering column is
    // chosen by Bland's rule until one does, which rules out cycling.
    int32_t degenerateRunLimit = 20;
    // From this many rows on, the entering column is chosen by Devex weights (nearly the
    // steepest edge) instead of the most negative reduced cost, and from steepestEdgeRows on by
    // the exact steepest edge.
    int32_t devexRows = 160;
    int32_t steepestEdgeRows = 300;
    // Bound on the passes of one simplex run; 0 means 50 × (rows + columns) + 1000.
    int32_t iterationLimit = 0;
};

// How a simplex run ended (the state of the run, not of the formula).
enum class SimplexStatus {
    Optimal,           // no column may enter
    ObjectiveReached,  // the objective fell to 0.0001 or less
    Unbounded,         // no row qualified to leave
    IterationLimit,    // the pass bound was hit; treated as if no row could leave
};

}  // namespace vexa
