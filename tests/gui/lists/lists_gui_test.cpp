// The formulas window, the new-formula dialog, the groups window and the member lists, driven
// as a user would: buttons, keys, double clicks, and the dialogs answering.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "../../store/write_faults.h"
#include "catalog/requests.h"
#include "gui_fixture.h"
#include "sample_app_fixture.h"
#include "shell/application.h"
#include "store/settings.h"
#include "workflows/formulas_window.h"
#include "workflows/groups_window.h"
#include "workflows/member_list_dialog.h"
#include "workflows/new_formula_dialog.h"

namespace vexa::test {

namespace {

// Two groups; Pollos has "Inicio" (2 ingredient and 3 nutrient restrictions) and "Final",
// and a mix with two lines; Cerdos "Engorde" and a mix.
void seedLists(Database& db, TDBDef& def) {
    db.exec(
        "INSERT INTO Cat (Nombre, Precio) VALUES ('Pollos', 1), ('Cerdos', 1);"
        "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) VALUES ('Precio', '$', 1, 1), "
        "  ('Proteína', '%', 0, 2), ('Materia seca', '%', 0, 3);"
        "INSERT INTO Ins (Nombre, Redondeo) VALUES ('Soya', '0'), ('Maíz', '0'), ('Trigo', '0');"
        "INSERT INTO EI (Cat, CNI) VALUES (1, 1), (2, 3);"
        "INSERT INTO EN (Cat, CNI) VALUES (1, 2), (2, 2), (2, 3);"
        "INSERT INTO LR (Nombre, Cat, MS, Precio) VALUES ('Inicio', 1, 3, 1), ('Final', 1, 3, 1), "
        "  ('Engorde', 2, 3, 1);"
        "INSERT INTO RIn (LR, CNI, Min, Max) VALUES (1, 1, 10, 30), (1, 2, 0, 60), (3, 3, 0, 50);"
        "INSERT INTO RNu (LR, CNI, Min, Max) VALUES (1, 1, 0, 0), (1, 2, 20, 24), (1, 3, 88, 0), "
        "  (3, 2, 16, 0);"
        "INSERT INTO MM (Nombre, Cat) VALUES ('Mezcla pollos', 1), ('Mezcla cerdos', 2);"
        "INSERT INTO MMI (CMM, CIns, Valor) VALUES (1, 1, 40), (1, 2, 60), (2, 3, 100);");
    def.Precio = 1;
    def.MS = 3;
}

// Runs `answer` on the modal dialog of type D once it is up.
template <typename D>
void whenShown(std::function<void(D*)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        answer(d);
    });
}

void settle() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    // Closed cell editors go now, so that the next one found is the open one.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int rowOf(ListWindow& w, const QString& name) {
    for (int r = 0; r < w.model()->rowCount(); ++r)
        if (w.model()->displayText(r, 0) == name) return r;
    return -1;
}

std::string tableRows(Database& db, const std::string& sql) {
    Statement st = db.prepare("SELECT group_concat(x) FROM (" + sql + ")");
    return st.step() ? st.getText(0) : std::string();
}

}  // namespace

class ListsGui : public CatalogFixture {
protected:
    void SetUp() override {
        CatalogFixture::SetUp();
        seedLists(db, def);
    }
};

