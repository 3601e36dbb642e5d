// From the final tableau to the ration: rounding to exactly 100 %, ordering, snapping of
// nutrient levels, out-of-bounds flags and the as-fed conversion.
#include "engine/mix_math.h"
#include "formula_builder.h"

#include <gtest/gtest.h>

namespace vexa {
namespace {

using test::FormulaBuilder;
using test::fx;
using test::MixRun;

std::vector<TInsumo> shares(std::initializer_list<double> values) {
    std::vector<TInsumo> list;
    for (double v : values) {
        TInsumo it;
        it.Valor = v;
        it.Cantidad = Fixed4::fromRaw(-1);  // marks "not written"
        list.push_back(it);
    }
    return list;
}

TEST(RoundToHundred, LargestRemainderHandsOutTheMissingUnits) {
    struct Case {
        const char* what;
        std::vector<TInsumo> list;
        std::vector<int64_t> units;
    };
    const Case cases[] = {
        {"three thirds: the latest of equal remainders gets the unit",
         shares({100.0 / 3, 100.0 / 3, 100.0 / 3}),
         {333333, 333333, 333334}},
        {"the larger remainder gets the unit", shares({50.00004, 49.99996}), {500000, 500000}},
        {"a single ingredient just above 100 %", shares({100.00003}), {1000000}},
        {"a total already above 100 % stays truncated", shares({60.5, 40.5}), {605000, 405000}},
        {"no more units than items are handed out", shares({10, 10}), {100001, 100001}},
        {"all zero: nothing is written", shares({0, 0}), {-1, -1}},
        {"solver noise below the bound comes back to it",
         shares({59.999999999999, 30.0, 10.000000000001}),
         {600000, 300000, 100000}},
    };
    for (Case c : cases) {
        RoundToHundred(c.list);
        for (size_t k = 0; k < c.units.size(); ++k)
            EXPECT_EQ(c.list[k].Cantidad.raw(), c.units[k]) << c.what << " #" << k;
    }
}

TEST(OrdenPorValor, LargestFirstLaterItemFirstAmongEquals) {
    std::vector<TInsumo> list(4);
    const double amounts[] = {5, 0, 7, 5};
    for (size_t i = 0; i < 4; ++i) list[i].Cantidad = fx(amounts[i]);
    auto indices = [](const std::vector<TOrden>& o) {
        std::vector<int32_t> v;
        for (const auto& e : o) v.push_back(e.Indice);
        return v;
    };
    EXPECT_EQ(indices(OrdenPorValor(list, false)), (std::vector<int32_t>{2, 3, 0}));
    EXPECT_EQ(indices(OrdenPorValor(list, true)), (std::vector<int32_t>{2, 3, 0, 1}));
}

TEST(Extraction, BoundsAreMetWithTheValuesAsStored) {
    struct Case {
        const char* what;
        double value, min, max;
        bool feasible;
        int32_t tipo;     // of the suggestion, 0 for none
        double sugerido;  // the bound the ration reaches
    };
    // one ingredient at 100 %: the level is the value with all its 4 decimals
    const Case cases[] = {
        {"12.9999 misses a minimum of 13", 12.9999, 13, 0, false, kTipoMin, 12.9999},
        {"13.0001 passes a maximum of 13", 13.0001, 0, 13, false, kTipoMax, 13.0001},
        {"an equality missed by one unit", 12.9999, 13, 13, false, kTipoIgual, 12.9999},
        {"exactly at the minimum", 13, 13, 0, true, 0, 0},
        {"an unrestricted nutrient", 12.9999, 0, 0, true, 0, 0},
    };
    for (const Case& c : cases) {
        MixRun r(FormulaBuilder()
                     .ing(1, "A", 0, 100, 1, {{3, c.value}})
                     .nut(3, "N", "%", c.min, c.max)
                     .build());
        r.go();
        EXPECT_EQ(r->Feasible, c.feasible) << c.what;
        EXPECT_EQ(r.nut(3).Cantidad, fx(c.value)) << c.what;
        EXPECT_EQ(r.nut(3).Fuera, !c.feasible) << c.what;
        if (c.feasible) {
            EXPECT_TRUE(r->Suggestions.empty()) << c.what;
            continue;
        }
        ASSERT_EQ(r->Suggestions.size(), 1u) << c.what;
        EXPECT_EQ(r->Suggestions[0].Tipo, c.tipo) << c.what;
        EXPECT_EQ(r->Suggestions[0].Sugerido, fx(c.sugerido)) << c.what;
    }
}

TEST(Extraction, ShareOneUnitOffItsBoundIsOutOfBounds) {
    // A ration at exactly its bound, then the same tableau with the share moved by one unit.
    for (double share : {10.0, 9.9999, 40.0001, 40.0}) {
        MixRun r(FormulaBuilder().ing(1, "A", 10, 40, 0.3).ing(2, "B", 0, 100, 0.2).build());
        r.go();
        ASSERT_TRUE(r->Feasible);
        ASSERT_EQ(r.ing(1).Cantidad, Fixed4::fromInt(10));
        for (int32_t i = 1; i <= r->RowCount; ++i) {
            if (r->Basis[i] == 1) r->Tableau(r->RhsColumn, i) = share;
            if (r->Basis[i] == 2) r->Tableau(r->RhsColumn, i) = 100 - share;
        }
        r->Feasible = true;
        r->ExtractSolution();
        const bool out = share < 10 || share > 40;
        EXPECT_EQ(r.ing(1).Cantidad, fx(share));
        EXPECT_EQ(r.ing(1).Fuera, out) << share;
        EXPECT_EQ(r->Feasible, !out) << share;
    }
}

TEST(Extraction, DryMatterRationIsConvertedToAsFed) {
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 50, 50, 0.2, {}, 80)
                 .ing(2, "B", 50, 50, 0.3, {}, 50)
                 .dryMatter()
                 .build());
    r.go();
    ASSERT_TRUE(r->Feasible);
    ASSERT_EQ(r->AsFed.size(), 2u);
    EXPECT_EQ(r->AsFed[0].Cantidad, fx(38.4615));
    EXPECT_EQ(r->AsFed[1].Cantidad, fx(61.5385));
    EXPECT_FLOAT_EQ(r->AsFedTotal, 162.5);
    // the cost is that of the as-fed ration: 38.4615 × 0.2 ÷ 100 + 61.5385 × 0.3 ÷ 100
    EXPECT_EQ(r->CostPerKg, fx(0.0769) + fx(0.1846));
    // an ingredient without dry matter has no as-fed amount
    MixRun dry(FormulaBuilder()
                   .ing(1, "A", 50, 50, 0.2, {}, 80)
                   .ing(2, "B", 50, 50, 0.3, {}, 0)
                   .dryMatter()
                   .build());
    dry.go();
    EXPECT_EQ(dry->AsFed[0].Cantidad, Fixed4::fromInt(100));
    EXPECT_EQ(dry->AsFed[1].Cantidad, Fixed4());
}

