// Nutrient ratio restrictions in the engine: the rows they add, a ration where a ratio binds
// (worked out by hand), the sensitivity of a binding ratio against re-solving, a ratio whose
// second nutrient ends at 0, suggestions for an unreachable ratio, and the formula file.
#include "formula_builder.h"
#include "glpk_reference.h"
#include "test_paths.h"

#include "engine/suggestions.h"

#include <gtest/gtest.h>

#include <tuple>

namespace vexa {
namespace {

using test::FormulaBuilder;
using test::fx;
using test::MixRun;

// Two ingredients, both with 1 % P: A (price 1) has 4 % Ca, B (price 2) 1 % Ca. Alone A is
// cheapest (Ca : P = 4); a ratio of at most b : 1 allows xA ≤ 100·(b − 1) / 3, so at b = 2.5
// the ration is 50 % A and 50 % B, cost 1.5 per kg, and each unit more of the ratio saves
// 1/3 per kg (333.33 per tonne).
FormulaBuilder twoIngredients(double max1, double max2) {
    return FormulaBuilder("Dos insumos")
        .ing(1, "A", 0, 100, 1, {{10, 4}, {11, 1}})
        .ing(2, "B", 0, 100, 2, {{10, 1}, {11, 1}})
        .nut(10, "Calcio", "%", 0, 0)
        .nut(11, "Fósforo", "%", 0, 0)
        .ratio(7, "Calcio : Fósforo", 10, 11, 1, 0, max1, max2);
}

TEST(Ratios, BindingRatioChangesTheRationAsWorkedOutByHand) {
    // 2.5 : 1, 5 : 2 and 2.5 with an empty second term all mean the same bound
    for (auto [max1, max2] : {std::pair{2.5, 1.0}, {5.0, 2.0}, {2.5, 0.0}}) {
        SCOPED_TRACE(max2);
        MixRun r(twoIngredients(max1, max2).build());
        r.go();
        EXPECT_TRUE(r->Feasible);
        EXPECT_EQ(r.ing(1).Cantidad, fx(50));
        EXPECT_EQ(r.ing(2).Cantidad, fx(50));
        EXPECT_EQ(r->CostPerKg, fx(1.5));
        const TRelacion& rel = r.rel(7);
        EXPECT_EQ(rel.Cantidad, fx(2.5));
        EXPECT_EQ(rel.Max, fx(2.5));
        EXPECT_EQ(rel.Min, fx(1));
        EXPECT_FALSE(rel.Fuera);
        // per tonne and per unit of the ratio: 1000 / 3
        EXPECT_EQ(rel.Sensib.mulInt(1000).toString(), "333.3000");
    }
    // Without the ratio the cheap ingredient takes it all.
    Formula free = twoIngredients(2.5, 1).build();
    free.ratios.clear();
    MixRun r(free);
    r.go();
    EXPECT_EQ(r.ing(1).Cantidad, fx(100));
    // A minimum above what A gives (4 : 1) cannot be met: the run relaxes it to 4 and says so.
    MixRun high(FormulaBuilder(twoIngredients(0, 0).build().name)
                    .ing(1, "A", 0, 100, 1, {{10, 4}, {11, 1}})
                    .ing(2, "B", 0, 100, 2, {{10, 1}, {11, 1}})
                    .nut(10, "Calcio", "%", 0, 0)
                    .nut(11, "Fósforo", "%", 0, 0)
                    .ratio(7, "Calcio : Fósforo", 10, 11, 9, 2)
                    .build());
    high.go();
    EXPECT_FALSE(high->Feasible);
    ASSERT_EQ(high->Suggestions.size(), 1u);
    const TRecom& s = high->Suggestions[0];
    EXPECT_EQ(s.Clase, kClaseRelacion);
    EXPECT_EQ(s.Tipo, kTipoMin);
    EXPECT_EQ(s.Indice, 7);
    // in the user's own form: 9 : 2 becomes 8 : 2
    EXPECT_EQ(s.Sugerido, fx(8));
    EXPECT_EQ(s.SugeridoN2, fx(2));
    EXPECT_EQ(s.Faltante, fx(1));
    EXPECT_TRUE(high.rel(7).Fuera);
    EXPECT_EQ(high.ing(1).Cantidad, fx(100));
    // applied, the suggestion is a formula the next run meets
    Formula applied = high->formula();
    EXPECT_EQ(applySuggestions(high->Suggestions, applied), 1);
    EXPECT_EQ(applied.ratios[0].minN1, fx(8));
    EXPECT_EQ(applied.ratios[0].minN2, fx(2));
    MixRun again(applied);
    again.go();
    EXPECT_TRUE(again->Feasible);
}

// A lysine : energy minimum written per 1000 kcal keeps its digits when relaxed: the ration
// reaches 1.4 : 3000 (0.46667 per 1000 kcal) at most, so 0.4670 : 1000 becomes 0.4666 : 1000,
// not 0.0004 : 1 (0.4 per 1000 kcal, 14 % more relaxation than needed).
TEST(Ratios, ASuggestedBoundKeepsTheUsersSecondTermAndItsPrecision) {
    for (const auto& [n1, n2, suggested, applied2] :
         {std::tuple{0.467, 1000.0, 0.4666, 1000.0}, {0.000467, 0.0, 0.0004, 0.0}}) {
        SCOPED_TRACE(n2);
        MixRun r(FormulaBuilder()
                     .ing(1, "A", 0, 100, 1, {{10, 1.4}, {11, 3000}})
                     .ing(2, "B", 0, 100, 2, {{10, 1.0}, {11, 3000}})
                     .nut(10, "Lisina", "%", 0, 0)
                     .nut(11, "Energía", "kcal/kg", 0, 0)
                     .ratio(7, "Lisina : Energía", 10, 11, n1, n2)
                     .build());
        r.go();
        EXPECT_FALSE(r->Feasible);
        ASSERT_EQ(r->Suggestions.size(), 1u);
        EXPECT_EQ(r->Suggestions[0].Sugerido, fx(suggested));
        EXPECT_EQ(r->Suggestions[0].SugeridoN2, fx(n2));
        Formula f = r->formula();
        ASSERT_EQ(applySuggestions(r->Suggestions, f), 1);
        EXPECT_EQ(f.ratios[0].minN1, fx(suggested));
        EXPECT_EQ(f.ratios[0].minN2, fx(applied2));
        MixRun again(f);
        again.go();
        EXPECT_TRUE(again->Feasible);
    }
}

// The alternative ration misses least in relative terms, a ratio's miss measured against
// the ration's own level of its second nutrient: checked against every mix on a fine grid.
// Calcium : phosphorus at least 2 : 1 against a phosphorus minimum that only the low-calcium
// ingredient B reaches; a phosphate C, held to 0.5 %, makes the average phosphorus of the
// ingredients (10.8 %) far from the ration's own, which underweighted the ratio's miss.
TEST(Ratios, TheAlternativeRationMissesTheRatioLeastRelativeToItsOwnLevel) {
    const double ca[] = {3.0, 0.2, 0.0}, p[] = {0.4, 2.0, 30.0};
    int checked = 0;
    for (double pMin = 1.1; pMin < 1.95; pMin += 0.05) {
        SCOPED_TRACE(pMin);
        MixRun r(FormulaBuilder()
                     .ing(1, "A", 0, 100, 1, {{10, ca[0]}, {11, p[0]}})
                     .ing(2, "B", 0, 100, 1, {{10, ca[1]}, {11, p[1]}})
                     .ing(3, "C", 0, 0.5, 1, {{10, ca[2]}, {11, p[2]}})
                     .nut(10, "Calcio", "%", 0, 0)
                     .nut(11, "Fósforo", "%", pMin, 0)
                     .ratio(7, "Calcio : Fósforo", 10, 11, 2, 1)
                     .build());
        r.go();
        if (r->Feasible) continue;
        ++checked;
        auto miss = [&](double a, double c) {  // shares of A and C, 0..1
            const double b = 1 - a - c;
            const double lca = ca[0] * a + ca[1] * b + ca[2] * c;
            const double lp = p[0] * a + p[1] * b + p[2] * c;
            return std::max(0.0, (pMin - lp) / pMin) + std::max(0.0, (2.0 - lca / lp) / 2.0);
        };
        double least = 1e9;
        for (int j = 0; j <= 50; ++j)
            for (int i = 0; i <= 20000; ++i) {
                const double c = j * 0.0001, a = i / 20000.0 * (1 - c);
                least = std::min(least, miss(a, c));
            }
        const double got =
            miss(r.ing(1).Cantidad.toDouble() / 100.0, r.ing(3).Cantidad.toDouble() / 100.0);
        EXPECT_LE(got, least * 1.02 + 1e-4) << "A " << r.ing(1).Cantidad.toString() << " C "
                                            << r.ing(3).Cantidad.toString() << " least " << least;
    }
    EXPECT_GE(checked, 10);
}

// Neither nutrient in the ration: the ratio has no value, and its rows (0 against 0) hold, so
// it is not reported as missed and the ration stands.
TEST(Ratios, BothNutrientsAbsentIsNotAMiss) {
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 0, 100, 1, {{12, 5}})
                 .ing(2, "B", 0, 100, 2, {{12, 1}})
                 .nut(10, "Calcio", "%", 0, 0)
                 .nut(11, "Fósforo", "%", 0, 0)
                 .nut(12, "Proteína", "%", 2, 0)
                 .ratio(7, "Calcio : Fósforo", 10, 11, 1, 1, 2, 1)
                 .build());
    r.go();
    EXPECT_TRUE(r->Feasible);
    EXPECT_TRUE(r.rel(7).SinValor);
    EXPECT_FALSE(r.rel(7).Fuera);
    EXPECT_TRUE(r->Suggestions.empty());
    EXPECT_EQ(r.ing(1).Cantidad, fx(100));
}