TEST_F(ListsGui, NewFormulaOpensTheEditorOnlyWhenAccepted) {
    FormulasWindow w(db, *dm, sink);
    w.show();
    EXPECT_EQ(w.groupBox()->currentText(), "Pollos");
    struct Case {
        const char* typed;
        const char* button;
        int rows;
    };
    for (const Case& c : {Case{"No va", "cancel", 2}, Case{"Postura", "ok", 3}}) {
        SCOPED_TRACE(c.button);
        sink.posted.clear();
        whenShown<NewFormulaDialog>([&](NewFormulaDialog* d) {
            EXPECT_EQ(d->windowTitle(), "Insertar fórmula");
            EXPECT_EQ(d->name->text(), "Nueva fórmula");
            EXPECT_EQ(d->name->maxLength(), 40);
            d->name->clear();
            QTest::keyClicks(d->name, c.typed);
            QTest::mouseClick(d->findChild<QPushButton*>(c.button), Qt::LeftButton);
        });
        w.action("DataSetInsert1")->trigger();
        EXPECT_EQ(w.model()->rowCount(), c.rows);
        EXPECT_FALSE(w.formulas().editing());
    }
    int code = count("SELECT Codigo FROM LR WHERE Nombre = 'Postura'");
    ASSERT_GT(code, 0);
    EXPECT_EQ(count("SELECT COUNT(*) FROM LR WHERE Nombre = 'No va'"), 0);
    ASSERT_EQ(sink.posted.size(), 1u);
    EXPECT_EQ(sink.posted[0].code, kAppOpenFormula);
    EXPECT_EQ(lowHalf(sink.posted[0].arg), code);
    EXPECT_EQ(highHalf(sink.posted[0].arg), 1);
    int r = rowOf(w, "Postura");
    ASSERT_GE(r, 0);
    EXPECT_EQ(w.model()->displayText(r, 1), "");  // no restrictions: empty counts
    EXPECT_EQ(w.model()->displayText(r, 2), "");
    EXPECT_EQ(w.grid()->currentIndex().row(), r);
    w.close();
}

