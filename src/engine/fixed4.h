#pragma once
// Fixed4: the engine's fixed-point quantity, a signed 64-bit count of ten-thousandths.
// 100 % is 100.0000 (1 000 000 units). Floating values round to the nearest unit, ties to even.
#include <cmath>
#include <compare>
#include <cstdint>
#include <string>

namespace vexa {

class Fixed4 {
public:
    static constexpr int64_t kScale = 10000;

    constexpr Fixed4() = default;
    static constexpr Fixed4 fromRaw(int64_t units) {
        Fixed4 f;
        f.units_ = units;
        return f;
    }
    static constexpr Fixed4 fromInt(int64_t whole) { return fromRaw(whole * kScale); }
    // Nearest ten-thousandth, ties to even (as a database field read as a double is).
    static Fixed4 fromDouble(double v) {
        return fromRaw(static_cast<int64_t>(std::llrintl(static_cast<long double>(v) * kScale)));
    }

    constexpr int64_t raw() const { return units_; }
    double toDouble() const { return static_cast<double>(units_) / kScale; }
    // Fixed notation with 4 decimals, '.' as separator ("-12.0500").
    std::string toString() const;

    constexpr Fixed4 operator-() const { return fromRaw(-units_); }
    constexpr Fixed4 operator+(Fixed4 o) const { return fromRaw(units_ + o.units_); }
    constexpr Fixed4 operator-(Fixed4 o) const { return fromRaw(units_ - o.units_); }
    constexpr Fixed4& operator+=(Fixed4 o) {
        units_ += o.units_;
        return *this;
    }
    constexpr Fixed4& operator-=(Fixed4 o) {
        units_ -= o.units_;
        return *this;
    }
    // Fixed4 × Fixed4 and Fixed4 ÷ Fixed4 round the exact result to a unit, ties to even.
    Fixed4 operator*(Fixed4 o) const;
    Fixed4 operator/(Fixed4 o) const;
    // Multiply or divide by a whole number; division rounds ties to even, exactly.
    constexpr Fixed4 mulInt(int64_t k) const { return fromRaw(units_ * k); }
    Fixed4 divInt(int64_t k) const;

    constexpr auto operator<=>(const Fixed4&) const = default;
    constexpr bool isZero() const { return units_ == 0; }

private:
    int64_t units_ = 0;
};

}  // namespace vexa
