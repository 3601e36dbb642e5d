// A formula whose restrictions name an ingredient or a nutrient that no longer exists (a
// damaged or hand-edited workspace): the run uses the restrictions the editor shows, so a
// phantom row neither makes the formula infeasible nor enters the ration.
#include "sample_fixture.h"

#include "engine/report_document.h"
#include "store/mix_object2.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexa {
namespace {

using testing::SampleDatabase;

TEST(DanglingRestrictions, RowsOfMissingItemsAreLeftOutOfTheRun) {
    SampleDatabase s;
    const int32_t lr = s.formulaCode("Pollo crecimiento (3-6 semanas)");
    ASSERT_NE(lr, 0);
    MemoryReportDocument before;
    TMixObject2 clean(before, lr, *s.dm);
    clean.StoreResults = false;
    clean.Mix();
    ASSERT_TRUE(clean.Feasible);

    // A nutrient minimum nothing can meet and a free ingredient without content.
    s.db.exec("Insert Into RNu (LR, CNI, \"Min\", \"Max\") Values (" + std::to_string(lr) +
              ", 888, 1, 2)");
    s.db.exec("Insert Into RIn (LR, CNI, \"Min\", \"Max\") Values (" + std::to_string(lr) +
              ", 999, 0, 100)");
    MemoryReportDocument doc;
    TMixObject2 mix(doc, lr, *s.dm);
    mix.Mix();
    EXPECT_TRUE(mix.Feasible);
    EXPECT_EQ(mix.CostPerKg, clean.CostPerKg);
    for (const TInsumo& ing : mix.Ingredients) EXPECT_NE(ing.Codigo, 999);
    for (const TNutriente& nut : mix.Nutrients) EXPECT_NE(nut.Codigo, 888);
    EXPECT_EQ(doc.Text().find("Bajo en ,"), std::string::npos);
    EXPECT_TRUE(mix.resultsSaved());

    // Once the items exist (added by plain SQL after the runs above), their rows count again.
    s.db.exec("Insert Into Ins (Codigo, Nombre, Redondeo, ItId) Values (999, 'Nuevo', '0', 3)");
    s.db.exec(
        "Insert Into Nut (Codigo, Nombre, Unidad, ItId, Tipo, Orden) Values (888, 'Nuevo', "
        "'%', 0, 0, 99)");
    MemoryReportDocument after;
    TMixObject2 again(after, lr, *s.dm);
    again.StoreResults = false;
    again.Mix();
    auto has = [](const auto& items, int32_t code) {
        return std::any_of(items.begin(), items.end(),
                           [code](const auto& item) { return item.Codigo == code; });
    };
    EXPECT_TRUE(has(again.Ingredients, 999));
    EXPECT_TRUE(has(again.Nutrients, 888));
}

TEST(DanglingRestrictions, BoundsBeyondAnyQuantityCountAsNoBound) {
    SampleDatabase s;
    const int32_t lr = s.formulaCode("Pollo crecimiento (3-6 semanas)");
    ASSERT_NE(lr, 0);
    MemoryReportDocument before;
    TMixObject2 clean(before, lr, *s.dm);
    clean.StoreResults = false;
    clean.Mix();
    ASSERT_TRUE(clean.Feasible);

    // Maxima typed as "no limit" with a huge number: the same as no maximum.
    const std::string where = " Where LR = " + std::to_string(lr);
    s.db.exec("Update RIn Set \"Max\" = 1e20" + where + " And \"Max\" Is Null");
    s.db.exec("Update RNu Set \"Max\" = 1e300" + where + " And \"Max\" Is Null");
    MemoryReportDocument doc;
    TMixObject2 mix(doc, lr, *s.dm);
    mix.StoreResults = false;
    ASSERT_NO_THROW(mix.Mix());
    EXPECT_TRUE(mix.Feasible);
    EXPECT_EQ(mix.CostPerKg, clean.CostPerKg);
}

}  // namespace
}  // namespace vexa