TEST_F(ListsGui, DoubleClickAndEnterOpenTheFormulaWithItsGroup) {
    FormulasWindow w(db, *dm, sink);
    w.show();
    w.groupBox()->setCurrentIndex(w.groupBox()->findText("Cerdos"));
    ASSERT_EQ(w.model()->rowCount(), 1);
    QRect cell = w.grid()->visualRect(w.model()->index(0, 0));
    QTest::mouseClick(w.grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(w.grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    w.grid()->setFocus();
    QTest::keyClick(w.grid(), Qt::Key_Return);
    const RecordingSink::Request open{kAppOpenFormula, packLowHigh(3, 2)};
    EXPECT_EQ(sink.posted, (std::vector<RecordingSink::Request>{open, open}));
    EXPECT_FALSE(w.formulas().editing());
    // An empty list opens nothing.
    db.exec("DELETE FROM LR WHERE Cat = 2");
    w.refreshInfo();
    w.grid()->doubleClicked(QModelIndex());
    EXPECT_EQ(sink.posted.size(), 2u);
    w.close();
}

TEST_F(ListsGui, CopyShowsTheSameNameAndCounts) {
    FormulasWindow w(db, *dm, sink);
    w.show();
    int r = rowOf(w, "Inicio");
    w.grid()->selectRow(r);
    w.action("acCopiar")->trigger();
    std::vector<std::string> seen;
    for (int i = 0; i < w.model()->rowCount(); ++i)
        if (w.model()->displayText(i, 0) == "Inicio")
            seen.push_back(ss(w.model()->displayText(i, 1) + "/" + w.model()->displayText(i, 2)));
    EXPECT_EQ(seen, (std::vector<std::string>{"2/3", "2/3"}));
    int copy = count("SELECT MAX(Codigo) FROM LR");
    EXPECT_EQ(w.formulas().currentCode(), copy);
    EXPECT_EQ(sink.posted.back(), (RecordingSink::Request{kAppOpenFormula, packLowHigh(copy, 1)}));
    w.close();
}

TEST_F(ListsGui, DeletingAGroupRemovesItsFormulasRestrictionsMixesAndLines) {
    GroupsWindow w(db, *dm, sink);
    w.show();
    EXPECT_EQ(w.model()->displayText(0, 1), "Precio");  // NPx
    auto dump = [&] {
        return tableRows(db, "SELECT Codigo AS x FROM Cat") + "|" +
               tableRows(db, "SELECT Codigo AS x FROM LR") + "|" +
               tableRows(db, "SELECT LR || ':' || CNI AS x FROM RIn") + "|" +
               tableRows(db, "SELECT LR || ':' || CNI AS x FROM RNu") + "|" +
               tableRows(db, "SELECT Codigo AS x FROM MM") + "|" +
               tableRows(db, "SELECT CMM || ':' || CIns AS x FROM MMI") + "|" +
               tableRows(db, "SELECT Cat || ':' || CNI AS x FROM EI") + "|" +
               tableRows(db, "SELECT Cat || ':' || CNI AS x FROM EN");
    };
    const std::string all = dump();
    // A refused write (the second formula row) leaves the whole group and says why.
    ASSERT_EQ(sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_ENABLE_TRIGGER, 1, nullptr),
              SQLITE_OK);
    {
        WriteFaults faults(db, {"LR"});
        faults.failAt(2);
        dialogs.yesNo = {true};
        w.grid()->selectRow(0);
        w.action("DataSetDelete1")->trigger();
        EXPECT_TRUE(faults.fired());
        EXPECT_EQ(dump(), all);
        ASSERT_EQ(dialogs.errors.size(), 1u);
        EXPECT_EQ(dialogs.errors[0].rfind("No se pudo borrar el registro", 0), 0u);
        EXPECT_EQ(w.model()->rowCount(), 2);
    }
    dialogs.yesNo = {false};
    w.action("DataSetDelete1")->trigger();
    EXPECT_EQ(dump(), all);
    dialogs.yesNo = {true};
    w.action("DataSetDelete1")->trigger();
    EXPECT_EQ(dialogs.questions.back(), "¿Desea borrar el grupo?");
    EXPECT_EQ(dump(), "2|3|3:3|3:2|2|2:3|2:3|2:2,2:3");
    EXPECT_EQ(w.model()->rowCount(), 1);
    EXPECT_TRUE(modified);
    w.close();
}

TEST_F(ListsGui, GroupsAreEditedInTheGrid) {
    db.exec("INSERT INTO Nut (Nombre, Tipo, Orden) VALUES ('Precio mayoreo', 1, 4)");
    GroupsWindow w(db, *dm, sink);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // "N&uevo" then Escape keeps no group.
    w.action("DataSetInsert1")->trigger();
    ASSERT_EQ(w.model()->rowCount(), 3);
    auto* name = w.grid()->findChild<QLineEdit*>("groupName");
    ASSERT_NE(name, nullptr);
    QTest::keyClick(name, Qt::Key_Escape);
    settle();
    EXPECT_EQ(w.model()->rowCount(), 2);
    EXPECT_EQ(count("SELECT COUNT(*) FROM Cat"), 2);
    EXPECT_TRUE(dialogs.questions.empty());
    w.action("DataSetInsert1")->trigger();  // "Nuevo grupo", its name open for typing
    ASSERT_EQ(w.model()->rowCount(), 3);
    name = w.grid()->findChild<QLineEdit*>("groupName");
    ASSERT_NE(name, nullptr);
    name->selectAll();
    QTest::keyClicks(name, "Postura");
    QTest::keyClick(name, Qt::Key_Return);
    settle();
    EXPECT_EQ(tableRows(db, "SELECT Nombre AS x FROM Cat WHERE Codigo = 4"), "Postura");
    // The price item from the drop-down.
    QModelIndex px = w.model()->index(2, 1);
    w.grid()->setCurrentIndex(px);
    w.grid()->edit(px);
    auto* box = w.grid()->findChild<QComboBox*>("priceItem");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->currentText(), "Precio");
    box->setCurrentIndex(box->findText("Precio mayoreo"));
    QTest::keyClick(box, Qt::Key_Return);
    settle();
    EXPECT_EQ(count("SELECT Precio FROM Cat WHERE Codigo = 4"), 4);
    // Escape on a group that is not new keeps it.
    w.grid()->edit(w.model()->index(0, 0));
    name = w.grid()->findChild<QLineEdit*>("groupName");
    ASSERT_NE(name, nullptr);
    QTest::keyClick(name, Qt::Key_Escape);
    settle();
    EXPECT_EQ(count("SELECT COUNT(*) FROM Cat"), 3);
    EXPECT_EQ(w.model()->displayText(2, 1), "Precio mayoreo");
    EXPECT_FALSE(w.groups().editing());
    // The header buttons ask for the group's formulas and mixes.
    sink.posted.clear();
    w.grid()->selectRow(1);
    QTest::mouseClick(w.formulasButton, Qt::LeftButton);
    QTest::mouseClick(w.mixesButton, Qt::LeftButton);
    EXPECT_EQ(sink.posted,
              (std::vector<RecordingSink::Request>{{kAppOpenFormulas, 2}, {kAppOpenMixList, 2}}));
    w.close();
}

