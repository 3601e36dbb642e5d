#include "tdm_fixture.h"
#include "write_faults.h"

#include <functional>

#include <sqlite3.h>

namespace vexa {
namespace {

using testing_tables::TdmTest;

// Two groups with ingredients, nutrients, formulas with restrictions and a manual mix each, so
// that every cascade and copy has rows of its own and rows it must leave alone.
class TdmDataTest : public TdmTest {
protected:
    void SetUp() override {
        for (int i = 0; i < 4; ++i) nut[i] = nutrient("N" + std::to_string(i), 0, i + 1);
        for (int i = 0; i < 3; ++i) ins[i] = ingredient("I" + std::to_string(i));
        for (int i : {0, 1, 2})
            for (int n : {0, 1, 2, 3}) value(ins[i], nut[n], 10 * i + n + 0.123456);
        // Ratio 1 is N0 : N1, enabled in both groups and restricted in every formula.
        rel = insert("INSERT INTO Rel (Nombre, Nut1, Nut2) VALUES ('R', " + s(nut[0]) + ", " +
                     s(nut[1]) + ")");
        for (int g : {0, 1}) {
            cat[g] = insert("INSERT INTO Cat (Nombre, MS, Precio, Cons, EnMS) VALUES ('G" +
                            std::to_string(g) + "', 2, 1, 1000, 1)");
            const std::string c = std::to_string(cat[g]);
            for (int i : {0, 1, 2}) db.exec("INSERT INTO EI VALUES (" + c + ", " + s(ins[i]) + ")");
            for (int n : {0, 1, 2}) db.exec("INSERT INTO EN VALUES (" + c + ", " + s(nut[n]) + ")");
            db.exec("INSERT INTO ER VALUES (" + c + ", " + s(rel) + ")");
            for (int f : {0, 1}) {
                const int32_t lr = insert(
                    "INSERT INTO LR (Nombre, Cat, MS, Precio, Cons, TCO, DefMS, Ultima, Valor) "
                    "VALUES ('F" +
                    std::to_string(f) + "', " + c +
                    ", 2, 1, 500, 1, 1, '2024-03-01 10:20:30', 1234567.1234)");
                forms[g][f] = lr;
                const std::string l = s(lr);
                db.exec("INSERT INTO RIn (LR, CNI, Min, Max, Resul) VALUES (" + l + ", " +
                        s(ins[0]) + ", 1.234567, NULL, NULL)");
                db.exec("INSERT INTO RIn (LR, CNI, Min, Max, Resul) VALUES (" + l + ", " +
                        s(ins[1]) + ", NULL, 30, 12.5)");
                db.exec("INSERT INTO RNu (LR, CNI, Min, Max, Resul) VALUES (" + l + ", " +
                        s(nut[0]) + ", 2, 0, NULL)");
                db.exec("INSERT INTO RNu (LR, CNI, Min, Max, Resul) VALUES (" + l + ", " +
                        s(nut[1]) + ", NULL, 4.5, 3)");
                db.exec("INSERT INTO RRN (LR, Codigo, MinN1) VALUES (" + l + ", " + s(rel) +
                        ", 1)");
                db.exec("INSERT INTO RCI (LR, Ins, TCO) VALUES (" + l + ", " + s(ins[0]) + ", 1)");
            }
            mix[g] = insert("INSERT INTO MM (Nombre, Cat, EnMS, MS) VALUES ('M', " + c + ", 1, 2)");
            db.exec("INSERT INTO MMI (CMM, CIns, Valor, Red, DefRed, Perc, MS) VALUES (" +
                    s(mix[g]) + ", " + s(ins[0]) + ", 5.55555, 2, 1, 40, 35)");
            db.exec("INSERT INTO MMI (CMM, CIns) VALUES (" + s(mix[g]) + ", " + s(ins[1]) + ")");
        }
        db.exec("INSERT INTO DETDIE VALUES (1, " + s(ins[0]) + ", 3)");
        modifications = 0;
    }
    static std::string s(int32_t v) { return std::to_string(v); }
    int64_t where(const std::string& table, const std::string& cond) {
        return count("SELECT count(*) FROM " + table + " WHERE " + cond);
    }
    // Every table's count changed by exactly the given amounts.
    void expectCounts(const std::map<std::string, int64_t>& before,
                      const std::map<std::string, int64_t>& delta) {
        for (const auto& [table, n] : allCounts()) {
            const auto d = delta.find(table);
            EXPECT_EQ(n, before.at(table) + (d == delta.end() ? 0 : d->second)) << table;
        }
    }

