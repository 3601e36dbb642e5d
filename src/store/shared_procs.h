#pragma once
// Small procedures shared by many windows and the engine's database side: rounding by a digit
// count, guarded fixed-point percentage arithmetic and a few text helpers.
#include "engine/fixed4.h"

#include <string>
#include <string_view>

namespace vexa {

// Rounds x by the digit count of Ins.Redondeo / MMI.Red, to the nearest value, ties to even:
// 0 a whole number, 1..4 a multiple of 10..10000, -1..-3 that many decimals, else 4 decimals.
double Redondear(int digits, double x);

// b ÷ a; a division by zero or any other floating-point fault gives 0.
double Dividir(double a, double b);
// b ÷ a to 4 decimals; division by zero or underflow gives 0, overflow 1 000 000 000.
Fixed4 Cociente(Fixed4 a, Fixed4 b);
// part ÷ total × 100; a total of 0 gives 0.
Fixed4 Porcentaje(Fixed4 total, Fixed4 part);
// total × percent ÷ 100.
Fixed4 ParteDe(Fixed4 percent, Fixed4 total);

// The first `count` characters (code points) of a UTF-8 text: the stored names are cut by
// characters, never in the middle of an accented letter.
std::string utf8Left(std::string_view text, size_t count);
// Number of characters (code points) of a UTF-8 text.
size_t utf8Length(std::string_view text);

}  // namespace vexa
