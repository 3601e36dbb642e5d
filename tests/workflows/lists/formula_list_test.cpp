// The formulas window without widgets: new formulas, opening, copies, deletes, counts.
#include "catalog/requests.h"
#include "lists_fixture.h"
#include "store/catalog_queries.h"
#include "workflows/formula_list.h"

namespace vexa::test {

using FormulaLists = ListsFixture;

namespace {

std::vector<std::string> names(const FormulaList& l) {
    std::vector<std::string> out;
    for (int r = 0; r < l.rowCount(); ++r) out.push_back(toText(l.value(r, "Nombre")));
    return out;
}

}  // namespace

TEST_F(FormulaLists, ShowsTheFirstGroupWithItsCountsEmptyWhenNone) {
    seed();
    FormulaList l(db, *dm, sink);
    l.reloadGroups();
    ASSERT_TRUE(l.selectGroup(-1));
    EXPECT_EQ(l.group(), 1);
    EXPECT_EQ(names(l), (std::vector<std::string>{"Final", "Inicio"}));
    EXPECT_EQ(l.ingredientCount(0), "");
    EXPECT_EQ(l.nutrientCount(0), "");
    EXPECT_EQ(l.ingredientCount(1), "2");
    EXPECT_EQ(l.nutrientCount(1), "3");
    EXPECT_FALSE(l.selectGroup(99));  // no such group: the list stays
    EXPECT_EQ(l.group(), 1);
    ASSERT_TRUE(l.selectGroup(2));
    EXPECT_EQ(names(l), (std::vector<std::string>{"Engorde"}));
}

TEST_F(FormulaLists, NewFormulaIsStoredAndOpenedOnlyWhenAccepted) {
    seed();
    struct Case {
        std::optional<std::string> answer;  // nothing: "&Cancelar"
        int formulas;                       // in LR afterwards
    };
    const Case cases[] = {{std::nullopt, 3}, {std::string("Postura"), 4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.value_or("cancelar"));
        sink.posted.clear();
        FormulaList l(db, *dm, sink);
        std::string preset;
        l.newFormulaDialog = [&](const std::string& p) {
            preset = p;
            return c.answer;
        };
        l.reloadGroups();
        l.selectGroup(1);
        modified = false;
        EXPECT_TRUE(l.insert());
        EXPECT_EQ(preset, "Nueva fórmula");
        EXPECT_EQ(count("SELECT COUNT(*) FROM LR"), c.formulas);
        EXPECT_FALSE(l.pendingNewFormula());
        EXPECT_FALSE(l.editing());
        if (!c.answer) {
            EXPECT_TRUE(sink.posted.empty());
            EXPECT_EQ(l.rowCount(), 2);
            EXPECT_FALSE(modified);
            continue;
        }
        int code = count("SELECT MAX(Codigo) FROM LR");
        // The new formula takes the group and the workspace's price and dry-matter items.
        EXPECT_EQ(count("SELECT COUNT(*) FROM LR WHERE Codigo = " + std::to_string(code) +
                        " AND Nombre = 'Postura' AND Cat = 1 AND Precio = 1 AND MS = 3 AND "
                        "Ultima IS NULL AND Valor IS NULL"),
                  1);
        ASSERT_EQ(sink.posted.size(), 1u);
        EXPECT_EQ(sink.posted[0], (RecordingSink::Request{kAppOpenFormula, packLowHigh(code, 1)}));
        EXPECT_EQ(l.text("Nombre"), "Postura");  // the list stands on it
        EXPECT_EQ(l.ingredientCount(l.current()), "");
        EXPECT_EQ(l.nutrientCount(l.current()), "");
        EXPECT_TRUE(modified);
    }
}

TEST_F(FormulaLists, OpeningPostsTheFormulaAndGroupAndNeverLeavesAnEdit) {
    seed();
    db.exec("UPDATE LR SET Cat = 2 WHERE Codigo = 2");  // "Final" joins Cerdos
    FormulaList l(db, *dm, sink);
    l.reloadGroups();
    l.selectGroup(2);
    ASSERT_TRUE(l.locate("Nombre", std::string("Final")));
    // "E&ditar", a double click, and a record put into edit state: the same request.
    l.openCurrent();
    l.doubleClick();
    EXPECT_FALSE(l.edit());
    EXPECT_FALSE(l.editing());
    const RecordingSink::Request open{kAppOpenFormula, packLowHigh(2, 2)};
    EXPECT_EQ(sink.posted, (std::vector<RecordingSink::Request>{open, open, open}));
    EXPECT_EQ(lowHalf(open.arg), 2);
    EXPECT_EQ(highHalf(open.arg), 2);
    // A code that does not fit in its half is refused rather than opening another formula.
    db.exec("INSERT INTO LR (Codigo, Nombre, Cat) VALUES (65537, 'Lejana', 2)");
    l.ActualizarInfo();
    ASSERT_TRUE(l.locate("Nombre", std::string("Lejana")));
    EXPECT_THROW(l.openCurrent(), std::runtime_error);
    EXPECT_EQ(sink.posted.size(), 3u);
}

TEST_F(FormulaLists, CopyKeepsNameAndCountsAndOpensTheCopy) {
    seed();
    FormulaList l(db, *dm, sink);
    l.reloadGroups();
    l.selectGroup(1);
    ASSERT_TRUE(l.locate("Nombre", std::string("Inicio")));
    l.copy();
    int copy = count("SELECT MAX(Codigo) FROM LR");
    EXPECT_EQ(names(l), (std::vector<std::string>{"Final", "Inicio", "Inicio"}));
    EXPECT_EQ(l.integer("Codigo"), copy);
    EXPECT_EQ(l.ingredientCount(l.current()), "2");
    EXPECT_EQ(l.nutrientCount(l.current()), "3");
    EXPECT_EQ(count("SELECT COUNT(*) FROM LR WHERE Codigo = " + std::to_string(copy) +
                    " AND Cat = 1 AND Valor = 245.5 AND Ultima = '2026-11-02 10:30:00'"),
              1);
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0], (RecordingSink::Request{kAppOpenFormula, packLowHigh(copy, 1)}));
    EXPECT_TRUE(modified);
}

