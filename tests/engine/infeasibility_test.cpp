// Formulas without a ration: the alternative ration, its suggestions and its diagnosis. A
// suggestion is only worth offering if applying it gives a formula that can be met, so every
// case also re-runs the formula with its suggestions applied.
#include "formula_builder.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using test::FormulaBuilder;
using test::fx;
using test::MixRun;

// The formula with the suggested bounds written in, as "Cambiar y Reformular" does.
Formula withSuggestions(Formula f, const std::vector<TRecom>& suggestions) {
    applySuggestions(suggestions, f);
    return f;
}

std::vector<std::string> diagnosisLines(MixRun& r) {
    r.doc.Clear();
    r->WriteDiagnosis();
    std::vector<std::string> lines;
    for (const auto& l : r.doc.Lines()) lines.push_back(l.text);
    return lines;
}

TEST(Infeasible, RealProblemsGiveAlternativeRationSuggestionsAndDiagnosis) {
    struct Expected {
        int32_t clase, tipo, code;
        double faltante, sugerido;
    };
    struct Case {
        const char* what;
        Formula formula;
        bool totalReachable;
        std::vector<Expected> suggestions;
        std::vector<std::string> diagnosis;
    };
    const Case cases[] = {
        {"ingredient minima above 100 %: the one that misses least, relative to its bound",
         FormulaBuilder()
             .ing(1, "Maíz", 70, 100, 0.245, {{3, 8.5}})
             .ing(2, "Soya", 40, 100, 0.45, {{3, 46}})
             .build(),
         true,
         {{kClaseInsumo, kTipoMin, 1, 10, 60}},
         {" Bajo en Maíz por 10.0000%"}},
        {"two fixed shares above 100 %",
         FormulaBuilder().ing(1, "Maíz", 60, 60, 0.245).ing(2, "Soya", 60, 60, 0.45).build(),
         true,
         {{kClaseInsumo, kTipoIgual, 2, 20, 40}},
         {" Bajo en Soya por 20.0000%"}},
        {"a protein minimum out of reach: relaxed to the most protein the bounds allow",
         FormulaBuilder()
             .ing(1, "Maíz", 10, 100, 0.245, {{3, 8.5}})
             .ing(2, "Soya", 0, 30, 0.45, {{3, 46}})
             .nut(3, "Proteína", "%", 25, 0)
             .build(),
         true,
         {{kClaseNutriente, kTipoMin, 3, 5.25, 19.75}},
         {" Bajo en Proteína, %  5.2500"}},
        // 19.77310 exactly: values are used as stored, 8.533 included
        {"the level proposed is the one reached with the values as stored",
         FormulaBuilder()
             .ing(1, "Maíz", 10, 100, 0.245, {{3, 8.533}})
             .ing(2, "Soya", 0, 30, 0.45, {{3, 46}})
             .nut(3, "Proteína", "%", 25, 0)
             .build(),
         true,
         {{kClaseNutriente, kTipoMin, 3, 5.2269, 19.7731}},
         {" Bajo en Proteína, %  5.2269"}},
        {"a protein maximum below every ingredient: the 100 % row is out of reach",
         FormulaBuilder()
             .ing(1, "Maíz", 0, 100, 0.245, {{3, 8.5}})
             .ing(2, "Soya", 0, 100, 0.45, {{3, 46}})
             .nut(3, "Proteína", "%", 0, 5)
             .build(),
         false,
         {{kClaseNutriente, kTipoMax, 3, -3.5, 8.5}},
         {" Alto en Proteína, %  3.5000"}},
    };
    for (const Case& c : cases) {
        MixRun r(c.formula);
        r.go();
        EXPECT_FALSE(r->Feasible) << c.what;
        EXPECT_EQ(r->TotalReachable, c.totalReachable) << c.what;
        ASSERT_EQ(r->Suggestions.size(), c.suggestions.size()) << c.what;
        for (size_t i = 0; i < c.suggestions.size(); ++i) {
            const TRecom& s = r->Suggestions[i];
            const Expected& e = c.suggestions[i];
            EXPECT_EQ(s.Clase, e.clase) << c.what;
            EXPECT_EQ(s.Tipo, e.tipo) << c.what;
            EXPECT_EQ(s.Indice, e.code) << c.what;
            EXPECT_EQ(s.Faltante, fx(e.faltante)) << c.what;
            EXPECT_EQ(s.Sugerido, fx(e.sugerido)) << c.what;
        }
        EXPECT_EQ(diagnosisLines(r), c.diagnosis) << c.what;
        // the ration adds up and each ingredient stays within 0 … 100
        Fixed4 total;
        for (const auto& it : r->Ingredients) total += it.Cantidad;
        EXPECT_EQ(total, Fixed4::fromInt(100)) << c.what;

        MixRun again(withSuggestions(c.formula, r->Suggestions));
        again.go();
        EXPECT_TRUE(again->Feasible) << c.what << ": suggestions applied";
        EXPECT_TRUE(again->Suggestions.empty()) << c.what << ": suggestions applied";
    }
}

