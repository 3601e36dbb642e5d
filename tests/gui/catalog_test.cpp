// Nutrient and ingredient catalogues, and the list base under them.
#include <QAction>
#include <QString>

#include "catalog/ingredient_list.h"
#include "catalog/nutrient_list.h"
#include "catalog/nutrients_window.h"
#include "catalog/requests.h"
#include "gui_fixture.h"

namespace vexa::test {

namespace {

// The edit dialog accepting what it was given.
auto acceptNutrient(NutrientEdit e) {
    return [e](NutrientList& l) {
        l.applyEdit(e);
        return true;
    };
}

std::vector<int64_t> orders(NutrientList& l) {
    std::vector<int64_t> o;
    Statement st = l.db().prepare("SELECT Orden FROM Nut ORDER BY Codigo");
    while (st.step()) o.push_back(st.getInt64(0));
    return o;
}

}  // namespace

using NutrientCatalog = CatalogFixture;

TEST_F(NutrientCatalog, NewNutrientTakesNextOrderAZeroValueEverywhereAndEveryGroup) {
    seed();
    NutrientList l(db, *dm, sink);
    l.editDialog = acceptNutrient({"Calcio", "%", 0});
    l.open();
    ASSERT_TRUE(l.insert());
    EXPECT_EQ(count("SELECT Orden FROM Nut WHERE Nombre = 'Calcio'"), 3);
    int code = count("SELECT Codigo FROM Nut WHERE Nombre = 'Calcio'");
    EXPECT_EQ(
        count("SELECT COUNT(*) FROM Val WHERE Nut = " + std::to_string(code) + " AND Valor = 0"),
        3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM EN WHERE CNI = " + std::to_string(code)), 2);
    EXPECT_EQ(l.rowCount(), 3);
    EXPECT_EQ(l.text("Nombre"), "Calcio");  // the list stands on the new nutrient
    EXPECT_TRUE(modified);
    EXPECT_TRUE(catalogContext().nutrientsChanged);
}

TEST_F(NutrientCatalog, FirstNutrientOfAnEmptyWorkspaceGetsOrderOne) {
    NutrientList l(db, *dm, sink);
    l.editDialog =
        acceptNutrient({"Nuevo nutriente con un nombre muy largo", "unidad larga xx", 1});
    l.open();
    l.insert();
    EXPECT_EQ(count("SELECT Orden FROM Nut"), 1);
    // Texts are cut to the field sizes.
    EXPECT_EQ(l.text("Nombre"),
              std::string("Nuevo nutriente con un nombre muy largo").substr(0, 25));
    EXPECT_EQ(l.text("Unidad"), "unidad larga");
}

TEST_F(NutrientCatalog, CancellingANewNutrientLeavesNothing) {
    seed();
    NutrientList l(db, *dm, sink);
    l.editDialog = [](NutrientList&) { return false; };
    l.open();
    l.insert();
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Val"), 6);
    EXPECT_EQ(count("SELECT COUNT(*) FROM EN"), 0);
    EXPECT_EQ(l.state(), RecordList::State::Browse);
    EXPECT_FALSE(modified);
}

TEST_F(NutrientCatalog, MovingAtTheEndsChangesNothingAndInTheMiddleExchanges) {
    seed();
    dm->AgregarNutriente("Fibra", "%", 3, 0, 0);
    NutrientList l(db, *dm, sink);
    l.open();
    l.first();
    l.moveUp();
    EXPECT_EQ(orders(l), (std::vector<int64_t>{1, 2, 3}));
    l.last();
    l.moveDown();
    EXPECT_EQ(orders(l), (std::vector<int64_t>{1, 2, 3}));
    l.setCurrent(1);
    l.moveUp();
    EXPECT_EQ(orders(l), (std::vector<int64_t>{2, 1, 3}));
    EXPECT_TRUE(l.editWithDialog);
}

TEST_F(NutrientCatalog, DeleteAsksFirstAndCascades) {
    seed();
    db.exec("INSERT INTO EN (Cat, CNI) VALUES (1, 1); INSERT INTO RNu (LR, CNI) VALUES (1, 1);");
    NutrientList l(db, *dm, sink);
    l.open();
    dialogs.yesNo = {false};
    EXPECT_FALSE(l.remove());
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut"), 2);
    ASSERT_EQ(dialogs.questions.back(), "¿Desea borrar el nutriente?");
    dialogs.yesNo = {true};
    EXPECT_TRUE(l.remove());
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut WHERE Codigo = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Val WHERE Nut = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM EN WHERE CNI = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM RNu WHERE CNI = 1"), 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Val"), 3);  // the other nutrient keeps its values
    EXPECT_EQ(l.rowCount(), 1);
}