TEST(Ratios, RowsComeAfterTheNutrientRowsAsSlackRows) {
    MemoryReportDocument doc;
    test::BuildOnly b(doc, FormulaBuilder()
                               .ing(1, "A", 0, 100, 1, {{10, 4}, {11, 1}})
                               .ing(2, "B", 0, 100, 2, {{10, 1}, {11, 2}})
                               .nut(10, "Calcio", "%", 1, 0)
                               .nut(11, "Fósforo", "%", 0, 0)
                               .ratio(7, "Calcio : Fósforo", 10, 11, 3, 2, 5, 0)
                               .build());
    b.build();
    // row 1 the 100 % row, row 2 the calcium minimum, rows 3 and 4 the ratio's minimum
    // (3·P − 2·Ca ≤ 0) and maximum (Ca − 5·P ≤ 0, the empty second term as 1)
    ASSERT_EQ(b.RowCount, 4);
    EXPECT_EQ(b.SlackCount, 3);
    EXPECT_EQ(b.ColumnCount, 7);
    const double expected[2][2] = {{3 * 0.01 - 2 * 0.04, 3 * 0.02 - 2 * 0.01},
                                   {0.04 - 5 * 0.01, 0.01 - 5 * 0.02}};
    for (int32_t r : {3, 4}) {
        EXPECT_EQ(b.RowInfo[r].kind, kRowRatio);
        EXPECT_EQ(b.RowInfo[r].code, 7);
        EXPECT_EQ(b.Basis[r], r + 1);  // its slack, basic at 0
        EXPECT_EQ(b.Tableau(r + 1, r), 1.0);
        EXPECT_EQ(b.Tableau(b.RhsColumn, r), 0.0);
        for (int32_t k : {1, 2}) EXPECT_NEAR(b.Tableau(k, r), expected[r - 3][k - 1], 1e-12);
    }
    EXPECT_EQ(b.Ratios[0].FilaMin, 3);
    EXPECT_EQ(b.Ratios[0].FilaMax, 4);
    EXPECT_EQ(b.Ratios[0].Min, fx(1.5));
    EXPECT_EQ(b.Ratios[0].Max, fx(5));
}

