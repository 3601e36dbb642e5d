// The whole-database conversion between the fresh and the dry basis, as one change.
#include <gtest/gtest.h>

#include "store/basis_conversion.h"
#include "store/schema.h"
#include "tables_temp_dir.h"
#include "write_faults.h"

namespace vexa::test {

using testing_tables::TempDir;

namespace {

// Dry matter is nutrient 1 (type 2); protein 2 and energy 3 are type 0; the price 4 is type 1.
// Three ingredients with dry matter (88, 90, 50) and one without.
void seedValues(Database& db) {
    db.exec(
        "INSERT INTO Nut (Nombre, Tipo, Orden) VALUES ('MS', 2, 1), ('Proteína', 0, 2),"
        " ('Energía', 0, 3), ('Precio', 1, 4);"
        "INSERT INTO Ins (Nombre) VALUES ('Maíz'), ('Soya'), ('Melaza'), ('Sal');"
        "INSERT INTO Val VALUES (1, 1, 88), (1, 2, 17.6), (1, 3, 3300), (1, 4, 250),"
        " (2, 1, 90), (2, 2, 44), (2, 3, 2400), (3, 1, 50), (3, 2, 3), (4, 2, 0);");
}

double val(Database& db, int ins, int nut) {
    Statement st = db.prepare("SELECT Valor FROM Val WHERE Ins = :I AND Nut = :N");
    st.bind("I", ins).bind("N", nut);
    return st.step() ? st.getDouble(0) : -1;
}

}  // namespace

TEST(BasisConversion, FactorsRoundedAndOtherValuesUntouched) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    seedValues(db);
    int steps = 0;
    EXPECT_EQ(ConvertirBaseDatos(db, 1, true,
                                 [&](int done, int total) {
                                     ++steps;
                                     EXPECT_EQ(total, 3);
                                     EXPECT_EQ(done, steps);
                                 }),
              3);
    EXPECT_DOUBLE_EQ(val(db, 1, 2), 20.0006);  // 100/88 first rounded to 1.1364
    EXPECT_DOUBLE_EQ(val(db, 1, 1), 88);       // dry matter itself
    EXPECT_DOUBLE_EQ(val(db, 1, 4), 250);      // price
    EXPECT_DOUBLE_EQ(val(db, 4, 2), 0);        // no dry matter
    ConvertirBaseDatos(db, 1, false);
    EXPECT_DOUBLE_EQ(val(db, 1, 2), 17.6005);
}

// The n-th write fails, for every n the conversion makes: nothing changes and the caller
// hears of it; past the last write the conversion goes through.
TEST(BasisConversion, AFailedWriteLeavesEveryValueAsItWas) {
    TempDir dir;
    Database db = createDatabase(dir.path());
    seedValues(db);
    WriteFaults faults(db, {"Val"});
    for (int n = 1;; ++n) {
        const std::string before = dumpTables(db);
        faults.failAt(n);
        try {
            ConvertirBaseDatos(db, 1, true);
        } catch (const SqlError& e) {
            EXPECT_TRUE(faults.fired()) << n;
            EXPECT_NE(std::string(e.what()).find("fallo provocado"), std::string::npos);
            EXPECT_EQ(dumpTables(db), before) << "write " << n;
            EXPECT_FALSE(db.inTransaction());
            continue;
        }
        EXPECT_FALSE(faults.fired());
        EXPECT_EQ(n, 6);  // five values converted: every one could fail
        EXPECT_DOUBLE_EQ(val(db, 1, 2), 20.0006);
        break;
    }
}

}  // namespace vexa::test
