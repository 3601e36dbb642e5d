#include "engine/fixed4.h"

#include "engine/div_round.h"

#include <cstdio>
#include <cstdlib>

namespace vexa {

std::string Fixed4::toString() const {
    int64_t a = units_ < 0 ? -units_ : units_;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%lld.%04lld", units_ < 0 ? "-" : "",
                  static_cast<long long>(a / kScale), static_cast<long long>(a % kScale));
    return buf;
}

Fixed4 Fixed4::operator*(Fixed4 o) const {
    return fromRaw(
        static_cast<int64_t>(divRoundEven(static_cast<__int128>(units_) * o.units_, kScale)));
}

Fixed4 Fixed4::operator/(Fixed4 o) const {
    return fromRaw(
        static_cast<int64_t>(divRoundEven(static_cast<__int128>(units_) * kScale, o.units_)));
}

Fixed4 Fixed4::divInt(int64_t k) const {
    return fromRaw(static_cast<int64_t>(divRoundEven(units_, k)));
}

}  // namespace vexa
