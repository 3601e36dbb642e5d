// Names sort as a Spanish reader expects, in SQL (COLLATE NOMBRES, on every connection of the
// store) and in memory alike.
#include "store/catalog_queries.h"
#include "store/name_order.h"
#include "store/schema.h"
#include "tables_temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vexa {
namespace {

const std::vector<std::string> kSpanishOrder = {"ácido cítrico", "Avena", "Maíz",  "maiz molido",
                                                "Nabo",          "Ñame",  "Oliva", "Óxido de zinc",
                                                "Sésamo",        "Soya",  "Trigo"};

TEST(NameOrder, SpanishOrderInMemoryAndInSql) {
    std::vector<std::string> shuffled = kSpanishOrder;
    std::reverse(shuffled.begin(), shuffled.end());
    std::stable_sort(
        shuffled.begin(), shuffled.end(),
        [](const std::string& a, const std::string& b) { return compareNames(a, b) < 0; });
    EXPECT_EQ(shuffled, kSpanishOrder);
    EXPECT_LT(compareNames("Nutria", "Ñame"), 0);
    EXPECT_LT(compareNames("Ñu", "Oca"), 0);
    EXPECT_NE(compareNames("Maíz", "maiz"), 0);  // a fixed order even for names alike

    testing_tables::TempDir dir;
    Database db = createDatabase(dir.path());
    for (auto it = kSpanishOrder.rbegin(); it != kSpanishOrder.rend(); ++it)
        db.prepare("INSERT INTO Ins (Nombre) VALUES (:N)").bind("N", *it).execute();
    // The ingredients list as the window reads it, and after a click on its name column.
    ListQuery q = catalog_queries::ingredientList();
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            ASSERT_TRUE(q.orderBy({{"NOMBRE", false}}));
        }
        Statement s = db.prepare(q.text());
        std::vector<std::string> got;
        while (s.step()) got.push_back(s.getText("Nombre"));
        EXPECT_EQ(got, kSpanishOrder) << q.text();
    }
}

}  // namespace
}  // namespace vexa