TEST(Extraction, AsFedFormulaWithoutDryMatterKeepsTheShares) {
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 0, 100, 0.3, {{3, 10}})
                 .ing(2, "B", 0, 100, 0.2, {{3, 30}})
                 .nut(3, "N", "%", 0, 15)
                 .asFed()
                 .build());
    r.go();
    ASSERT_EQ(r->AsFed.size(), 2u);
    EXPECT_EQ(r->AsFed[0].Cantidad, r.ing(1).Cantidad);
    EXPECT_EQ(r->AsFed[1].Cantidad, r.ing(2).Cantidad);
    EXPECT_EQ(r->AsFed[0].Cantidad, Fixed4::fromInt(75));
    EXPECT_FLOAT_EQ(r->AsFedTotal, 100.0);
    EXPECT_EQ(r->CostPerKg, fx(0.275));
}

TEST(Extraction, OrderListHoldsTheRationLargestFirst) {
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 0, 100, 0.9)
                 .ing(2, "B", 30, 100, 0.5)
                 .ing(3, "C", 0, 100, 0.1)
                 .ing(4, "D", 0, 60, 0.05)
                 .build());
    r.go();
    // D up to its maximum, B at its minimum, C fills the rest; A is left out
    ASSERT_EQ(r->OrderCount, 3);
    EXPECT_EQ(r->Order[0].Indice, 3);
    EXPECT_EQ(r->Order[1].Indice, 1);
    EXPECT_EQ(r->Order[2].Indice, 2);
    EXPECT_EQ(r.ing(3).Cantidad, Fixed4::fromInt(10));
}

}  // namespace
}  // namespace vexa
