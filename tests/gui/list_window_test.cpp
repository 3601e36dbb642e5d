// The list windows as the user drives them: keys, header clicks, search, dialogs.
#include <QHeaderView>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "catalog/ingredient_dialogs.h"
#include "catalog/ingredients_window.h"
#include "catalog/nutrient_dialog.h"
#include "catalog/nutrients_window.h"
#include "catalog/ratios_window.h"
#include "catalog/value_windows.h"
#include "gui_fixture.h"
#include "reports/report_module.h"

namespace vexa::test {

using ListWindows = CatalogFixture;

TEST_F(ListWindows, NutrientKeysEditInsertAndDelete) {
    seed();
    NutrientsWindow w(db, *dm, sink);
    w.show();
    int shown = 0;
    w.nutrients().editDialog = [&](NutrientList&) {
        ++shown;
        return false;
    };
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.grid()->setFocus();
    QTest::keyClick(w.grid(), Qt::Key_Return);
    EXPECT_EQ(shown, 1);
    QTest::keyClick(w.grid(), Qt::Key_Insert);
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut"), 2);
    dialogs.yesNo = {false};
    QTest::keyClick(w.grid(), Qt::Key_Delete);
    EXPECT_EQ(dialogs.questions, (std::vector<std::string>{"¿Desea borrar el nutriente?"}));
    EXPECT_EQ(count("SELECT COUNT(*) FROM Nut"), 2);
    // The user's order stays whatever title is clicked.
    w.grid()->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(w.nutrients().queryLines()[3], "ORDEN");
    EXPECT_TRUE(w.action("DataSetPost1")->isVisible() == false);
    w.close();
}

TEST_F(ListWindows, IngredientTitleClickSortsAndSearchFinds) {
    seed();
    IngredientsWindow w(db, *dm, sink);
    w.show();
    w.grid()->horizontalHeader()->sectionClicked(0);  // ascending, as read
    w.grid()->horizontalHeader()->sectionClicked(0);  // then descending
    EXPECT_EQ(w.model()->displayText(0, 0), "Trigo");
    dialogs.texts = {std::string("so")};
    w.action("acBuscar")->trigger();
    EXPECT_EQ(w.ingredients().text("NOMBRE"), "Soya");
    EXPECT_EQ(w.grid()->currentIndex().row(), w.ingredients().current());
    dialogs.texts = {std::string("zz")};
    w.action("acBuscar")->trigger();
    EXPECT_EQ(dialogs.infos.size(), 1u);
    EXPECT_EQ(w.model()->displayText(0, 2), "2");  // values per ingredient
    w.close();
}

TEST_F(ListWindows, SearchLooksInTheChosenFieldOnly) {
    seed();
    NutrientsWindow w(db, *dm, sink);
    w.show();
    struct Case {
        SearchRequest asked;
        const char* found;  // nullptr: not found, the user is told
    };
    const Case cases[] = {
        {{"kcal", -1}, "Energía"},  // every field
        {{"kcal", 0}, nullptr},     // not in the name
        {{"kcal", 1}, "Energía"},   // in the unit
        {{"TEÍ", 0}, "Proteína"},   // anywhere in the name, any case
    };
    for (const Case& c : cases) {
        w.nutrients().first();
        size_t infos = dialogs.infos.size();
        dialogs.searches = {c.asked};
        w.action("acBuscar")->trigger();
        if (c.found) {
            EXPECT_EQ(w.nutrients().text("Nombre"), c.found) << c.asked.text << c.asked.field;
            EXPECT_EQ(dialogs.infos.size(), infos);
        } else {
            EXPECT_EQ(dialogs.infos.size(), infos + 1) << c.asked.text << c.asked.field;
        }
    }
    EXPECT_EQ(dialogs.offeredFields, (std::vector<std::string>{"Nombre", "Unidad"}));
    w.close();
}

TEST_F(ListWindows, EditDialogsWriteBackCutAndEnterMovesOn) {
    seed();
    NutrientList l(db, *dm, sink);
    l.open();
    l.editWithDialog = false;
    l.edit();
    NutrientDialog d(l);
    d.show();
    d.name->setFocus();
    QTest::keyClick(d.name, Qt::Key_Return);
    EXPECT_TRUE(d.unit->hasFocus() || QApplication::focusWidget() != d.name);
    EXPECT_TRUE(d.isVisible());  // Enter in a box does not close the dialog
    d.name->setText("Proteína bruta");
    d.type->setCurrentIndex(d.type->findData(1));
    d.accept();
    EXPECT_EQ(count("SELECT Tipo FROM Nut WHERE Nombre = 'Proteína bruta'"), 1);

    IngredientList ins(db, *dm, sink);
    ins.open();
    ins.editWithDialog = false;
    ins.edit();
    IngredientDialog e(ins);
    EXPECT_EQ(e.name->maxLength(), 25);
    EXPECT_EQ(e.rounding->minimum(), -4);
    EXPECT_EQ(e.rounding->maximum(), 4);
    EXPECT_FALSE(e.type->isEnabled());
    e.rounding->setValue(-3);
    e.accept();
    EXPECT_EQ(count("SELECT Redondeo FROM Ins WHERE Nombre = 'Maíz'"), -3);

    SaveIngredientDialog s({"Mezcla final", 2});
    EXPECT_EQ(s.windowTitle(), "Guardar como insumo");
    EXPECT_EQ(s.values().Nombre, "Mezcla final");
    EXPECT_EQ(s.values().Redondeo, 2);
}

}  // namespace vexa::test

