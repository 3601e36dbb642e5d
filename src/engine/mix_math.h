#pragma once
// The engine's guarded arithmetic and the rounding of a ration to exactly 100 %.
#include "engine/fixed4.h"
#include "engine/restriction_items.h"

#include <cmath>
#include <optional>
#include <vector>

namespace vexa {

// x ÷ y; 0 when the division faults (zero divisor, overflow, underflow, NaN). Inline: every
// pivot goes through it.
inline double SafeDivide(double x, double y) {
    if (y == 0.0 || std::isnan(x) || std::isnan(y)) return 0.0;
    const double r = x / y;
    if (!std::isfinite(r) || std::fpclassify(r) == FP_SUBNORMAL) return 0.0;
    return r;
}

// a ÷ b rounded to Fixed4; 0 on a zero divisor, underflow or other fault, 1 000 000 000 on
// overflow.
Fixed4 CurrencyRatio(Fixed4 a, Fixed4 b);

// A double as Fixed4 (nearest unit, ties to even), or nothing when out of range or not finite.
std::optional<Fixed4> toFixed4(double v);
// As above, but an out-of-range value gives `fallback`.
Fixed4 toFixed4Or(double v, Fixed4 fallback);

// Rounds the Valor shares of `list` to Cantidad so that they add up to 100.0000 (largest
// remainder; among equal remainders the later item gets the unit).
void RoundToHundred(std::vector<TInsumo>& list);

}  // namespace vexa
