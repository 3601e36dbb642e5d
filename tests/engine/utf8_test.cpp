// The one set of UTF-8 helpers that every layer cuts and measures names with.
#include "engine/utf8.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

TEST(Utf8, CutsByCharactersAndNeverGrowsPastTheCount) {
    struct Case {
        std::string text;
        size_t count;
        std::string left;
    };
    const Case cases[] = {
        {"Energía Metabolizable", 7, "Energía"},
        {"Fósforo", 2, "Fó"},
        {"abc", 10, "abc"},
        {"ñ", 0, ""},
        {"€uro", 1, "€"},
        {"\xE1\x61\x62", 1, "\xE1"},              // a cut lead byte swallows no letter
        {"\x80\x80\x61\x62", 1, "\x80\x80\x61"},  // stray continuations belong to none
    };
    for (const Case& c : cases) {
        const std::string left = utf8Left(c.text, c.count);
        EXPECT_EQ(left, c.left) << c.text;
        EXPECT_LE(utf8Length(left), c.count) << c.text;
    }
    EXPECT_EQ(utf8Length("Proteína cruda"), 14u);
}

TEST(Utf8, ValidityAndCodePoints) {
    for (const char* good : {"", "abc", "Año ñandú", "€", "\xF0\x9F\x90\x94"})
        EXPECT_TRUE(isValidUtf8(good)) << good;
    for (const char* bad : {"bad\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
                            "\xF4\x90\x80\x80", "\xFF", "\x80", "\xC3\x61"})
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
    std::string out;
    for (char32_t c : {U'a', U'ñ', U'€', U'\U0001F414'}) appendUtf8(out, c);
    EXPECT_EQ(out, "añ€\xF0\x9F\x90\x94");
    size_t i = 0;
    std::string decoded;
    while (i < out.size()) appendUtf8(decoded, *nextCodePoint(out, i));
    EXPECT_EQ(decoded, out);
}

}  // namespace
}  // namespace vexa