TEST_F(FormulaLists, ARefusedCopyLeavesEverythingAndSaysSo) {
    seed();
    enableTriggers();
    WriteFaults faults(db, {"LR", "RIn", "RNu"});
    FormulaList l(db, *dm, sink);
    l.reloadGroups();
    l.selectGroup(1);
    ASSERT_TRUE(l.locate("Nombre", std::string("Inicio")));
    for (int n : {1, 2, 4}) {  // the formula row, an ingredient and a nutrient restriction
        SCOPED_TRACE(n);
        const std::string before = dumpTables(db);
        faults.failAt(n);
        EXPECT_THROW(l.copy(), std::exception);
        EXPECT_TRUE(faults.fired());
        EXPECT_EQ(dumpTables(db), before);
        EXPECT_EQ(l.rowCount(), 2);
    }
    EXPECT_TRUE(sink.posted.empty());
    EXPECT_FALSE(modified);
}

TEST_F(FormulaLists, DeleteAsksAndTakesTheRestrictionsAlong) {
    seed();
    FormulaList l(db, *dm, sink);
    l.reloadGroups();
    l.selectGroup(1);
    ASSERT_TRUE(l.locate("Nombre", std::string("Inicio")));
    dialogs.yesNo = {false};
    EXPECT_FALSE(l.remove());
    EXPECT_EQ(count("SELECT COUNT(*) FROM RIn WHERE LR = 1"), 2);
    dialogs.yesNo = {true};
    EXPECT_TRUE(l.remove());
    EXPECT_EQ(dialogs.questions,
              (std::vector<std::string>{"¿Desea borrar la fórmula?", "¿Desea borrar la fórmula?"}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM LR WHERE Codigo = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM RIn WHERE LR = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM RNu WHERE LR = 1"), 0);
    // The other group's formula keeps its own.
    EXPECT_EQ(count("SELECT COUNT(*) FROM RIn WHERE LR = 3"), 1);
    EXPECT_EQ(count("SELECT COUNT(*) FROM RNu WHERE LR = 3"), 1);
    EXPECT_EQ(names(l), (std::vector<std::string>{"Final"}));
}

TEST_F(FormulaLists, RefreshReadsTheCountsAgainAndKeepsTheFormula) {
    seed();
    FormulaList l(db, *dm, sink);
    l.reloadGroups();
    l.selectGroup(1);
    ASSERT_TRUE(l.locate("Nombre", std::string("Final")));
    // The formula editor wrote restrictions for "Final".
    db.exec("INSERT INTO RIn (LR, CNI) VALUES (2, 1); INSERT INTO RNu (LR, CNI) VALUES (2, 2)");
    EXPECT_EQ(l.ingredientCount(l.current()), "");
    l.ActualizarInfo();
    EXPECT_EQ(l.text("Nombre"), "Final");
    EXPECT_EQ(l.ingredientCount(l.current()), "1");
    EXPECT_EQ(l.nutrientCount(l.current()), "1");
    // A group deleted elsewhere: the box falls back on the first group left.
    db.exec("DELETE FROM Cat WHERE Codigo = 1");
    l.ActualizarInfo();
    EXPECT_EQ(l.group(), 2);
    EXPECT_EQ(names(l), (std::vector<std::string>{"Engorde"}));
}

TEST_F(FormulaLists, ReadOnlyBrowsesAndOpensButChangesNothing) {
    seed();
    db = Database(databaseFile(folder), Database::Mode::ReadOnly);
    FormulaList l(db, *dm, sink);
    l.newFormulaDialog = [](const std::string&) { return std::optional<std::string>("X"); };
    l.reloadGroups();
    l.selectGroup(1);
    EXPECT_EQ(l.rowCount(), 2);
    EXPECT_FALSE(l.canInsert());
    EXPECT_FALSE(l.canCopy());
    EXPECT_FALSE(l.insert());
    l.copy();
    dialogs.yesNo = {true};
    EXPECT_FALSE(l.remove());
    EXPECT_EQ(count("SELECT COUNT(*) FROM LR"), 3);
    l.openCurrent();
    EXPECT_EQ(sink.posted,
              (std::vector<RecordingSink::Request>{{kAppOpenFormula, packLowHigh(2, 1)}}));
}

}  // namespace vexa::test