    int32_t nut[4]{}, ins[3]{}, cat[2]{}, forms[2][2]{}, mix[2]{}, rel = 0;
};

TEST_F(TdmDataTest, CascadesRemoveExactlyTheDependentRows) {
    struct Case {
        const char* what;
        std::function<void()> run;
        std::map<std::string, int64_t> delta;
        std::string gone;  // table and condition that no row may meet afterwards
    };
    const std::vector<Case> cases{
        {"BorrarInsumo",
         [this] { dm.BorrarInsumo(ins[0]); },
         {{"Val", -4}, {"EI", -2}, {"RIn", -4}, {"MMI", -2}},
         "Val WHERE Ins = 1"},
        {"BorrarNutriente",
         [this] { dm.BorrarNutriente(nut[1]); },
         // the ratio of the nutrient goes with its restrictions and enablings
         {{"Val", -3}, {"EN", -2}, {"RNu", -4}, {"Rel", -1}, {"RRN", -4}, {"ER", -2}},
         "RNu WHERE CNI = 2"},
        {"BorrarRelacion",
         [this] { dm.BorrarRelacion(rel); },
         {{"RRN", -4}, {"ER", -2}},
         "RRN WHERE Codigo = 1"},
        {"BorrarRestricciones",
         [this] { dm.BorrarRestricciones(forms[0][1]); },
         {{"RIn", -2}, {"RNu", -2}, {"RRN", -1}},
         "RIn WHERE LR = 2"},
        {"BorrarMezcla", [this] { dm.BorrarMezcla(mix[1]); }, {{"MMI", -2}}, "MMI WHERE CMM = 2"},
        // Two formulas and one mix: the group's EI/EN/ER, both formulas with their RIn/RNu/RRN
        // and the mix with its MMI; the Cat row and RCI stay for the caller.
        {"BorrarGrupo",
         [this] { dm.BorrarGrupo(cat[0]); },
         {{"EI", -3},
          {"EN", -3},
          {"ER", -1},
          {"LR", -2},
          {"RIn", -4},
          {"RNu", -4},
          {"RRN", -2},
          {"MM", -1},
          {"MMI", -2}},
         "LR WHERE Cat = 1"},
        {"BorrarGrupo inexistente", [this] { dm.BorrarGrupo(99); }, {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Transaction undo(db);  // each case on the same data
        const auto before = allCounts();
        modifications = 0;
        c.run();
        expectCounts(before, c.delta);
        if (!c.gone.empty()) {
            EXPECT_EQ(count("SELECT count(*) FROM " + c.gone), 0);
        }
        EXPECT_EQ(modifications > 0, !c.delta.empty());
    }
    // The other group is whole.
    dm.BorrarGrupo(cat[0]);
    EXPECT_EQ(where("LR", "Cat = " + s(cat[1])), 2);
    EXPECT_EQ(where("RIn", "LR = " + s(forms[1][0])), 2);
    EXPECT_EQ(where("MMI", "CMM = " + s(mix[1])), 2);
}

TEST_F(TdmDataTest, CopiarInsumoCopiesEveryValueRoundedToFourDecimals) {
    // Forty values, as a real ingredient has.
    const int32_t big = ingredient("Harina de soja 44%");
    for (int n = 0; n < 40; ++n) {
        std::string name = "X";
        name += std::to_string(n);
        const int32_t code = n < 4 ? nut[n] : nutrient(name, 0, n + 1);
        value(big, code, n + 0.123456789);
    }
    const auto before = allCounts();
    const int32_t copy = dm.CopiarInsumo(big);
    EXPECT_GT(copy, big);
    expectCounts(before, {{"Ins", 1}, {"Val", 40}});
    EXPECT_EQ(dm.NombreDe(kNameIngredient, copy), "Harina de soja 44%");
    EXPECT_EQ(dm.RedondeoInsumo(copy), 1);
    EXPECT_EQ(dm.TipoInsumo(copy), 3);
    EXPECT_EQ(count("SELECT count(*) FROM Val A JOIN Val B ON A.Nut = B.Nut WHERE A.Ins = " +
                    s(big) + " AND B.Ins = " + s(copy) +
                    " AND abs(B.Valor - round(A.Valor, 4)) < 1e-9 AND B.Valor <> A.Valor"),
              40);
    EXPECT_GT(modifications, 0);
    EXPECT_EQ(dm.CopiarInsumo(999), 0);
}

TEST_F(TdmDataTest, CopiarNutrienteGoesLastInOrder) {
    const auto before = allCounts();
    const int32_t copy = dm.CopiarNutriente(nut[2]);
    expectCounts(before, {{"Nut", 1}, {"Val", 3}});
    EXPECT_EQ(dm.NombreDe(kNameNutrient, copy), "N2");
    EXPECT_EQ(count("SELECT Orden FROM Nut WHERE Codigo = " + s(copy)), 5);
    EXPECT_EQ(where("Val", "Nut = " + s(copy) + " AND Valor = 22.1235"), 1);
}

TEST_F(TdmDataTest, CopiarFormulaKeepsOrMovesTheGroupAndCarriesTheRestrictions) {
    const auto before = allCounts();
    const int32_t same = dm.CopiarFormula(forms[0][0], -1);
    const int32_t moved = dm.CopiarFormula(forms[0][0], cat[1]);
    expectCounts(before, {{"LR", 2}, {"RIn", 4}, {"RNu", 4}, {"RRN", 2}});  // no RCI
    EXPECT_EQ(where("RRN", "LR = " + s(moved) + " AND Codigo = " + s(rel) + " AND MinN1 = 1"), 1);
    Statement f = db.prepare("SELECT * FROM LR WHERE Codigo = :c");
    f.bind("c", same);
    ASSERT_TRUE(f.step());
    EXPECT_EQ(f.getInt("Cat"), cat[0]);
    EXPECT_EQ(f.getText("Nombre"), "F0");
    EXPECT_EQ(f.getFixed4("Valor").toString(), "1234567.1234");  // not cut to single precision
    EXPECT_EQ(f.getText("Ultima"), "2024-03-01 10:20:30");
    EXPECT_EQ(f.getInt("TCO"), 1);
    EXPECT_TRUE(f.isNull("Cons"));
    EXPECT_TRUE(f.isNull("DefMS"));
    EXPECT_EQ(dm.NombreDe(kNameFormula, moved), "F0");
    EXPECT_EQ(count("SELECT Cat FROM LR WHERE Codigo = " + s(moved)), cat[1]);

    // RIn: empty bounds stay empty, an empty result becomes 0, values to 4 decimals.
    Statement ri = db.prepare("SELECT * FROM RIn WHERE LR = :c ORDER BY CNI");
    ri.bind("c", same);
    ASSERT_TRUE(ri.step());
    EXPECT_EQ(ri.getFixed4("Min").toString(), "1.2346");
    EXPECT_TRUE(ri.isNull("Max"));
    EXPECT_EQ(ri.getFixed4("Resul", Fixed4::fromInt(-1)), Fixed4());
    ASSERT_TRUE(ri.step());
    EXPECT_TRUE(ri.isNull("Min"));
    EXPECT_EQ(ri.getFixed4("Resul").toString(), "12.5000");
    // RNu: a zero maximum becomes empty, an empty minimum 0.
    Statement rn = db.prepare("SELECT * FROM RNu WHERE LR = :c ORDER BY CNI");
    rn.bind("c", same);
    ASSERT_TRUE(rn.step());
    EXPECT_TRUE(rn.isNull("Max"));
    EXPECT_EQ(rn.getFixed4("Min"), Fixed4::fromInt(2));
    ASSERT_TRUE(rn.step());
    EXPECT_FALSE(rn.isNull("Min"));
    EXPECT_EQ(rn.getFixed4("Max").toString(), "4.5000");
    EXPECT_EQ(dm.CopiarFormula(999, -1), 0);
}

TEST_F(TdmDataTest, CopiarMezclaAndCopiarGrupo) {
    auto before = allCounts();
    const int32_t m = dm.CopiarMezcla(mix[0], cat[1]);
    expectCounts(before, {{"MM", 1}, {"MMI", 2}});
    Statement mm = db.prepare("SELECT * FROM MM WHERE Codigo = :m");
    mm.bind("m", m);
    ASSERT_TRUE(mm.step());
    EXPECT_EQ(mm.getInt("Cat"), cat[1]);
    EXPECT_EQ(mm.getInt("EnMS"), 1);  // the copy keeps the basis of its quantities
    Statement items = db.prepare("SELECT * FROM MMI WHERE CMM = :m ORDER BY CIns");
    items.bind("m", m);
    ASSERT_TRUE(items.step());
    EXPECT_EQ(items.getFixed4("Valor").toString(), "5.5556");
    EXPECT_EQ(items.getInt("Red"), 2);
    EXPECT_TRUE(items.getBool("DefRed"));
    EXPECT_EQ(items.getFixed4("Perc", Fixed4::fromInt(1)), Fixed4());
    ASSERT_TRUE(items.step());
    EXPECT_EQ(items.getDouble("Valor", -1), 0.0);  // empty quantity: 0
    EXPECT_FALSE(items.getBool("DefRed", true));
    EXPECT_EQ(count("SELECT Cat FROM MM WHERE Codigo = " + s(dm.CopiarMezcla(mix[0], -1))), cat[0]);

    before = allCounts();
    const int32_t g = dm.CopiarGrupo(cat[0]);
    expectCounts(before, {{"Cat", 1},
                          {"EI", 3},
                          {"EN", 3},
                          {"LR", 2},
                          {"RIn", 4},
                          {"RNu", 4},
                          {"RRN", 2},
                          {"ER", 1},
                          {"MM", 2},
                          {"MMI", 4}});
    EXPECT_EQ(where("ER", "Cat = " + s(g) + " AND Cod = " + s(rel)), 1);
    EXPECT_EQ(dm.NombreDe(kNameGroup, g), "G0");
    EXPECT_EQ(count("SELECT Cons FROM Cat WHERE Codigo = " + s(g)), 1000);
    EXPECT_EQ(where("LR", "Cat = " + s(g)), 2);
    EXPECT_EQ(where("MM", "Cat = " + s(g)), 2);
    EXPECT_EQ(dm.CopiarGrupo(999), 0);
}

TEST_F(TdmDataTest, ReplacingRestrictionsAndFailedParentInserts) {
    const int32_t empty = insert("INSERT INTO LR (Nombre, Cat) VALUES ('Vacía', 1)");
    dm.ReemplazarRestrIns(forms[0][0], empty);
    dm.ReemplazarRestrIns(forms[0][0], empty);
    EXPECT_EQ(where("RIn", "LR = " + s(empty)), 2);
    dm.ReemplazarRestrNut(empty, forms[0][1]);  // the source has none: the target ends empty
    EXPECT_EQ(where("RNu", "LR = " + s(forms[0][1])), 0);
    // A formula replaced by itself keeps its restrictions.
    dm.ReemplazarRestrIns(forms[1][0], forms[1][0]);
    dm.ReemplazarRestrNut(forms[1][0], forms[1][0]);
    EXPECT_EQ(where("RIn", "LR = " + s(forms[1][0])), 2);
    EXPECT_EQ(where("RNu", "LR = " + s(forms[1][0])), 2);

    // When the store refuses the new formula, its restrictions are not hung on another one.
    // (Connections run without triggers; this one allows them to stand for such a store.)
    ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
              SQLITE_OK);
    db.exec("CREATE TRIGGER no_lr BEFORE INSERT ON LR BEGIN SELECT RAISE(ABORT, 'no'); END");
    const auto before = allCounts();
    EXPECT_EQ(dm.CopiarFormula(forms[0][0], -1), 0);
    // A group whose formulas cannot be copied is not copied at all.
    EXPECT_THROW(dm.CopiarGrupo(cat[0]), SqlError);
    expectCounts(before, {});
}

// The n-th row a copy writes is refused, for n = 1, 2, ...: the copy is undone whole and says
// so, or (its first row refused) copies nothing; never a copy with rows missing.
TEST_F(TdmDataTest, ARefusedRowUndoesTheWholeCopy) {
    ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
              SQLITE_OK);
    test::WriteFaults faults(
        db, {"Ins", "Nut", "Val", "Cat", "EI", "EN", "LR", "RIn", "RNu", "MM", "MMI"});
    const std::vector<std::pair<std::string, std::function<int32_t()>>> copies = {
        {"CopiarInsumo", [&] { return dm.CopiarInsumo(ins[0]); }},
        {"CopiarNutriente", [&] { return dm.CopiarNutriente(nut[0]); }},
        {"CopiarFormula", [&] { return dm.CopiarFormula(forms[0][0], cat[1]); }},
        {"CopiarMezcla", [&] { return dm.CopiarMezcla(mix[0], cat[1]); }},
        {"CopiarGrupo", [&] { return dm.CopiarGrupo(cat[0]); }},
    };
    for (const auto& [name, copy] : copies) {
        int failures = 0;
        for (int n = 1;; ++n) {
            const std::string before = test::dumpTables(db);
            faults.failAt(n);
            int32_t code = -1;
            bool threw = false;
            try {
                code = copy();
            } catch (const SqlError& e) {
                threw = true;
                EXPECT_NE(std::string(e.what()).find("fallo provocado"), std::string::npos);
            }
            if (!faults.fired()) break;
            ++failures;
            SCOPED_TRACE(name + ", write " + std::to_string(n));
            EXPECT_EQ(test::dumpTables(db), before);
            EXPECT_TRUE(threw || code == 0);
        }
        EXPECT_GT(failures, 1) << name;
        faults.failAt(0);
    }
}

TEST_F(TdmDataTest, CodesAreNotReusedByCopiesAfterADelete) {
    const int32_t first = dm.CopiarInsumo(ins[0]);
    db.exec("DELETE FROM Ins WHERE Codigo = " + s(first));
    const int32_t second = dm.CopiarInsumo(ins[0]);
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(dm.MaxCodigo("INS", "CODIGO"), second);
}

}  // namespace
}  // namespace vexa