TEST_F(ListsGui, MemberListSelectAllThenAcceptAndCancelAfterToggling) {
    GroupsWindow w(db, *dm, sink);
    w.show();
    w.grid()->selectRow(0);  // Pollos: Soya only
    const std::string members = "SELECT CNI AS x FROM EI WHERE Cat = 1";
    // Toggling, then "Cancelar": nothing is written.
    whenShown<MemberListDialog>([](MemberListDialog* d) {
        EXPECT_EQ(d->objectName(), "TfrmListaI");
        EXPECT_EQ(d->windowTitle(), "Modificar lista de insumos del grupo Pollos");
        QTest::mouseClick(d->grid()->viewport(), Qt::LeftButton, {},
                          d->grid()->visualRect(d->grid()->model()->index(0, 1)).center());
        d->grid()->setFocus();
        QTest::keyClick(d->grid(), Qt::Key_Down);
        QTest::keyClick(d->grid(), Qt::Key_Space);
        QTest::mouseClick(d->clearAllButton, Qt::LeftButton);
        QTest::mouseClick(d->cancelButton, Qt::LeftButton);
    });
    QTest::mouseClick(w.ingredientsButton, Qt::LeftButton);
    EXPECT_EQ(tableRows(db, members), "1");
    EXPECT_FALSE(modified);
    // "Seleccionar Todos", then "Aceptar": every ingredient is a member.
    whenShown<MemberListDialog>([](MemberListDialog* d) {
        QTest::mouseClick(d->selectAllButton, Qt::LeftButton);
        QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    QTest::mouseClick(w.ingredientsButton, Qt::LeftButton);
    EXPECT_EQ(tableRows(db, "SELECT CNI AS x FROM EI WHERE Cat = 1 ORDER BY CNI"), "1,2,3");
    EXPECT_TRUE(modified);
    // The nutrient list marks the members it finds; a click toggles one.
    whenShown<MemberListDialog>([](MemberListDialog* d) {
        EXPECT_EQ(d->objectName(), "TfrmListaN");
        QAbstractItemModel* m = d->grid()->model();
        ASSERT_EQ(m->rowCount(), 3);  // Materia seca, Precio, Proteína
        EXPECT_EQ(m->index(2, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
        QTest::mouseClick(d->grid()->viewport(), Qt::LeftButton, {},
                          d->grid()->visualRect(m->index(0, 1)).center());
        QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    QTest::mouseClick(w.nutrientsButton, Qt::LeftButton);
    EXPECT_EQ(tableRows(db, "SELECT CNI AS x FROM EN WHERE Cat = 1 ORDER BY CNI"), "2,3");
    w.close();
}

// The whole program on the sample workspace.
class ListsApp : public SampleApp {};

TEST_F(ListsApp, FormulasWindowOpensAtStartUpAndFollowsRequests) {
    MainWindow& w = start();
    CommandModule& cm = w.commands();
    auto* lr = qobject_cast<FormulasWindow*>(cm.slot(WindowKind::LR));
    ASSERT_NE(lr, nullptr);
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), cm.frameOf(lr));
    EXPECT_EQ(lr->windowTitle(), "Fórmulas");
    EXPECT_EQ(lr->groupBox()->currentText(), "Pollos de engorde");
    EXPECT_EQ(lr->model()->rowCount(), 4);
    for (const char* command : {"acLR", "acCat"}) EXPECT_TRUE(cm.action(command)->isEnabled());

    // A double click asks the main window for the editor on that formula and group.
    std::vector<std::pair<int, int>> opened;
    cm.openFormula = [&](int formula, int group) { opened.push_back({formula, group}); };
    QRect cell = lr->grid()->visualRect(lr->model()->index(1, 0));
    QTest::mouseClick(lr->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(lr->grid()->viewport(), Qt::LeftButton, {}, cell.center());
    settle();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, lr->formulas().currentCode());
    EXPECT_EQ(opened[0].second, lr->formulas().group());

    // The editor wrote restrictions and said so (17 with 4): the counts follow.
    Database& db = *app->workspace().database();
    int code = lr->formulas().currentCode();
    std::string before = ss(lr->model()->displayText(1, 1));
    db.exec("DELETE FROM RIn WHERE LR = " + std::to_string(code));
    postRequest(&w, kAppCmdEvent, kAppRefreshWindow, 4);
    settle();
    EXPECT_NE(before, "");
    EXPECT_EQ(lr->model()->displayText(1, 1), "");
    EXPECT_EQ(lr->formulas().currentCode(), code);

    // The groups window's "&Formulas" shows that group's formulas in the same window.
    cm.action("acCat")->trigger();
    settle();
    auto* cat = qobject_cast<GroupsWindow*>(cm.slot(WindowKind::Groups));
    ASSERT_NE(cat, nullptr);
    cat->grid()->selectRow(2);
    QTest::mouseClick(cat->formulasButton, Qt::LeftButton);
    settle();
    EXPECT_EQ(cm.slot(WindowKind::LR), lr);
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), cm.frameOf(lr));
    EXPECT_EQ(lr->groupBox()->currentText(), "Cerdos");
    EXPECT_EQ(lr->model()->rowCount(), 2);

    // Deleting that group in the groups window: the formulas window leaves it too (17 with 3).
    cm.action("acCat")->trigger();
    settle();
    cat->grid()->selectRow(2);
    dialogs.yesNo = {true};
    cat->action("DataSetDelete1")->trigger();
    settle();
    EXPECT_EQ(lr->groupBox()->count(), 2);
    EXPECT_EQ(lr->groupBox()->findText("Cerdos"), -1);
    EXPECT_EQ(lr->groupBox()->currentText(), "Pollos de engorde");
    EXPECT_EQ(lr->model()->rowCount(), 4);
}

TEST_F(ListsApp, ReadOnlyBrowsesButEditsNothing) {
    std::ofstream(docs / "VEXA.INI") << "[User]\nRO=7\n";
    MainWindow& w = start();
    ASSERT_TRUE(app->workspace().readOnly());
    CommandModule& cm = w.commands();
    auto* lr = qobject_cast<FormulasWindow*>(cm.slot(WindowKind::LR));
    ASSERT_NE(lr, nullptr);
    ASSERT_GT(lr->model()->rowCount(), 0);
    for (const char* name : {"DataSetInsert1", "DataSetDelete1", "acCopiar"})
        EXPECT_FALSE(lr->action(name)->isEnabled()) << name;
    cm.action("acCat")->trigger();
    settle();
    auto* cat = qobject_cast<GroupsWindow*>(cm.slot(WindowKind::Groups));
    ASSERT_NE(cat, nullptr);
    for (const char* name : {"DataSetEdit1", "DataSetInsert1", "DataSetDelete1", "acCopiar"})
        EXPECT_FALSE(cat->action(name)->isEnabled()) << name;
    EXPECT_FALSE(cat->model()->flags(cat->model()->index(0, 0)) & Qt::ItemIsEditable);
    // The member list shows the members and saves nothing.
    whenShown<MemberListDialog>([](MemberListDialog* d) {
        EXPECT_FALSE(d->selectAllButton->isEnabled());
        EXPECT_FALSE(d->okButton->isEnabled());
        d->reject();
    });
    QTest::mouseClick(cat->ingredientsButton, Qt::LeftButton);
    EXPECT_FALSE(app->workspace().modified());
}

}  // namespace vexa::test

namespace vexa::test {

TEST_F(ListsApp, BesideTheIngredientsTheFormulasWindowIsNotMaximised) {
    MainWindow& w = start();
    CommandModule& cm = w.commands();
    for (bool sideBySide : {true, false}) {
        SCOPED_TRACE(sideBySide);
        cm.frameOf(cm.slot(WindowKind::LR))->close();
        settle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(cm.slot(WindowKind::LR), nullptr);
        catalogContext().sideBySide = sideBySide;
        cm.action("acLR")->trigger();
        settle();
        ASSERT_NE(cm.slot(WindowKind::LR), nullptr);
        EXPECT_EQ(cm.frameOf(cm.slot(WindowKind::LR))->isMaximized(), !sideBySide);
    }
}

}  // namespace vexa::test
