#include "store/shared_procs.h"

#include "engine/div_round.h"

#include <cmath>
#include <limits>

namespace vexa {

namespace {

constexpr __int128 kMaxRaw = std::numeric_limits<int64_t>::max();

}  // namespace

double Redondear(int digits, double x) {
    if (digits == 0) return std::nearbyint(x);
    if (digits >= 1 && digits <= 4) {
        double m = std::pow(10.0, digits);
        return std::nearbyint(x / m) * m;
    }
    int decimals = (digits >= -3 && digits <= -1) ? -digits : 4;
    double m = std::pow(10.0, decimals);
    return std::nearbyint(x * m) / m;
}

Fixed4 Porcentaje(Fixed4 total, Fixed4 part) {
    if (total.isZero()) return Fixed4{};
    // part.raw / total.raw × 100 %, in units of 0.0001
    __int128 q =
        divRoundEven(static_cast<__int128>(part.raw()) * 100 * Fixed4::kScale, total.raw());
    if (q > kMaxRaw || q < -kMaxRaw) return Fixed4{};
    return Fixed4::fromRaw(static_cast<int64_t>(q));
}

Fixed4 ParteDe(Fixed4 percent, Fixed4 total) {
    __int128 q = divRoundEven(static_cast<__int128>(total.raw()) * percent.raw(),
                              static_cast<__int128>(100) * Fixed4::kScale);
    if (q > kMaxRaw || q < -kMaxRaw) return Fixed4{};
    return Fixed4::fromRaw(static_cast<int64_t>(q));
}

}  // namespace vexa
