#include "engine/mix_math.h"

#include "engine/div_round.h"

#include <cmath>
#include <limits>

namespace vexa {

Fixed4 CurrencyRatio(Fixed4 a, Fixed4 b) {
    if (b.isZero()) return Fixed4();
    // a / b exactly in units: a·10⁴ / b, rounded to the nearest unit, ties to even.
    const __int128 q = divRoundEven(static_cast<__int128>(a.raw()) * Fixed4::kScale, b.raw());
    constexpr __int128 kMaxRaw = std::numeric_limits<int64_t>::max();
    if (q > kMaxRaw || q < -kMaxRaw) return Fixed4::fromInt(1000000000);
    return Fixed4::fromRaw(static_cast<int64_t>(q));
}

std::optional<Fixed4> toFixed4(double v) {
    if (!std::isfinite(v)) return std::nullopt;
    // Fast path: the product in double lies within 2⁻¹³ of the one in long double below 2⁴⁰
    // units, so wherever it is farther than that from a half unit both round to the same
    // integer. Only near a tie does the long double product decide.
    const double p = v * static_cast<double>(Fixed4::kScale);
    if (std::fabs(p) < 0x1p40) {
        const double r = std::nearbyint(p);
        if (std::fabs(p - r) < 0.499) return Fixed4::fromRaw(static_cast<int64_t>(r));
    }
    const long double s = static_cast<long double>(v) * Fixed4::kScale;
    // the largest Fixed4 is 922337203685477.5807
    if (s >= 9.2233720368547758e18L || s <= -9.2233720368547758e18L) return std::nullopt;
    // llrintl rounds like nearbyintl (to nearest, ties to even) in one instruction
    return Fixed4::fromRaw(static_cast<int64_t>(std::llrintl(s)));
}

Fixed4 toFixed4Or(double v, Fixed4 fallback) {
    return toFixed4(v).value_or(fallback);
}

void RoundToHundred(std::vector<TInsumo>& list) {
    constexpr int64_t kHundred = 1000000;
    const size_t n = list.size();
    std::vector<int64_t> units(n, 0);
    std::vector<long double> frac(n, 0.0L);
    int64_t total = 0;
    for (size_t k = 0; k < n; ++k) {
        const long double s = static_cast<long double>(list[k].Valor) * Fixed4::kScale;
        if (std::isnan(s)) {
            units[k] = 0;
        } else if (s >= 9.2233720368547758e18L || s <= -9.2233720368547758e18L) {
            units[k] = kHundred;
        } else {
            const long double t = std::truncl(s);
            units[k] = static_cast<int64_t>(t);
            frac[k] = s - t;
        }
        total += units[k];
    }
    if (total == 0) return;
    // largest remainder first; a new item goes before the first entry with a fraction less than
    // or equal to its own, so among equal fractions the later item comes first
    std::vector<size_t> order;
    for (size_t k = 0; k < n; ++k) {
        auto at = order.begin();
        while (at != order.end() && frac[*at] > frac[k]) ++at;
        order.insert(at, k);
    }
    int64_t d = kHundred - total;
    if (d > static_cast<int64_t>(n)) d = static_cast<int64_t>(n);
    for (int64_t i = 0; i < d; ++i) ++units[order[static_cast<size_t>(i)]];
    for (size_t k = 0; k < n; ++k) list[k].Cantidad = Fixed4::fromRaw(units[k]);
}

}  // namespace vexa
