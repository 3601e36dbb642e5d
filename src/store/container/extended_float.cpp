#include "store/container/extended_float.h"

#include <cmath>
#include <limits>

namespace vexa::vxf {

namespace {
constexpr int kBias = 16383;
constexpr std::uint16_t kMaxExponent = 0x7FFF;
}  // namespace

Extended encodeExtended(double value) {
    Extended out{};
    std::uint16_t signBit = std::signbit(value) ? 0x8000 : 0;
    std::uint16_t exponent = 0;
    std::uint64_t significand = 0;
    if (std::isnan(value)) {
        exponent = kMaxExponent;
        significand = 0xC000000000000000ull;
    } else if (std::isinf(value)) {
        exponent = kMaxExponent;
        significand = 0x8000000000000000ull;
    } else if (value != 0) {
        int e = 0;
        double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
        significand = static_cast<std::uint64_t>(std::ldexp(m, 64));
        // value = significand * 2^(e - 64) = significand * 2^(exponent - bias - 63)
        exponent = static_cast<std::uint16_t>(e + kBias - 1);
    }
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(significand >> (8 * i));
    std::uint16_t top = signBit | exponent;
    out[8] = static_cast<std::uint8_t>(top & 0xFF);
    out[9] = static_cast<std::uint8_t>(top >> 8);
    return out;
}

double decodeExtended(const std::uint8_t* bytes) {
    std::uint64_t significand = 0;
    for (int i = 0; i < 8; ++i) significand |= std::uint64_t(bytes[i]) << (8 * i);
    std::uint16_t top = static_cast<std::uint16_t>(bytes[8] | (bytes[9] << 8));
    bool negative = (top & 0x8000) != 0;
    int exponent = top & 0x7FFF;
    double magnitude;
    if (exponent == kMaxExponent) {
        bool fraction = (significand & 0x7FFFFFFFFFFFFFFFull) != 0;
        magnitude = fraction ? std::numeric_limits<double>::quiet_NaN()
                             : std::numeric_limits<double>::infinity();
    } else if (significand == 0) {
        magnitude = 0;
    } else {
        // A zero exponent is a denormal: its scale is that of exponent 1.
        int scale = (exponent == 0 ? 1 : exponent) - kBias - 63;
        magnitude = std::ldexp(static_cast<double>(significand), scale);
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace vexa::vxf
