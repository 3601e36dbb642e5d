// Sensitivity values checked against what they claim: re-solving with a changed price or
// bound must keep or change the ration, or change the cost, exactly as the values say.
#include "formula_builder.h"

#include <gtest/gtest.h>

#include <functional>

namespace vexa {
namespace {

using test::FormulaBuilder;
using test::fx;
using test::MixRun;

// A small broiler-type formula; `edit` changes it before the run.
Formula broiler(const std::function<void(Formula&)>& edit = {}) {
    Formula f = FormulaBuilder("Pollo")
                    .ing(1, "Maíz", 0, 50, 0.245, {{3, 8.5}, {4, 3350}, {5, 0.02}})
                    .ing(2, "Soya", 0, 100, 0.45, {{3, 46}, {4, 2230}, {5, 0.3}})
                    .ing(3, "Aceite", 0, 5, 1.2, {{4, 8800}})
                    .ing(4, "Carbonato", 0, 100, 0.05, {{5, 38}})
                    .ing(5, "Sorgo", 0, 100, 0.24, {{3, 9}, {4, 3200}, {5, 0.03}})
                    .ing(6, "Harina de pescado", 0, 100, 1.1, {{3, 62}, {4, 2800}, {5, 5}})
                    .nut(3, "Proteína", "%", 22, 0)
                    .nut(4, "EM", "kcal/kg", 3000, 0)
                    .nut(5, "Calcio", "%", 0.9, 1.1)
                    .build();
    if (edit) edit(f);
    return f;
}

std::vector<Fixed4> rationOf(const Formula& f) {
    MixRun r(f);
    r.go();
    std::vector<Fixed4> shares;
    for (const auto& it : r->Ingredients) shares.push_back(it.Cantidad);
    return shares;
}

double costPerTonne(const Formula& f) {
    MixRun r(f);
    r.go();
    double cost = 0;
    for (const auto& it : r->Ingredients) cost += it.Valor * it.Precio.toDouble() * 10;
    return cost;
}

TEST(Sensitivity, PriceRangesHoldTheRationAndEndWhereItChanges) {
    MixRun base(broiler());
    base.go();
    ASSERT_TRUE(base->Feasible);
    const std::vector<Fixed4> ration = rationOf(broiler());
    const Fixed4 step = fx(0.001);
    for (size_t k = 0; k < ration.size(); ++k) {
        const TInsumo& it = base->Ingredients[k];
        auto withPrice = [&](Fixed4 price) {
            return rationOf(broiler([&](Formula& f) { f.ingredients[k].price = price; }));
        };
        SCOPED_TRACE("ingredient " + std::to_string(k + 1));
        if (it.Cantidad > Fixed4()) {
            // inside the range the ration stays; past the upper end it changes
            if (it.PrecioMin < it.Precio) {
                EXPECT_EQ(withPrice(it.PrecioMin + step), ration);
                if (it.PrecioMin > step) {
                    EXPECT_NE(withPrice(it.PrecioMin - step), ration);
                }
            }
            if (it.PrecioMax < fx(99999)) {
                EXPECT_EQ(withPrice(it.PrecioMax - step), ration);
                EXPECT_NE(withPrice(it.PrecioMax + step), ration);
            } else {
                EXPECT_EQ(withPrice(it.Precio.mulInt(20)), ration);  // unlimited
            }
        } else {
            // left out: it comes in below the lower price
            EXPECT_EQ(withPrice(it.PrecioMin + step), ration);
            EXPECT_NE(withPrice(it.PrecioMin - step), ration);
        }
    }
}

TEST(Sensitivity, LowerPriceOfAnIngredientLeftOut) {
    // C (free) fills up to the nutrient maximum, B the rest; A is left out with reduced cost
    // price − B's price + 10 × A's value × the dual of the maximum.
    struct Case {
        double priceB, valueA, lower;
    };
    for (const Case& c : {Case{6.5, 0, 6.5}, Case{1, 30, 0}}) {
        MixRun r(FormulaBuilder()
                     .ing(1, "A", 0, 100, 10, {{3, c.valueA}})
                     .ing(2, "B", 0, 100, c.priceB, {{3, 0}})
                     .ing(3, "C", 0, 100, 0, {{3, 10}})
                     .nut(3, "N", "%", 0, 5)
                     .build());
        r.go();
        EXPECT_EQ(r.ing(1).Cantidad, Fixed4());
        EXPECT_EQ(r.ing(1).PrecioMin, fx(c.lower)) << c.priceB;
        EXPECT_EQ(r.ing(1).PrecioMax, Fixed4());
        EXPECT_EQ(r.ing(1).Sensib, Fixed4());
    }
}

TEST(Sensitivity, RowValuesAreTheCostOfTighteningABound) {
    MixRun base(broiler());
    base.go();
    const double cost = costPerTonne(broiler());
    // a nutrient: Sensib × 1000 per tonne per unit of its binding bound
    for (size_t p = 0; p < 3; ++p) {
        const TNutriente& n = base->Nutrients[p];
        if (!(n.Sensib > Fixed4())) continue;
        const double delta = 0.01;
        const double moved = costPerTonne(
            broiler([&](Formula& f) { f.nutrients[p].min = f.nutrients[p].min + fx(delta); }));
        EXPECT_NEAR((moved - cost) / delta, n.Sensib.toDouble() * 1000, 0.06) << "nutrient " << p;
    }
    // maize at its maximum: Sensib per tonne per 0.1 %
    const TInsumo& maize = base->Ingredients[0];
    ASSERT_EQ(maize.Cantidad, Fixed4::fromInt(50));
    ASSERT_GT(maize.Sensib, Fixed4());
    const double moved = costPerTonne(broiler([](Formula& f) { f.ingredients[0].max = fx(50.1); }));
    EXPECT_NEAR(cost - moved, maize.Sensib.toDouble(), 0.0006);
    // an ingredient whose bounds are all slack has none
    for (const auto& it : base->Ingredients)
        if (it.Cantidad > Fixed4() && it.Cantidad < it.Max && it.Cantidad > it.Min) {
            EXPECT_EQ(it.Sensib, Fixed4()) << it.Codigo;
        }
}

}  // namespace
}  // namespace vexa
