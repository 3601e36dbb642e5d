#pragma once
// printf-style report formatting: %s %d %f %n %m %% with flags, widths, precisions and the
// "N:" argument index, as the report format texts are written. Widths of %s count characters
// (UTF-8 code points), not bytes. %n and %m follow the NumberFormat given.
#include "engine/fixed4.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vexa {

struct NumberFormat {
    std::string thousandsSeparator = ",";
    std::string decimalSeparator = ".";
    std::string currencySymbol = "$";
    int currencyDecimals = 2;
};

// Fixed in tests, set from the user's locale by the desktop program.
const NumberFormat& reportNumberFormat();
void setReportNumberFormat(const NumberFormat& nf);

using FormatArg = std::variant<std::string, int64_t, double, Fixed4>;

// A cost that may be far below a cent (a shadow price per kcal): `decimals` decimals as %n
// would print it, with more decimals where fewer would show it as 0 or more than a tenth off,
// and in scientific notation where even `width` characters of decimals would not show it.
// Right-aligned in `width` characters.
std::string smallValueText(double v, int width, int decimals,
                           const NumberFormat& nf = reportNumberFormat());

// The three "Ahorro/Gasto x TM" columns of a sensitivity report, for a bound moved by 1, 0.1
// and 0.01 of its unit (`perUnit` is the first), each as smallValueText in 8 characters with
// 2 decimals, two spaces apart.
std::string dualColumns(double perUnit);

// Formats `fmt` with `args`; a missing or mismatched argument throws std::invalid_argument.
std::string formatText(std::string_view fmt, const std::vector<FormatArg>& args,
                       const NumberFormat& nf = reportNumberFormat());

}  // namespace vexa
