// The simplex: its tie-breaks, the degenerate cases that feed formulas produce every day, and
// a catalogue of tiny formulas with known optima, each checked by its cost and by an
// independent check that the ration meets every restriction.
#include "formula_builder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vexa {
namespace {

using test::BuildOnly;
using test::FormulaBuilder;
using test::fx;
using test::MixRun;

TEST(Simplex, EqualReducedCostsLetTheLowerColumnEnter) {
    MemoryReportDocument doc;
    BuildOnly m(doc, FormulaBuilder().ing(1, "A", 0, 100, 3).ing(2, "B", 0, 100, 1).build());
    m.build();
    // phase 1: both ingredient columns have reduced cost -1
    EXPECT_EQ(m.ComputeReducedCosts(), 1);
    EXPECT_DOUBLE_EQ(m.ReducedCost[1], -1.0);
    EXPECT_DOUBLE_EQ(m.ReducedCost[2], -1.0);
    EXPECT_DOUBLE_EQ(m.ReducedCost[m.RhsColumn], 100.0);  // the objective
}

TEST(Simplex, EqualRatiosLetTheLowerRowLeave) {
    MemoryReportDocument doc;
    BuildOnly m(doc, FormulaBuilder().ing(1, "A", 100, 100, 1).build());
    m.build();
    // rows 1 (Σ = 100) and 2 (A = 100) tie at ratio 100
    EXPECT_EQ(m.SelectLeavingRow(1), 1);
}

TEST(Simplex, RatioTestTakesZeroRatiosAndIgnoresTinyCoefficients) {
    MemoryReportDocument doc;
    BuildOnly m(doc, FormulaBuilder()
                         .ing(1, "A", 0, 100, 1, {{3, 10}})
                         .ing(2, "B", 0, 100, 1, {{3, 20}})
                         .nut(3, "N", "%", 0, 15)
                         .build());
    m.build();
    const int32_t rhs = m.RhsColumn;
    // row 2 (N ≤ 15) has ratio 15 / 0.2 = 75 in column 2, row 1 ratio 100
    EXPECT_EQ(m.SelectLeavingRow(2), 2);
    // a basic variable at 0 with a positive coefficient leaves first (ratio 0)
    m.Tableau(rhs, 2) = 0.0;
    EXPECT_EQ(m.SelectLeavingRow(2), 2);
    m.Tableau(rhs, 2) = 1e-12;  // within the tolerance of 0
    EXPECT_EQ(m.SelectLeavingRow(2), 2);
    // a coefficient at the noise level never qualifies, nor does a negative right-hand side
    m.Tableau(2, 2) = 1e-12;
    EXPECT_EQ(m.SelectLeavingRow(2), 1);
    m.Tableau(2, 2) = 0.2;
    m.Tableau(rhs, 2) = -1.0;
    EXPECT_EQ(m.SelectLeavingRow(2), 1);
}

TEST(Simplex, IterationBoundEndsTheRunAsIfNoRowCouldLeave) {
    MemoryReportDocument doc;
    BuildOnly m(doc, FormulaBuilder()
                         .ing(1, "A", 0, 100, 1, {{3, 10}})
                         .ing(2, "B", 0, 100, 2, {{3, 30}})
                         .nut(3, "N", "%", 15, 0)
                         .build());
    m.build();
    m.Options.iterationLimit = 1;
    EXPECT_EQ(m.RunSimplex(), SimplexStatus::IterationLimit);
    EXPECT_EQ(m.PivotCount, 1);
}

// Beale's programme cycles under the most-negative-reduced-cost rule; the switch to Bland's
// rule after a run of degenerate pivots must reach the optimum (-0.05) all the same.
TEST(Simplex, BlandsRuleEndsCycling) {
    struct Case {
        int32_t degenerateRunLimit;
        SimplexStatus status;
    };
    for (const Case& c : {Case{1000000, SimplexStatus::IterationLimit},
                          Case{20, SimplexStatus::Optimal}, Case{0, SimplexStatus::Optimal}}) {
        MemoryReportDocument doc;
        BuildOnly m(doc, FormulaBuilder().ing(1, "A", 0, 100, 1).build());
        m.IngredientCount = 7;
        m.SlackCount = 0;
        m.ArtificialCount = 0;
        m.RowCount = 3;
        m.AllocateProgramme();
        const double rows[3][8] = {{1, 0, 0, 0.25, -60, -0.04, 9, 0},
                                   {0, 1, 0, 0.5, -90, -0.02, 3, 0},
                                   {0, 0, 1, 0, 0, 1, 0, 1}};
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 8; ++j) m.Tableau(j + 1, i + 1) = rows[i][j];
        const double cost[7] = {0, 0, 0, -0.75, 150, -0.02, 6};
        for (int j = 0; j < 7; ++j) m.Cost[j + 1] = cost[j];
        for (int i = 1; i <= 3; ++i) m.Basis[i] = i;
        m.Options.degenerateRunLimit = c.degenerateRunLimit;
        m.Options.iterationLimit = 500;
        EXPECT_EQ(m.RunSimplex(false), c.status) << c.degenerateRunLimit;
        if (c.status == SimplexStatus::Optimal) {
            EXPECT_NEAR(m.SavedReducedCost[m.RhsColumn], -0.05, 1e-12);
            EXPECT_LT(m.PivotCount, 100);
        }
    }
}

