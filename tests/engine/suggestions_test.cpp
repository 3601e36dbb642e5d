// The rule that writes accepted suggestions into a formula.
#include "formula_builder.h"

#include "engine/suggestions.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using test::fx;

TRecom suggestion(int32_t clase, int32_t code, int32_t tipo, double sugerido) {
    TRecom s;
    s.Clase = clase;
    s.Indice = code;
    s.Tipo = tipo;
    s.Sugerido = fx(sugerido);
    return s;
}

TEST(ApplySuggestions, EachTypeSetsItsBoundsOnTheRestrictionOfItsCode) {
    std::vector<RestrictionBounds> ing{{1, fx(10), fx(20)}, {2, fx(30), fx(30)}};
    std::vector<RestrictionBounds> nut{{1, fx(0.7), fx(0.9)}, {5, fx(2), fx(2)}};
    const std::vector<TRecom> list{
        suggestion(kClaseTotal, 0, 0, 50),            // the 100 % row: never applied
        suggestion(kClaseInsumo, 2, kTipoIgual, 25),  // equality: both bounds
        suggestion(kClaseInsumo, 1, kTipoMax, 22.5),  // maximum only
        suggestion(kClaseNutriente, 1, kTipoMin, 0.6123),
        suggestion(kClaseNutriente, 5, kTipoMin, 1.9999),  // an equality opened into a range
        suggestion(kClaseNutriente, 5, kTipoMax, 2.0001),
        suggestion(kClaseNutriente, 9, kTipoMin, 1),  // no such nutrient
    };
    EXPECT_EQ(applySuggestions(list, ing, nut), 5);
    EXPECT_EQ(ing[0].min, fx(10));
    EXPECT_EQ(ing[0].max, fx(22.5));
    EXPECT_EQ(ing[1].min, fx(25));
    EXPECT_EQ(ing[1].max, fx(25));
    EXPECT_EQ(nut[0].min, fx(0.6123));
    EXPECT_EQ(nut[0].max, fx(0.9));
    EXPECT_EQ(nut[1].min, fx(1.9999));
    EXPECT_EQ(nut[1].max, fx(2.0001));
}

TEST(ApplySuggestions, FormulaOverloadWritesTheSameBounds) {
    Formula f = test::FormulaBuilder()
                    .ing(1, "Maíz", 70, 100, 0.2)
                    .ing(2, "Soya", 50, 100, 0.4)
                    .nut(3, "Proteína", "%", 18, 0)
                    .build();
    const std::vector<TRecom> list{suggestion(kClaseInsumo, 2, kTipoMin, 30),
                                   suggestion(kClaseNutriente, 3, kTipoMin, 16.5)};
    EXPECT_EQ(applySuggestions(list, f), 2);
    EXPECT_EQ(f.ingredients[0].min, fx(70));
    EXPECT_EQ(f.ingredients[1].min, fx(30));
    EXPECT_EQ(f.nutrients[0].min, fx(16.5));
}

}  // namespace
}  // namespace vexa
