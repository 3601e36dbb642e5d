#include "engine/fixed4.h"
#include "engine/mix_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <random>

namespace vexa {
namespace {

Fixed4 raw(int64_t u) {
    return Fixed4::fromRaw(u);
}

TEST(Fixed4, ArithmeticRoundsTiesToEvenExactly) {
    struct Case {
        const char* what;
        Fixed4 got;
        int64_t units;
    };
    const Case cases[] = {
        {"0.275 / 100 → 0.0028 (27.5 units up to even)", raw(2750).divInt(100), 28},
        {"0.285 / 100 → 0.0028 (28.5 units down to even)", raw(2850).divInt(100), 28},
        {"-0.285 / 100 → -0.0028", raw(-2850).divInt(100), -28},
        {"0.0001 × 0.5 → 0 (tie to even)", raw(1) * raw(5000), 0},
        {"0.0003 × 0.5 → 0.0002 (tie to even)", raw(3) * raw(5000), 2},
        {"0.0005 × 0.5 → 0.0002", raw(5) * raw(5000), 2},
        {"1 / 3 → 0.3333", Fixed4::fromInt(1) / Fixed4::fromInt(3), 3333},
        {"2 / 3 → 0.6667", Fixed4::fromInt(2) / Fixed4::fromInt(3), 6667},
        {"large product stays exact", Fixed4::fromInt(90000000) * Fixed4::fromInt(1000),
         900000000000000},
        {"0.00015 is just below the half as a double", Fixed4::fromDouble(0.00015), 1},
        {"0.285 from double", Fixed4::fromDouble(0.285), 2850},
        {"-12.05 from double", Fixed4::fromDouble(-12.05), -120500},
    };
    for (const Case& c : cases) EXPECT_EQ(c.got.raw(), c.units) << c.what;
}

TEST(Fixed4, PrintsFourDecimals) {
    EXPECT_EQ(raw(-120500).toString(), "-12.0500");
    EXPECT_EQ(raw(1).toString(), "0.0001");
    EXPECT_EQ(raw(-1).toString(), "-0.0001");
    EXPECT_EQ(Fixed4::fromInt(100).toString(), "100.0000");
}

TEST(GuardedDivision, FaultsGiveTheirStatedValues) {
    EXPECT_EQ(SafeDivide(1.0, 0.0), 0.0);
    EXPECT_EQ(SafeDivide(1e308, 1e-10), 0.0);  // overflow
    EXPECT_EQ(SafeDivide(1e-308, 1e10), 0.0);  // underflow
    EXPECT_EQ(SafeDivide(std::numeric_limits<double>::quiet_NaN(), 1.0), 0.0);
    EXPECT_DOUBLE_EQ(SafeDivide(7.0, 2.0), 3.5);

    EXPECT_EQ(CurrencyRatio(Fixed4::fromInt(5), Fixed4()), Fixed4());
    EXPECT_EQ(CurrencyRatio(raw(1), Fixed4::fromInt(100000000)), Fixed4());  // underflow
    EXPECT_EQ(CurrencyRatio(raw(std::numeric_limits<int64_t>::max()), raw(1)),
              Fixed4::fromInt(1000000000));  // overflow
    EXPECT_EQ(CurrencyRatio(Fixed4::fromInt(5000), Fixed4::fromInt(80)), Fixed4::fromDouble(62.5));
    EXPECT_EQ(CurrencyRatio(Fixed4::fromInt(625), Fixed4::fromDouble(16.25)),
              Fixed4::fromDouble(38.4615));
}

TEST(GuardedConversion, OutOfRangeGivesNothing) {
    EXPECT_FALSE(toFixed4(1e300).has_value());
    EXPECT_FALSE(toFixed4(std::numeric_limits<double>::infinity()).has_value());
    EXPECT_EQ(toFixed4Or(1e300, raw(7)), raw(7));
    EXPECT_EQ(toFixed4(33.33335)->raw(), 333334);
}

TEST(GuardedConversion, RoundsAsTheLongDoubleProductAlsoNearHalfUnits) {
    // Products that round one way in double and the other in long double.
    EXPECT_EQ(toFixed4(27215.830749999997)->raw(), 272158307);
    EXPECT_EQ(toFixed4(3913.6022500000004)->raw(), 39136023);
    EXPECT_EQ(toFixed4(-6793.0723499999995)->raw(), -67930723);
    // Shares, levels and prices of every size, and values a hair either side of a half unit.
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    int checked = 0;
    for (double scale : {1e-6, 1e-3, 1.0, 100.0, 1e4, 1e7, 1e9, 1e11}) {
        for (int i = 0; i < 20000; ++i) {
            double v = unit(rng) * scale;
            if (i % 2 == 1) {
                const double half = (std::floor(v * 1e4) + 0.5) / 1e4;
                v = std::nextafter(half, i % 4 == 1 ? 1e300 : -1e300);
            }
            const auto want =
                static_cast<int64_t>(std::llrintl(static_cast<long double>(v) * 10000));
            ASSERT_EQ(toFixed4(v)->raw(), want) << std::setprecision(17) << v;
            ++checked;
        }
    }
    EXPECT_EQ(checked, 160000);
}

}  // namespace
}  // namespace vexa