// Sensitivity of binding ratios: the cost change per unit of the ratio bound, against GLPK's
// optimum re-solved with the bound moved a little (the sample broiler starter with the
// calcium to available phosphorus ratio pushed up so that it binds).
TEST(Ratios, SensitivityOfABindingRatioMatchesResolving) {
    Formula f = loadFormulaFile(std::string(VEXA_SAMPLES_DIR) + "/broiler_starter.json");
    auto codeOf = [&](const std::string& name) {
        for (const auto& n : f.nutrients)
            if (n.name == name) return n.code;
        return 0;
    };
    FormulaRatio caP;
    caP.code = 1;
    caP.name = "Calcio : Fósforo disponible";
    caP.nut1 = codeOf("Calcio");
    caP.nut2 = codeOf("Fósforo disponible");
    int checked = 0;
    for (auto [min1, max1] : {std::pair{2.3, 0.0}, {0.0, 2.05}, {2.35, 0.0}}) {
        SCOPED_TRACE(min1 + max1);
        caP.minN1 = fx(min1);
        caP.maxN1 = fx(max1);
        f.ratios = {caP};
        MemoryReportDocument doc;
        MemoryMixObject mix(doc, f);
        mix.Mix();
        ASSERT_TRUE(mix.Feasible);
        const TRelacion& r = mix.Ratios[0];
        const double base = reference::solveWithGlpk(f).costPerKg;
        Formula moved = f;
        const double d = 0.001;
        (min1 > 0 ? moved.ratios[0].minN1 : moved.ratios[0].maxN1) += fx(min1 > 0 ? d : -d);
        const double change = (reference::solveWithGlpk(moved).costPerKg - base) / d;
        // Sensib × 1000 is the cost per tonne of one unit of the ratio (Sensib is kept per kg
        // to 4 decimals, like a nutrient's: half a unit of it is 0.05 per tonne)
        ASSERT_GT(change, 1e-6) << "the ratio does not bind";
        EXPECT_NEAR(r.Sensib.toDouble() * 1000, change * 1000, 0.05 + 0.002 * change * 1000);
        ++checked;
    }
    EXPECT_EQ(checked, 3);
}