// The two everyday degenerate formulas: both have a ration, and it must be reported as the
// optimum with nothing to suggest.
TEST(Simplex, DegenerateEverydayFormulasAreFeasible) {
    struct Case {
        const char* what;
        Formula formula;
        std::vector<double> shares;
    };
    const Case cases[] = {
        {"a known ration evaluated with every share fixed",
         FormulaBuilder()
             .ing(1, "Maíz", 60, 60, 0.245, {{3, 8.5}})
             .ing(2, "Soya", 30, 30, 0.45, {{3, 46}})
             .ing(3, "Trigo", 10, 10, 0.2, {{3, 12}})
             .nut(3, "Proteína", "%", 18, 0)
             .build(),
         {60, 30, 10}},
        {"salt fixed at 0.5 % and sodium set at exactly the level it gives",
         FormulaBuilder()
             .ing(1, "Maíz", 0, 100, 0.245, {{3, 8.5}})
             .ing(2, "Soya", 0, 100, 0.45, {{3, 46}})
             .ing(3, "Sal", 0.5, 0.5, 0.1, {{7, 39.34}})
             .nut(3, "Proteína", "%", 20, 0)
             .nut(7, "Sodio", "%", 0.1967, 0.1967)
             .build(),
         {68.72, 30.78, 0.5}},
        {"a single ingredient fixed at 100 %",
         FormulaBuilder().ing(1, "Maíz", 100, 100, 0.245).build(),
         {100}},
        {"an equality that the cheapest ration meets by itself",
         FormulaBuilder()
             .ing(1, "A", 0, 100, 0.2, {{3, 10}})
             .ing(2, "B", 0, 100, 0.3, {{3, 10}})
             .nut(3, "N", "%", 10, 10)
             .build(),
         {100, 0}},
    };
    for (const Case& c : cases) {
        MixRun r(c.formula);
        r.go();
        EXPECT_TRUE(r->Feasible) << c.what;
        EXPECT_TRUE(r->Suggestions.empty()) << c.what;
        for (size_t k = 0; k < c.shares.size(); ++k)
            EXPECT_EQ(r->Ingredients[k].Cantidad, fx(c.shares[k])) << c.what << " #" << k;
        r->WriteSolution();
        EXPECT_NE(r.doc.Text().find("SOLUCIÓN ÓPTIMA AL MÍNIMO COSTO"), std::string::npos)
            << c.what;
    }
}