TEST(Infeasible, RelaxedIngredientMinimumIsMetAndFlagged) {
    MixRun r(FormulaBuilder().ing(1, "Maíz", 70, 100, 0.245).ing(2, "Soya", 40, 100, 0.45).build());
    r.go();
    ASSERT_EQ(r->Suggestions.size(), 1u);
    const TRecom& s = r->Suggestions[0];
    // Maíz misses 10 of 70, less than Soya would (10 of 40)
    EXPECT_EQ(s.Indice, 1);
    EXPECT_EQ(s.Sugerido + s.Faltante, r.ing(1).Min);
    EXPECT_GE(r.ing(1).Cantidad, s.Sugerido);
    EXPECT_TRUE(r.ing(1).Fuera);
    EXPECT_FALSE(r.ing(2).Fuera);
    r->WriteSolution();
    EXPECT_NE(r.doc.Text().find("SOLUCIÓN ALTERNA AL MÍNIMO COSTO"), std::string::npos);
    EXPECT_NE(r.doc.Text().find("La solución ALTERNA al mínimo costo es"), std::string::npos);
}

TEST(Infeasible, DiagnosisLinesFollowTheLevelsAgainstTheBounds) {
    MixRun r(FormulaBuilder()
                 .ing(1, "Maíz", 10, 50, 0.2)
                 .ing(2, "Soya", 20, 60, 0.4)
                 .ing(3, "Trigo", 0, 100, 0.3)
                 .nut(3, "Proteína", "%", 20, 0)
                 .nut(4, "Energía", "kcal/kg", 2900, 3100)
                 .nut(5, "Fibra", "%", 0, 0)
                 .build());
    r.go();
    r->Feasible = false;
    auto& ings = r->Ingredients;
    auto& nuts = r->Nutrients;
    ings[0].Fuera = true;  // 52.5 against a maximum of 50
    ings[0].Cantidad = fx(52.5);
    ings[1].Fuera = true;  // 19.9999 against a minimum of 20
    ings[1].Cantidad = fx(19.9999);
    ings[2].Fuera = true;  // within its bounds: no line
    nuts[0].Fuera = true;
    nuts[0].Cantidad = fx(18.25);
    nuts[1].Fuera = true;
    nuts[1].Cantidad = fx(3100.5);
    nuts[2].Fuera = true;  // no bounds: never "Alto" against a maximum of 0
    nuts[2].Cantidad = fx(4);
    EXPECT_EQ(diagnosisLines(r), (std::vector<std::string>{
                                     " Alto en Maíz por 2.5000%",
                                     " Bajo en Soya por 0.0001%",
                                     " Bajo en Proteína, %  1.7500",
                                     " Alto en Energía, kcal/kg  0.5000",
                                 }));
    r->Feasible = true;
    EXPECT_TRUE(diagnosisLines(r).empty());
}

TEST(Infeasible, AmongTheLeastRelaxationsTheCheapestRation) {
    // N ≥ 20 is out of reach (no ingredient holds more than 10): every ration of A and B alone
    // misses it least; B is the cheaper of the two.
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 0, 100, 1.0, {{3, 10}})
                 .ing(2, "B", 0, 100, 0.5, {{3, 10}})
                 .ing(3, "C", 0, 100, 0.1, {{3, 0}})
                 .nut(3, "N", "%", 20, 0)
                 .build());
    r.go();
    EXPECT_FALSE(r->Feasible);
    EXPECT_EQ(r.ing(2).Cantidad, Fixed4::fromInt(100));
    ASSERT_EQ(r->Suggestions.size(), 1u);
    EXPECT_EQ(r->Suggestions[0].Sugerido, Fixed4::fromInt(10));
    EXPECT_EQ(r->CostPerKg, fx(0.5));

    // N ≥ 10 and M ≥ 10 cannot both be met; every split of A (N) and B (M) misses them by the
    // same relative sum, and all B is the cheapest, in whichever order they are listed.
    for (bool bFirst : {false, true}) {
        FormulaBuilder b;
        auto a = [&] { b.ing(1, "A", 0, 100, 1.0, {{3, 10}}); };
        auto m = [&] { b.ing(2, "B", 0, 100, 0.5, {{4, 10}}); };
        if (bFirst) {
            m();
            a();
        } else {
            a();
            m();
        }
        MixRun t(b.nut(3, "N", "%", 10, 0).nut(4, "M", "%", 10, 0).build());
        t.go();
        EXPECT_FALSE(t->Feasible) << bFirst;
        EXPECT_EQ(t->CostPerKg, fx(0.5)) << bFirst;
        EXPECT_EQ(t.ing(2).Cantidad, Fixed4::fromInt(100)) << bFirst;
    }
}