namespace vexa::test {

// "Reporte" (Ctrl+R) in the nutrients window runs the nutrient list of the report module.
TEST_F(ListWindows, NutrientReportCommandRunsTheNutrientList) {
    seed();
    std::vector<int> tags;
    const auto old = reportCommandRunner();
    reportCommandRunner() = [&tags](int tag, QWidget*) { tags.push_back(tag); };
    NutrientsWindow w(db, *dm, sink);
    w.show();
    QAction* rep = w.action("acRep");
    ASSERT_NE(rep, nullptr);
    EXPECT_TRUE(rep->isEnabled());
    EXPECT_EQ(rep->shortcut(), QKeySequence("Ctrl+R"));
    rep->trigger();
    EXPECT_EQ(tags, std::vector<int>{0});
    reportCommandRunner() = old;
}

// "Exportar a MS Excel" is reachable in every catalogue list: in the window's menu and on its
// side panel (in the nutrients window, under "Funciones").
TEST_F(ListWindows, EveryCatalogueListOffersTheGridExport) {
    seed();
    std::vector<std::unique_ptr<ListWindow>> windows;
    windows.push_back(std::make_unique<IngredientsWindow>(db, *dm, sink));
    windows.push_back(std::make_unique<NutrientsWindow>(db, *dm, sink));
    windows.push_back(std::make_unique<RatiosWindow>(db, *dm, sink));
    windows.push_back(std::make_unique<IngredientValuesWindow>(db, *dm, sink));
    windows.push_back(std::make_unique<NutrientValuesWindow>(db, *dm, sink));
    for (auto& w : windows) {
        SCOPED_TRACE(w->objectName().toStdString());
        w->show();
        QAction* a = w->action("acEExport");
        ASSERT_NE(a, nullptr);
        EXPECT_TRUE(a->isVisible());
        EXPECT_TRUE(w->recordMenu()->actions().contains(a));
        bool onSide = false;
        for (QToolButton* b : w->sidePanel()->findChildren<QToolButton*>()) {
            if (!b->isVisible()) continue;
            onSide = onSide || b->defaultAction() == a ||
                     (b->menu() && b->menu()->actions().contains(a));
        }
        EXPECT_TRUE(onSide);
        w->close();
    }
}

}  // namespace vexa::test
