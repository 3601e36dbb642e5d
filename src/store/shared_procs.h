#pragma once
// Small procedures shared by many windows and the engine's database side: rounding by a digit
// count, guarded fixed-point percentage arithmetic and a few text helpers.
#include "engine/fixed4.h"
#include "engine/mix_math.h"
#include "engine/utf8.h"  // utf8Left cuts the stored names by characters

#include <string>
#include <string_view>

namespace vexa {

// Rounds x by the digit count of Ins.Redondeo / MMI.Red, to the nearest value, ties to even:
// 0 a whole number, 1..4 a multiple of 10..10000, -1..-3 that many decimals, else 4 decimals.
double Redondear(int digits, double x);

// b ÷ a (the engine's SafeDivide with the operands in this order); a division by zero or any
// other floating-point fault gives 0.
inline double Dividir(double a, double b) {
    return SafeDivide(b, a);
}
// b ÷ a to 4 decimals (the engine's CurrencyRatio with the operands in this order); division by
// zero or underflow gives 0, overflow 1 000 000 000.
inline Fixed4 Cociente(Fixed4 a, Fixed4 b) {
    return CurrencyRatio(b, a);
}
// part ÷ total × 100; a total of 0 gives 0.
Fixed4 Porcentaje(Fixed4 total, Fixed4 part);
// total × percent ÷ 100.
Fixed4 ParteDe(Fixed4 percent, Fixed4 total);

}  // namespace vexa