TEST(Simplex, RedundantRowsAreRemovedAndItemsKeepTheirRows) {
    // the two fixed shares already make 100 %, so one of the three equalities is redundant
    MixRun r(FormulaBuilder()
                 .ing(1, "A", 60, 60, 0.3, {{3, 10}})
                 .ing(2, "B", 40, 40, 0.2, {{3, 20}})
                 .ing(3, "C", 0, 50, 0.1, {{3, 30}})
                 .nut(3, "N", "%", 5, 15)
                 .build());
    r.go();
    EXPECT_TRUE(r->Feasible);
    EXPECT_TRUE(r->Suggestions.empty());
    EXPECT_EQ(r.ing(3).Cantidad, Fixed4());
    EXPECT_EQ(r.nut(3).Cantidad, Fixed4::fromInt(14));
    auto expectRow = [&](int32_t row, int32_t kind, int32_t code) {
        if (row == 0) return;
        ASSERT_LE(row, r->RowCount);
        EXPECT_EQ(r->RowInfo[row].kind, kind);
        EXPECT_EQ(r->RowInfo[row].code, code);
    };
    for (const auto& it : r->Ingredients) {
        expectRow(it.FilaMin, kRowIngredient, it.Codigo);
        expectRow(it.FilaMax, kRowIngredient, it.Codigo);
    }
    for (const auto& n : r->Nutrients) {
        expectRow(n.FilaMin, kRowNutrient, n.Codigo);
        expectRow(n.FilaMax, kRowNutrient, n.Codigo);
    }
    // a single ingredient fixed at 100 %: its equality repeats the 100 % row and goes
    MixRun one(
        FormulaBuilder().ing(1, "A", 100, 100, 0.3, {{3, 10}}).nut(3, "N", "%", 0, 20).build());
    one.go();
    EXPECT_TRUE(one->Feasible);
    EXPECT_EQ(one->RowCount, 2);
    EXPECT_EQ(one.ing(1).FilaMin, 0);
    EXPECT_EQ(one.nut(3).FilaMax, 2);
    EXPECT_EQ(one->RowInfo[2].kind, kRowNutrient);
    // a second run on the same object gives the same outcome
    const Fixed4 cost = r->CostPerKg;
    r->Mix();
    EXPECT_TRUE(r->Feasible);
    EXPECT_EQ(r->CostPerKg, cost);
}

// Levels with the values as stored, from unrounded shares.
double programmeLevel(const Formula& f, const TMixObject& m, int32_t nutrient) {
    double level = 0;
    for (size_t k = 0; k < f.ingredients.size(); ++k) {
        auto it = f.ingredients[k].values.find(nutrient);
        if (it != f.ingredients[k].values.end())
            level += programmeCoefficient(it->second) * m.Ingredients[k].Valor;
    }
    return level;
}

void expectRestrictionsMet(const Formula& f, const TMixObject& m, const char* what) {
    double total = 0;
    for (size_t k = 0; k < f.ingredients.size(); ++k) {
        const auto& ing = f.ingredients[k];
        const double x = m.Ingredients[k].Valor;
        total += x;
        EXPECT_GE(x, -1e-9) << what;
        if (!ing.min.isZero()) {
            EXPECT_GE(x, ing.min.toDouble() - 1e-7) << what << " min " << k;
        }
        if (ing.max < Fixed4::fromInt(100)) {
            EXPECT_LE(x, ing.max.toDouble() + 1e-7) << what << " max " << k;
        }
    }
    EXPECT_NEAR(total, 100.0, 1e-7) << what;
    for (const auto& n : f.nutrients) {
        const double level = programmeLevel(f, m, n.code);
        if (n.min > Fixed4()) {
            EXPECT_GE(level, n.min.toDouble() - 1e-7) << what << " " << n.name;
        }
        if (n.max > Fixed4()) {
            EXPECT_LE(level, n.max.toDouble() + 1e-7) << what << " " << n.name;
        }
    }
}

