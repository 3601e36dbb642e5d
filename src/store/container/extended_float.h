#pragma once
// The 10-byte x87 extended format that the container uses for sizes and dates, encoded
// and decoded bit by bit so that it never depends on what `long double` is on a machine.
#include <array>
#include <cstdint>

namespace vexa::vxf {

using Extended = std::array<std::uint8_t, 10>;

// Exact for every finite double (a double's significand fits the 64-bit one).
Extended encodeExtended(double value);

// Rounds to the nearest double; infinities and NaNs come back as such, values beyond a
// double's range become infinities or zero.
double decodeExtended(const std::uint8_t* bytes);

}  // namespace vexa::vxf
