// The building blocks of the format: the block check, the extended numbers, the code
// page of names, entry names as paths, and dates.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <ctime>

#include "store/container/block_check.h"
#include "store/container/cp1252.h"
#include "store/container/entry_name.h"
#include "store/container/extended_float.h"
#include "store/container/file_date.h"

namespace vexa::vxf {
namespace {

std::uint32_t checkOf(const std::string& text) {
    return blockCheck(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

TEST(BlockCheck, KnownValues) {
    EXPECT_EQ(checkOf("abc"), 0x932BC606u);
    EXPECT_EQ(checkOf("123456789"), 0x1B948A57u);
    EXPECT_EQ(checkOf(""), 0u);
    // Differs from the standard CRC-32 (0xCBF43926 for "123456789").
    EXPECT_NE(checkOf("123456789"), 0xCBF43926u);
}

TEST(ExtendedFloat, KnownBytes) {
    struct Case {
        double value;
        std::uint8_t bytes[10];
    } cases[] = {
        {0.0, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00}},
        {1.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
        {-2.0, {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0}},
        {100000.0, {0, 0, 0, 0, 0, 0, 0x50, 0xC3, 0x0F, 0x40}},
        {0.5, {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x3F}},
    };
    for (const auto& c : cases) {
        Extended e = encodeExtended(c.value);
        EXPECT_EQ(std::memcmp(e.data(), c.bytes, 10), 0) << c.value;
        EXPECT_EQ(decodeExtended(c.bytes), c.value);
    }
}

TEST(ExtendedFloat, RoundTripsEveryKindOfDouble) {
    for (double v : {45366.43055555555, 4294967295.0, 9007199254740991.0, 1e-300, -1e300, 5e-324,
                     3.141592653589793}) {
        Extended e = encodeExtended(v);
        EXPECT_EQ(decodeExtended(e.data()), v);
    }
    Extended inf = encodeExtended(INFINITY);
    EXPECT_TRUE(std::isinf(decodeExtended(inf.data())));
    Extended nan = encodeExtended(NAN);
    EXPECT_TRUE(std::isnan(decodeExtended(nan.data())));
    // Beyond a double's range: infinity, never a trap or garbage.
    std::uint8_t huge[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFE, 0x7F};
    EXPECT_TRUE(std::isinf(decodeExtended(huge)));
}

TEST(Cp1252, SpanishNamesBothWays) {
    const std::string utf8 = "Año ñandú Índice €.db";
    auto bytes = utf8ToCp1252(utf8);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, std::string("A\xF1o \xF1"
                                  "and\xFA \xCD"
                                  "ndice \x80.db"));
    EXPECT_EQ(cp1252ToUtf8(*bytes), utf8);
    EXPECT_EQ(cp1252ToUtf8("\x81\x9F"), "\xC2\x81\xC5\xB8");
}

TEST(Cp1252, RefusesWhatItCannotCarry) {
    EXPECT_FALSE(utf8ToCp1252("日本.db"));
    EXPECT_FALSE(utf8ToCp1252("bad\xC3"));   // cut sequence
    EXPECT_FALSE(utf8ToCp1252("\xC0\xAF"));  // overlong '/'
    EXPECT_FALSE(utf8ToCp1252("\xFF"));
}

TEST(EntryName, RelativePathsOnly) {
    struct Case {
        std::string name;
        const char* path;  // nullptr: refused
    } cases[] = {
        {"LR.db", "LR.db"},
        {"sub\\LR.db", "sub/LR.db"},
        {"sub/./x//LR.db", "sub/x/LR.db"},
        {"..", nullptr},
        {"../evil", nullptr},
        {"a\\..\\..\\evil", nullptr},
        {"/etc/passwd", nullptr},
        {"\\\\server\\share\\x", nullptr},
        {"C:\\evil", nullptr},
        {"c:evil", nullptr},
        {std::string("a\0b", 3), nullptr},
        {"", nullptr},
        {".", nullptr},
        {"\\", nullptr},
    };
    for (const auto& c : cases) {
        auto p = safeRelativePath(c.name);
        if (c.path) {
            ASSERT_TRUE(p) << c.name;
            EXPECT_EQ(p->generic_string(), c.path);
        } else {
            EXPECT_FALSE(p) << c.name;
        }
    }
}

TEST(FileDate, DaysSince1899InLocalTimeToTwoSeconds) {
    std::tm local{};
    local.tm_year = 2024 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 15;
    local.tm_hour = 10;
    local.tm_min = 20;
    local.tm_sec = 31;
    local.tm_isdst = -1;
    std::time_t t = std::mktime(&local);
    auto fileTime = std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t));
    double days = fileTimeToDays(fileTime);
    EXPECT_DOUBLE_EQ(days, 45366 + (10 * 3600 + 20 * 60 + 30) / 86400.0);

    auto back = daysToFileTime(days);
    ASSERT_TRUE(back);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(fileTime - *back).count(), 1);
}

TEST(FileDate, NoDateForNonsense) {
    for (double d : {double(NAN), double(INFINITY), -1e9, 1e12, 0.0})
        EXPECT_FALSE(daysToFileTime(d));
    EXPECT_TRUE(daysToFileTime(45366.999999));  // rounds up into the next day
}

}  // namespace
}  // namespace vexa::vxf
