#include "engine/fixed4.h"

#include <cstdio>
#include <cstdlib>

namespace vexa {

namespace {

// num / den rounded to the nearest integer, ties to even; den != 0.
int64_t divRoundEven(__int128 num, __int128 den) {
    if (den < 0) {
        num = -num;
        den = -den;
    }
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) {
        q -= 1;
        r += den;
    }
    // now num = q*den + r with 0 <= r < den
    __int128 twice = 2 * r;
    if (twice > den || (twice == den && (q % 2 != 0))) q += 1;
    return static_cast<int64_t>(q);
}

}  // namespace

std::string Fixed4::toString() const {
    int64_t a = units_ < 0 ? -units_ : units_;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%lld.%04lld", units_ < 0 ? "-" : "",
                  static_cast<long long>(a / kScale), static_cast<long long>(a % kScale));
    return buf;
}

Fixed4 Fixed4::operator*(Fixed4 o) const {
    return fromRaw(divRoundEven(static_cast<__int128>(units_) * o.units_, kScale));
}

Fixed4 Fixed4::operator/(Fixed4 o) const {
    return fromRaw(divRoundEven(static_cast<__int128>(units_) * kScale, o.units_));
}

Fixed4 Fixed4::divInt(int64_t k) const {
    return fromRaw(divRoundEven(units_, k));
}

}  // namespace vexa