TEST_F(NutrientCatalog, CopyKeepsTheValuesAndJoinsEveryGroup) {
    seed();
    NutrientList l(db, *dm, sink);
    l.editDialog = [](NutrientList&) { return false; };  // cancelling keeps the copy
    l.open();
    l.copy();
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut WHERE Nombre = 'Proteína'"), 2);
    EXPECT_EQ(count("SELECT MAX(Orden) FROM Nut"), 3);
    EXPECT_EQ(count("SELECT COUNT(*) FROM EN"), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Val"), 9);
}

using ListBase = CatalogFixture;

TEST_F(ListBase, UserSortAcceptsOnlyColumnsOfTheQuery) {
    seed();
    IngredientList l(db, *dm, sink);
    l.open();
    EXPECT_EQ(l.text("NOMBRE"), "Maíz");
    EXPECT_TRUE(l.userSort("[NOMBRE] DESC"));
    EXPECT_EQ(QString::fromStdString(l.queryLines()[3]).toUpper(), "NOMBRE COLLATE NOMBRES DESC");
    EXPECT_EQ(l.text("NOMBRE"), "Trigo");
    for (const char* bad : {"[NOMBRE]; DROP TABLE Ins", "[Precio] ASC", "NOMBRE DESC, (SELECT 1)",
                            "[NOMBRE] UP", ""}) {
        EXPECT_FALSE(l.userSort(bad)) << bad;
    }
    EXPECT_EQ(QString::fromStdString(l.queryLines()[3]).toUpper(), "NOMBRE COLLATE NOMBRES DESC");
    EXPECT_EQ(count("SELECT COUNT(*) FROM Ins"), 3);
    // The nutrient list always keeps the user's order.
    NutrientList n(db, *dm, sink);
    n.open();
    EXPECT_FALSE(n.userSort("[Nombre] ASC"));
}

TEST_F(ListBase, SearchMatchesAsEachWindowSays) {
    seed();
    IngredientList ins(db, *dm, sink);
    ins.open();
    EXPECT_TRUE(ins.search("so"));  // at the beginning, any case
    EXPECT_EQ(ins.text("NOMBRE"), "Soya");
    EXPECT_FALSE(ins.search("oya"));
    NutrientList nut(db, *dm, sink);
    nut.open();
    EXPECT_TRUE(nut.search("KCAL"));  // anywhere, unit too
    EXPECT_EQ(nut.text("Nombre"), "Energía");
}

TEST_F(ListBase, ActivationAndClosePostTheirRequests) {
    seed();
    NutrientList l(db, *dm, sink);
    l.editDialog = [](NutrientList&) { return true; };
    l.open();
    l.activated(true);
    l.activated(false);
    // A record still being edited is written when the window closes.
    l.editWithDialog = false;
    l.edit();
    l.setField("Nombre", std::string("Proteína cruda"));
    l.closing(77);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut WHERE Nombre = 'Proteína cruda'"), 1);
    using R = RecordingSink::Request;
    EXPECT_EQ(sink.posted, (std::vector<R>{{kAppActivation, 0},
                                           {kAppActivation, 65536},
                                           {kAppWindowClosed, 77},
                                           {kAppActivation, 65536}}));
}

TEST_F(ListBase, DoubleClickOnAnEmptyListDoesNothing) {
    int dialogsShown = 0;
    NutrientList l(db, *dm, sink);
    l.editDialog = [&](NutrientList&) { return ++dialogsShown > 0; };
    l.open();
    l.doubleClick();
    EXPECT_EQ(dialogsShown, 0);
    EXPECT_EQ(l.state(), RecordList::State::Browse);
}

TEST_F(ListBase, NegativeValueIsRefusedAndTheRecordStaysInEdit) {
    seed();
    RecordList l(db, sink, 2);
    l.setQuery({"SELECT Ins, Nut, Valor", "FROM Val", "ORDER BY", "Ins"});
    l.setUpdateSql("UPDATE Val SET Valor = :Valor WHERE Ins = :OLD_Ins AND Nut = :OLD_Nut", "", "");
    l.open();
    l.editWithDialog = false;
    ASSERT_TRUE(l.edit());
    l.setField("Valor", -1.0);
    EXPECT_THROW(l.ChequearNegativo("Valor"), std::runtime_error);
    try {
        l.ChequearNegativo("Valor");
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Error: No se permiten valores negativos");
    }
}

using IngredientCatalog = CatalogFixture;

TEST_F(IngredientCatalog, NewIngredientGetsValuesGroupsAndOpensItsContent) {
    seed();
    IngredientList l(db, *dm, sink);
    l.editDialog = [](IngredientList& x) {
        x.applyEdit({"Harina de pescado", 9});
        return true;
    };
    l.open();
    l.insert();
    int code = count("SELECT Codigo FROM Ins WHERE Nombre = 'Harina de pescado'");
    ASSERT_GT(code, 0);
    EXPECT_EQ(count("SELECT Redondeo FROM Ins WHERE Codigo = " + std::to_string(code)), 4);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Val WHERE Valor = 0 AND Ins = " + std::to_string(code)),
              2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM EI WHERE CNI = " + std::to_string(code)), 2);
    EXPECT_EQ(l.valueCount(code), 2);
    ASSERT_FALSE(sink.posted.empty());
    EXPECT_EQ(sink.posted.back().code, kAppShowIngredientValues);
    EXPECT_EQ(sink.posted.back().arg, code);
}

TEST_F(IngredientCatalog, DeleteCascadesToValuesGroupsRestrictionsAndMixes) {
    seed();
    db.exec(
        "INSERT INTO EI (Cat, CNI) VALUES (1, 1); INSERT INTO RIn (LR, CNI) VALUES (1, 1);"
        "INSERT INTO MMI (CMM, CIns) VALUES (1, 1);");
    IngredientList l(db, *dm, sink);
    l.open();
    ASSERT_EQ(l.currentCode(), 1);  // Maíz
    dialogs.yesNo = {true};
    EXPECT_TRUE(l.remove());
    EXPECT_EQ(dialogs.questions.back(), "¿Desea borrar el insumo?");
    for (const char* q :
         {"SELECT COUNT(*) FROM Ins WHERE Codigo = 1", "SELECT COUNT(*) FROM Val WHERE Ins = 1",
          "SELECT COUNT(*) FROM EI", "SELECT COUNT(*) FROM RIn", "SELECT COUNT(*) FROM MMI"})
        EXPECT_EQ(count(q), 0) << q;
    EXPECT_EQ(count("SELECT COUNT(*) FROM Val"), 4);
}

TEST_F(IngredientCatalog, SideBySideOnlyWhenAlone) {
    seed();
    IngredientList l(db, *dm, sink);
    l.open();
    EXPECT_FALSE(l.verContenido(false));
    EXPECT_TRUE(l.verContenido(true));
    l.next();
    l.followRow();
    using R = RecordingSink::Request;
    EXPECT_EQ(sink.posted, (std::vector<R>{{kAppShowIngredientValues, 1},
                                           {kAppShowIngredientValues, 1},
                                           {kAppFollowIngredient, 2}}));
}

TEST_F(CatalogFixture, ReadOnlyLeavesEveryEditingCommandDisabledAndTheFileUnchanged) {
    seed();
    std::filesystem::path file = databaseFile(folder);
    db.close();
    auto stamp = std::filesystem::last_write_time(file);
    auto size = std::filesystem::file_size(file);
    Database ro(file, Database::Mode::ReadOnly);
    Tdm rodm(ro, def);
    catalogContext().db = &ro;
    NutrientsWindow w(ro, rodm, sink);
    for (const char* n : {"DataSetEdit1", "DataSetInsert1", "DataSetDelete1", "DataSetPost1",
                          "acOrdenS", "acOrdenB", "acCopiar"})
        EXPECT_FALSE(w.action(n)->isEnabled()) << n;
    EXPECT_TRUE(w.action("DataSetNext1")->isEnabled());
    w.nutrients().insert();
    w.nutrients().moveDown();
    w.close();
    ro.close();
    EXPECT_EQ(std::filesystem::last_write_time(file), stamp);
    EXPECT_EQ(std::filesystem::file_size(file), size);
}

}  // namespace vexa::test
