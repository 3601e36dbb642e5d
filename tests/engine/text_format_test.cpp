#include "engine/text_format.h"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

namespace vexa {
namespace {

using A = std::vector<FormatArg>;
std::string S(const char* s) {
    return s;
}
Fixed4 F(int64_t raw) {
    return Fixed4::fromRaw(raw);
}

NumberFormat numberFormat(std::string thousands, std::string decimal, std::string currency,
                          int currencyDecimals) {
    NumberFormat nf;
    nf.thousandsSeparator = std::move(thousands);
    nf.decimalSeparator = std::move(decimal);
    nf.currencySymbol = std::move(currency);
    nf.currencyDecimals = currencyDecimals;
    return nf;
}
NumberFormat testFormat() {
    return numberFormat(",", ".", "$", 2);
}

struct Case {
    const char* fmt;
    A args;
    const char* expected;
};

TEST(FormatText, TableOfCases) {
    const Case cases[] = {
        // strings: widths and precisions count characters, not bytes
        {"%-25s|", {S("Maíz amarillo")}, "Maíz amarillo            |"},
        {"%10s|", {S("Sal")}, "       Sal|"},
        {"%s", {S("")}, ""},
        {"  %-9.9s|", {S("Proteína cruda")}, "  Proteína |"},
        {"%.3s|", {S("ñandú")}, "ñan|"},
        {"%-3s|", {S("toolong")}, "toolong|"},
        {"%05s|", {S("ab")}, "   ab|"},  // zero fill applies to numbers only
        // integers
        {"%d", {int64_t{-42}}, "-42"},
        {"%5d|%-5d|", {int64_t{42}, int64_t{7}}, "   42|7    |"},
        {"%05d", {int64_t{-42}}, "-0042"},
        {"%.4d", {int64_t{7}}, "0007"},
        {"%d", {std::numeric_limits<int64_t>::min()}, "-9223372036854775808"},
        // Fixed4 prints its exact 4 decimals
        {"%8.4f", {F(125000)}, " 12.5000"},
        {"%10.4f", {F(-1)}, "   -0.0001"},
        {"%.4f", {F(9223372036854775807)}, "922337203685477.5807"},
        {"%.4f", {F(std::numeric_limits<int64_t>::min())}, "-922337203685477.5808"},
        {"%.6f", {F(15)}, "0.001500"},
        {"%.0f", {F(25000)}, "3"},
        // fewer decimals: half away from zero on the decimal value
        {"%.2f", {F(1250)}, "0.13"},
        {"%.2f", {F(-1250)}, "-0.13"},
        {"%.2f", {F(1249)}, "0.12"},
        {"%.2f", {F(99950)}, "10.00"},
        {"%.2f", {F(-40)}, "0.00"},     // no "-0.00"
        {"%8.2n", {F(0)}, "    0.00"},  // fewer digits than decimals
        {"%.2f", {F(60)}, "0.01"},
        {"%.1f", {F(5)}, "0.0"},
        {"%.0f", {F(7)}, "0"},
        {"%.0f", {F(-5000)}, "-1"},
        // doubles: their shortest decimal form, rounded the same way
        {"%.2f", {2.675}, "2.68"},
        {"%.2f", {1.005}, "1.01"},
        {"%.4f", {0.1 + 0.2}, "0.3000"},
        {"%f", {3.14159}, "3.14"},  // default precision 2
        {"%10.4f", {1e15}, "1000000000000000.0000"},
        {"%.3f", {1e-7}, "0.000"},
        {"%08.3f", {-3.5}, "-003.500"},
        {"%-8.1f|", {2.25}, "2.3     |"},
        {"%.2f", {int64_t{1000}}, "1000.00"},
        // %n: thousands separators
        {"%.2n", {F(12345678900)}, "1,234,567.89"},
        {"%10.2n", {F(-9999999)}, " -1,000.00"},
        {"%n", {999.994}, "999.99"},
        {"%.0n", {int64_t{1000000}}, "1,000,000"},
        {"%8.2n", {F(1234)}, "    0.12"},
        {"%.2n", {F(-12345600)}, "-1,234.56"},
        // %m: money with the currency symbol
        {"%m", {F(12345000)}, "$1,234.50"},
        {"%.0m", {-1500.5}, "-$1,501"},
        {"%12m|", {F(10000)}, "       $1.00|"},
        // %% and the argument index, which also moves the position of what follows
        {"%8.4f%%", {F(1000000)}, "100.0000%"},
        {"%-25s  %8.4f%%    %1:8.4f%%    %8.4f   %10.2n",
         {S("TOTAL"), F(1000000), F(10000000), F(123456789)},
         "TOTAL                      100.0000%    100.0000%    1000.0000    12,345.68"},
        {"%1:s %0:s %s", {S("a"), S("b")}, "b a b"},
        {"%*d|%-*s|", {int64_t{4}, int64_t{7}, int64_t{3}, S("x")}, "   7|x  |"},
        {"%S %D %F", {S("up"), int64_t{1}, F(10000)}, "up 1 1.00"},
        {"no args", {}, "no args"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatText(c.fmt, c.args, testFormat()), c.expected) << "format: " << c.fmt;
}

TEST(FormatText, NonFiniteDoubles) {
    EXPECT_EQ(formatText("%6.2f|", {std::numeric_limits<double>::quiet_NaN()}), "   NAN|");
    EXPECT_EQ(formatText("%.2n", {-std::numeric_limits<double>::infinity()}), "-INF");
}

TEST(FormatText, OtherSeparators) {
    NumberFormat nf = numberFormat(".", ",", "S/ ", 3);
    EXPECT_EQ(formatText("%.2n", {F(12345678900)}, nf), "1.234.567,89");
    EXPECT_EQ(formatText("%m", {F(12345)}, nf), "S/ 1,235");            // 1.2345 with 3 decimals
    EXPECT_EQ(formatText("%.2f", {F(12345678900)}, nf), "1234567.89");  // %f ignores them
    NumberFormat noGroup = numberFormat("", ".", "$", 2);
    EXPECT_EQ(formatText("%.1n", {F(123456789)}, noGroup), "12345.7");
}

TEST(FormatText, ErrorsThrow) {
    const Case bad[] = {
        {"%s %s", {S("one")}, "missing argument"},
        {"%d", {F(10000)}, "Fixed4 for %d"},
        {"%d", {1.5}, "double for %d"},
        {"%f", {S("x")}, "text for %f"},
        {"%s", {int64_t{1}}, "integer for %s"},
        {"%8.4", {F(1)}, "incomplete at the end"},
        {"%q", {S("x")}, "unknown conversion"},
        {"%5:s", {S("x")}, "index past the arguments"},
    };
    for (const auto& c : bad)
        EXPECT_THROW(formatText(c.fmt, c.args, testFormat()), std::invalid_argument) << c.expected;
}

TEST(FormatText, ReportNumberFormatIsTheDefault) {
    NumberFormat saved = reportNumberFormat();
    setReportNumberFormat(numberFormat("'", ".", "$", 2));
    EXPECT_EQ(formatText("%.2n", {F(12345670000)}), "1'234'567.00");
    EXPECT_EQ(reportNumberFormat().thousandsSeparator, "'");
    setReportNumberFormat(saved);
    EXPECT_EQ(formatText("%.2n", {F(12345670000)}), "1,234,567.00");
}

}  // namespace
}  // namespace vexa