TEST(Infeasible, AShareThatRoundsAwayIsNotPassedOffAsMeetingItsBound) {
    // A share of T below 0.00005 % is rounded away and the formula cannot be met without it:
    // the level the ration delivers is flagged and suggested, rounded in the direction that
    // relaxes the bound, so the suggestion met once applied.
    struct Case {
        const char* what;
        Formula formula;
        int32_t tipo;
        Fixed4 suggested;
    };
    const Case cases[] = {
        // Energy ≥ 3000.002 takes 0.0000286 % of T; without it the ration delivers 2999.99914,
        // suggested rounded down.
        {"minimum",
         FormulaBuilder()
             .ing(1, "A", 0, 100, 1, {{4, 3000}})
             .ing(2, "T", 0, 100, 1000, {{4, 10000}})
             .nut(4, "EM", "kcal/kg", 3000.002, 0)
             .build(),
         kTipoMin, fx(2999.9991)},
        // A balance in mEq, where T is negative: BE ≤ 299.9996 takes 0.000033 % of T; without it
        // the ration delivers 299.99993, suggested rounded up (300.0000), never down to 299.9999.
        {"maximum",
         FormulaBuilder()
             .ing(1, "A", 0, 100, 1, {{4, 300.00003}})
             .ing(2, "T", 0, 100, 1000, {{4, -1000}})
             .nut(4, "BE", "mEq/kg", 0, 299.9996)
             .build(),
         kTipoMax, fx(300)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MixRun r(c.formula);
        r.go();
        EXPECT_EQ(r.ing(2).Cantidad, Fixed4());
        EXPECT_TRUE(r.nut(4).Fuera);
        EXPECT_FALSE(r->Feasible);
        ASSERT_EQ(r->Suggestions.size(), 1u);
        EXPECT_EQ(r->Suggestions[0].Tipo, c.tipo);
        EXPECT_EQ(r->Suggestions[0].Sugerido, c.suggested);
        MixRun again(withSuggestions(c.formula, r->Suggestions));
        again.go();
        EXPECT_TRUE(again->Feasible);
    }
}

TEST(Infeasible, AShareThatRoundsAwayIsLeftOutWhenTheFormulaCanBeMetWithoutIt) {
    // The cheapest ration takes 0.0000286 % of T, which the rounding drops; C meets the energy
    // with a share that survives it, at a little more cost: that ration is delivered, met.
    // (A re-run with applied suggestions lands on such vertices: its bounds are the levels the
    // alternative ration reached.)
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 0, 100, 1, {{4, 3000}})
                 .ing(2, "T", 0, 100, 1000, {{4, 10000}})
                 .ing(3, "C", 0, 100, 100, {{4, 3100}})
                 .nut(4, "EM", "kcal/kg", 3000.002, 0)
                 .build());
    r.go();
    EXPECT_TRUE(r->Feasible);
    EXPECT_TRUE(r->Suggestions.empty());
    EXPECT_FALSE(r.nut(4).Fuera);
    EXPECT_GE(r.nut(4).Cantidad, fx(3000.002));
    EXPECT_EQ(r.ing(2).Cantidad, Fixed4());
    EXPECT_EQ(r.ing(2).Valor, 0.0);
    EXPECT_EQ(r.ing(3).Cantidad, fx(0.002));
    EXPECT_EQ(r.ing(1).Cantidad, fx(99.998));
    // T's price range comes from its own column, though the run left it out. With A and C in
    // the ration the duals are y0 = −2969 (100 % row) and y1 = 99 (energy): T is worth
    // −2969 + 100·99 = 6931 > 1000, a share too small to deliver, so any lower price changes
    // the ration; no higher price does. (An emptied column would have shown 0.)
    EXPECT_FALSE(r.ing(2).NoPriceFloor);
    EXPECT_EQ(r.ing(2).PrecioMin, fx(1000));
    EXPECT_TRUE(r.ing(2).NoPriceCeiling);
}

}  // namespace
}  // namespace vexa