TEST(Ratios, SecondNutrientAtZeroHasNoValueAndTheReportSaysSo) {
    FormulaBuilder b = FormulaBuilder("Sin fósforo")
                           .ing(1, "A", 0, 100, 1, {{10, 4}})
                           .ing(2, "B", 0, 100, 2, {{10, 1}})
                           .nut(10, "Calcio", "%", 0, 0)
                           .nut(11, "Fósforo", "%", 0, 0)
                           .ratio(7, "Calcio : Fósforo", 10, 11, 2, 1);
    MixRun r(b.build());
    r.go();
    EXPECT_TRUE(r->Feasible);  // level2 = 0: 2·0 − 1·level1 ≤ 0 holds
    EXPECT_TRUE(r.rel(7).SinValor);
    r->WriteSolution();
    const std::string text = r.doc.Text();
    EXPECT_NE(text.find("RELACIONES ENTRE NUTRIENTES"), std::string::npos);
    EXPECT_NE(text.find("sin valor"), std::string::npos);
    EXPECT_NE(text.find(" Calcio : Fósforo: el nivel de Fósforo es 0"), std::string::npos);

    // With a maximum the first nutrient must be 0 too, which no ingredient allows: the run
    // removes the maximum (suggests 0, no maximum).
    MixRun withMax(b.ratio(8, "Otra", 10, 11, 0, 0, 3, 1).build());
    withMax.go();
    EXPECT_FALSE(withMax->Feasible);
    ASSERT_EQ(withMax->Suggestions.size(), 1u);
    EXPECT_EQ(withMax->Suggestions[0].Clase, kClaseRelacion);
    EXPECT_EQ(withMax->Suggestions[0].Tipo, kTipoMax);
    EXPECT_EQ(withMax->Suggestions[0].Sugerido, Fixed4());
    Formula applied = withMax->formula();
    applySuggestions(withMax->Suggestions, applied);
    EXPECT_FALSE(applied.ratios[1].hasMax());
    MixRun again(applied);
    again.go();
    EXPECT_TRUE(again->Feasible);
}

TEST(Ratios, FormulaFileReadsRatiosAndRefusesBadOnes) {
    const std::string head =
        R"({"name": "F", "nutrients": [{"code": 1, "name": "Ca"}, {"code": 2, "name": "P"}],
            "ingredients": [{"code": 1, "name": "A", "price": 1, "values": {"1": 4, "2": 1}}],
            "ratios": [)";
    const Formula f = parseFormulaJson(
        head + R"({"code": 3, "name": "Ca : P", "nut1": 1, "nut2": 2, "min": [2, 1],
                   "max": null}]})");
    ASSERT_EQ(f.ratios.size(), 1u);
    EXPECT_EQ(f.ratios[0].nut1, 1);
    EXPECT_EQ(f.ratios[0].minN1, fx(2));
    EXPECT_FALSE(f.ratios[0].hasMax());
    const std::pair<const char*, const char*> bad[] = {
        {R"({"code": 3, "name": "R", "nut1": 1, "nut2": 9, "min": [2, 1]})", "nut2"},
        {R"({"code": 3, "name": "R", "nut1": 1, "nut2": 2, "min": [2]})", "two numbers"},
        {R"({"code": 3, "name": "R", "nut1": 1, "nut2": 2, "min": [5, 2], "max": [2, 1]})",
         "min is above max"},
        {R"({"code": 3, "name": "R", "nut1": 1, "nut2": 2})", "missing field \"min\""},
        {R"({"code": 3, "name": "R", "nut1": 1, "nut2": 2, "min": [-1, 1]})", "negative"},
    };
    for (auto [ratio, message] : bad) {
        SCOPED_TRACE(ratio);
        try {
            parseFormulaJson(head + ratio + "]}");
            ADD_FAILURE() << "accepted";
        } catch (const FormulaFileError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace vexa
