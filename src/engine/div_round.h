#pragma once
// Integer division rounded the way every stored and printed quantity is: to the nearest
// integer, ties to even (banker's rounding), so sums of rounded shares do not drift upward.

namespace vexa {

// num ÷ den rounded to the nearest integer, ties to even; den != 0.
inline __int128 divRoundEven(__int128 num, __int128 den) {
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
    const __int128 twice = 2 * r;
    if (twice > den || (twice == den && (q % 2 != 0))) q += 1;
    return q;
}

}  // namespace vexa
