#include "store/shared_procs.h"

#include "engine/div_round.h"

#include <cfloat>
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

double Dividir(double a, double b) {
    if (a == 0.0 || !std::isfinite(a) || !std::isfinite(b)) return 0.0;
    double q = b / a;
    if (!std::isfinite(q)) return 0.0;
    if (q != 0.0 && std::fabs(q) < DBL_MIN) return 0.0;
    return q;
}

Fixed4 Cociente(Fixed4 a, Fixed4 b) {
    if (a.isZero()) return Fixed4{};
    __int128 q = divRoundEven(static_cast<__int128>(b.raw()) * Fixed4::kScale, a.raw());
    if (q > kMaxRaw || q < -kMaxRaw) return Fixed4::fromInt(1000000000);
    return Fixed4::fromRaw(static_cast<int64_t>(q));
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

std::string utf8Left(std::string_view text, size_t count) {
    size_t i = 0, chars = 0;
    while (i < text.size() && chars < count) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t len = c < 0x80             ? 1
                     : (c & 0xE0) == 0xC0 ? 2
                     : (c & 0xF0) == 0xE0 ? 3
                     : (c & 0xF8) == 0xF0 ? 4
                                          : 1;
        i += len;
        ++chars;
    }
    return std::string(text.substr(0, std::min(i, text.size())));
}

size_t utf8Length(std::string_view text) {
    size_t n = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++n;
    return n;
}

}  // namespace vexa