TEST(Simplex, CatalogueOfSmallFormulasWithKnownOptima) {
    struct Case {
        const char* what;
        Formula formula;
        double costPerKg;
    };
    const Case cases[] = {
        {"cheapest ingredient alone",
         FormulaBuilder().ing(1, "A", 0, 100, 0.3).ing(2, "B", 0, 100, 0.2).build(), 0.2},
        {"cheapest up to its maximum",
         FormulaBuilder().ing(1, "A", 0, 100, 0.3).ing(2, "B", 0, 40, 0.2).build(),
         0.4 * 0.2 + 0.6 * 0.3},
        {"a maximum of 0 keeps the cheapest out",
         FormulaBuilder().ing(1, "A", 0, 100, 0.3).ing(2, "B", 0, 0, 0.2).build(), 0.3},
        {"a minimum forces the dearer one in",
         FormulaBuilder().ing(1, "A", 25, 100, 0.3).ing(2, "B", 0, 100, 0.2).build(),
         0.25 * 0.3 + 0.75 * 0.2},
        // protein: 0.085 a + 0.46 b ≥ 22 with a + b = 100 → b = 36 (exactly)
        {"a protein minimum blends two ingredients",
         FormulaBuilder()
             .ing(1, "Maíz", 0, 100, 0.25, {{3, 8.5}})
             .ing(2, "Soya", 0, 100, 0.45, {{3, 46}})
             .nut(3, "Proteína", "%", 22, 0)
             .build(),
         0.64 * 0.25 + 0.36 * 0.45},
        // a maximum on a cheap high-fibre ingredient: 0.2 s ≤ 4 → s ≤ 20
        {"a nutrient maximum caps a cheap ingredient",
         FormulaBuilder()
             .ing(1, "Salvado", 0, 100, 0.1, {{5, 20}})
             .ing(2, "Maíz", 0, 100, 0.25, {{5, 0}})
             .nut(5, "Fibra", "%", 0, 4)
             .build(),
         0.2 * 0.1 + 0.8 * 0.25},
        {"a nutrient window with a zero-priced filler",
         FormulaBuilder()
             .ing(1, "Relleno", 0, 100, 0, {{3, 0}})
             .ing(2, "Fuente", 0, 100, 1, {{3, 50}})
             .nut(3, "N", "%", 10, 12)
             .build(),
         0.2 * 1},
    };
    for (const Case& c : cases) {
        MixRun r(c.formula);
        r.go();
        EXPECT_TRUE(r->Feasible) << c.what;
        double cost = 0;
        for (const auto& it : r->Ingredients) cost += it.Valor * it.Precio.toDouble() / 100;
        EXPECT_NEAR(cost, c.costPerKg, 1e-9) << c.what;
        EXPECT_EQ(r->CostPerKg, fx(c.costPerKg)) << c.what;
        expectRestrictionsMet(c.formula, *r.mix, c.what);
    }
}

TEST(Simplex, ZeroCostRationStopsAtTheObjectiveThreshold) {
    MixRun r(FormulaBuilder().ing(1, "Agua", 0, 100, 0).ing(2, "Maíz", 0, 100, 0.25).build());
    r.go();
    EXPECT_TRUE(r->Feasible);
    EXPECT_EQ(r->CostPerKg, Fixed4());
    EXPECT_EQ(r.ing(1).Cantidad, Fixed4::fromInt(100));
}

// Nearly free ingredients (prices of a few ten-thousandths) keep the objective within a few
// hundredths of 0: a run must go on to the cheapest ration and stop only once the objective is
// really down to its threshold.
TEST(Simplex, NearlyFreeRationsAreSolvedToTheCheapest) {
    struct Case {
        const char* what;
        Formula formula;
        double cost;  // per 100 kg
    };
    const Case cases[] = {
        // 12 % of N: 40 % of B (0.008) beats 30 % of A (0.009); C alone cannot reach it
        {"protein from the cheapest of three",
         FormulaBuilder()
             .ing(1, "A", 0, 100, 0.0003, {{3, 40}})
             .ing(2, "B", 0, 100, 0.0002, {{3, 30}})
             .ing(3, "C", 0, 100, 0.0001, {{3, 10}})
             .ing(4, "D", 0, 100, 0.0000, {{3, 0}})
             .nut(3, "N", "%", 12, 0)
             .build(),
         0.0002 * 40},
        {"two minima met by a pair",
         FormulaBuilder()
             .ing(1, "A", 0, 100, 0.0004, {{3, 40}, {4, 40}})
             .ing(2, "B", 0, 100, 0.0001, {{3, 50}, {4, 0}})
             .ing(3, "C", 0, 100, 0.0001, {{3, 0}, {4, 50}})
             .ing(4, "D", 0, 100, 0.0000)
             .nut(3, "N", "%", 10, 0)
             .nut(4, "M", "%", 10, 0)
             .build(),
         0.0001 * 20 + 0.0001 * 20},
    };
    for (const Case& c : cases) {
        MixRun r(c.formula);
        r.go();
        EXPECT_TRUE(r->Feasible) << c.what;
        double cost = 0;
        for (const auto& it : r->Ingredients) cost += it.Precio.toDouble() * it.Valor;
        EXPECT_NEAR(cost, c.cost, 1e-9) << c.what;
    }
}

}  // namespace
}  // namespace vexa
