// Programme construction: sizing, numbering, descriptors and coefficients, checked on the
// programme as built, before any pivot.
#include "formula_builder.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <type_traits>

namespace vexa {
namespace {

using test::BuildOnly;
using test::FormulaBuilder;

struct Size {
    int32_t ingredients, slacks, artificials, rows;
};

TEST(Programme, SizingMatchesWhatIsBuilt) {
    struct Case {
        const char* what;
        Formula formula;
        Size size;
    };
    const Case cases[] = {
        {"min 0 max 100: a column, no row",
         FormulaBuilder().ing(1, "A", 0, 100, 1).build(),
         {1, 0, 1, 1}},
        {"min 0 max 0: a ≤ row at 0 keeps the ingredient out",
         FormulaBuilder().ing(1, "A", 0, 0, 1).ing(2, "B", 0, 100, 1).build(),
         {2, 1, 1, 2}},
        {"min 10 max 100: one ≥ row",
         FormulaBuilder().ing(1, "A", 10, 100, 1).build(),
         {1, 1, 2, 2}},
        {"min 10 max 50: ≥ and ≤ rows",
         FormulaBuilder().ing(1, "A", 10, 50, 1).ing(2, "B", 0, 100, 1).build(),
         {2, 2, 2, 3}},
        {"max 40 only: one ≤ row",
         FormulaBuilder().ing(1, "A", 0, 40, 1).ing(2, "B", 0, 100, 1).build(),
         {2, 1, 1, 2}},
        {"nutrient 2.5 = 2.5: one equality row",
         FormulaBuilder().ing(1, "A", 0, 100, 1).nut(3, "N", "%", 2.5, 2.5).build(),
         {1, 0, 2, 2}},
        {"nutrient max 3 only: one ≤ row",
         FormulaBuilder().ing(1, "A", 0, 100, 1).nut(3, "N", "%", 0, 3).build(),
         {1, 1, 1, 2}},
        {"nutrient without bounds: no row",
         FormulaBuilder().ing(1, "A", 0, 100, 1).nut(3, "N", "%", 0, 0).build(),
         {1, 0, 1, 1}},
        {"fixed, min-only and free ingredients; min/max and max-only nutrients",
         FormulaBuilder()
             .ing(1, "Fijo", 20, 20, 1)
             .ing(2, "Minimo", 10, 100, 1)
             .ing(3, "Libre", 0, 100, 1)
             .nut(3, "N1", "%", 1, 2)
             .nut(4, "N2", "%", 0, 5)
             .build(),
         {3, 4, 4, 6}},
    };
    for (const Case& c : cases) {
        MemoryReportDocument doc;
        BuildOnly m(doc, c.formula);
        m.build();
        EXPECT_EQ(m.IngredientCount, c.size.ingredients) << c.what;
        EXPECT_EQ(m.SlackCount, c.size.slacks) << c.what;
        EXPECT_EQ(m.ArtificialCount, c.size.artificials) << c.what;
        EXPECT_EQ(m.RowCount, c.size.rows) << c.what;
        // the construction used exactly what was counted
        EXPECT_EQ(m.built.row, c.size.rows + 1) << c.what;
        EXPECT_EQ(m.built.slackColumn, c.size.ingredients + c.size.slacks + 1) << c.what;
        EXPECT_EQ(m.built.artificialColumn, m.ColumnCount + 1) << c.what;
    }
}

TEST(Programme, RowsColumnsAndDescriptors) {
    MemoryReportDocument doc;
    BuildOnly m(doc, FormulaBuilder()
                         .ing(1, "Fijo", 20, 20, 0.5, {{3, 10}})
                         .ing(2, "Minimo", 10, 100, 0.25, {{3, 0.275}})
                         .ing(3, "Libre", 0, 100, 0.1, {{3, 0.285}, {4, 3350}})
                         .nut(3, "N1", "%", 1, 2)
                         .nut(4, "N2", "kcal", 0, 5)
                         .build());
    m.build();
    // columns: ingredients 1-3, slacks 4-7, artificials 8-11, right-hand side 12
    ASSERT_EQ(m.RhsColumn, 12);
    const auto& T = m.Tableau;
    // row 1: the 100 % row, artificial 8
    EXPECT_EQ(m.RowInfo[1].kind, kRowTotal);
    EXPECT_EQ(m.Basis[1], 8);
    EXPECT_EQ(T(12, 1), 100.0);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(T(k, 1), 1.0);
    EXPECT_EQ(m.ColumnInfo[8].kind, kRowTotal);
    EXPECT_EQ(m.ColumnInfo[8].type, 0);
    // row 2: the fixed ingredient's equality, artificial 9
    EXPECT_EQ(m.RowInfo[2].kind, kRowIngredient);
    EXPECT_EQ(m.RowInfo[2].code, 1);
    EXPECT_EQ(m.Basis[2], 9);
    EXPECT_EQ(T(12, 2), 20.0);
    EXPECT_EQ(m.ColumnInfo[9].type, kTipoIgual);
    EXPECT_EQ(m.Ingredients[0].FilaMin, 2);
    EXPECT_TRUE(m.Ingredients[0].ConMin);
    // row 3: the minimum of ingredient 2 with surplus 4 and artificial 10
    EXPECT_EQ(T(2, 3), 1.0);
    EXPECT_EQ(T(4, 3), -1.0);
    EXPECT_EQ(T(10, 3), 1.0);
    EXPECT_EQ(m.RowSlack[3], 4);
    EXPECT_EQ(m.ColumnInfo[10].type, kTipoMin);
    EXPECT_EQ(m.ColumnInfo[10].position, 1);
    EXPECT_EQ(m.Ingredients[1].ColExceso, 4);
    // rows 4, 5: N1 ≥ 1 (surplus 5, artificial 11) and ≤ 2 (slack 6 basic)
    EXPECT_EQ(m.RowInfo[4].kind, kRowNutrient);
    EXPECT_EQ(m.Basis[4], 11);
    EXPECT_EQ(m.ColumnInfo[11].kind, kRowNutrient);
    EXPECT_EQ(m.ColumnInfo[11].row, 4);
    EXPECT_EQ(m.Basis[5], 6);
    EXPECT_EQ(m.Nutrients[0].FilaMin, 4);
    EXPECT_EQ(m.Nutrients[0].FilaMax, 5);
    // coefficients are the values ÷ 100 as stored, not rounded
    EXPECT_DOUBLE_EQ(T(1, 4), 0.1);
    EXPECT_DOUBLE_EQ(T(2, 4), 0.00275);  // 0.275
    EXPECT_DOUBLE_EQ(T(3, 4), 0.00285);  // 0.285
    // row 6: N2 ≤ 5 with slack 7 in the basis
    EXPECT_EQ(m.Basis[6], 7);
    EXPECT_DOUBLE_EQ(T(3, 6), 33.5);
    EXPECT_EQ(T(12, 6), 5.0);
    // phase-1 costs: 1 on the artificials only
    for (int j = 1; j <= 11; ++j) EXPECT_EQ(m.Cost[j], j >= 8 ? 1.0 : 0.0) << j;
    EXPECT_EQ(m.IngredientPrice[1], Fixed4::fromDouble(0.5));
    EXPECT_EQ(m.IngredientCode[3], 3);
}

// Callers that catch std::exception (the desktop program's commands) still see the refusals.
static_assert(std::is_base_of_v<std::runtime_error, EngineError>);

TEST(Validation, EmptyFormulaAndShortMaximaAreRefused) {
    MemoryReportDocument doc;
    MemoryMixObject empty(doc, FormulaBuilder().nut(3, "N", "%", 1, 0).build());
    try {
        empty.Mix();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(), "Error: Se intentó mezclar una fórmula sin insumos");
    }
    EXPECT_EQ(doc.LineCount(), 0);

    MemoryMixObject shortMax(
        doc, FormulaBuilder().ing(1, "A", 0, 60, 1).ing(2, "B", 0, 39.9999, 1).build());
    try {
        shortMax.Mix();
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_STREQ(e.what(),
                     "Error: La suma de máximos es menor al 100% en la lista de insumos.");
    }

    MemoryMixObject exact(doc,
                          FormulaBuilder().ing(1, "A", 0, 60, 1).ing(2, "B", 0, 40, 2).build());
    EXPECT_NO_THROW(exact.Mix());
    EXPECT_TRUE(exact.Feasible);
    EXPECT_EQ(exact.Ingredients[0].Cantidad, Fixed4::fromInt(60));
}

}  // namespace
}  // namespace vexa
