// Pictures of the formulas window, the groups window, the new-formula dialog and both member
// lists on the sample workspace, for a person to look at. Run by hand under a display:
//   VEXA_SCREENSHOTS=/some/folder DISPLAY=:82 vexa_gui_tests --gtest_also_run_disabled_tests
//       --gtest_filter='ListsScreenshots*'
#include <QMdiSubWindow>
#include <QMenu>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "gui_fixture.h"
#include "shell/application.h"
#include "workflows/formulas_window.h"
#include "workflows/groups_window.h"
#include "workflows/member_list_dialog.h"
#include "workflows/new_formula_dialog.h"

namespace vexa::test {

TEST(ListsScreenshots, DISABLED_FormulasGroupsAndDialogs) {
    QString out = qEnvironmentVariable("VEXA_SCREENSHOTS");
    ASSERT_FALSE(out.isEmpty());
    QTemporaryDir tmp;
    ScriptedDialogs dialogs;
    DialogsScope scope(dialogs);
    std::filesystem::path docs = std::filesystem::path(tmp.path().toStdString()) / "Documentos";
    std::filesystem::create_directories(docs);
    VexaApp app(AppFolders{docs, docs / "VEXA.INI"});
    app.createSampleIfFirstStart();
    ASSERT_TRUE(app.openStartupWorkspace({}));
    MainWindow& w = app.createMainWindow();
    w.setGeometry(0, 0, 1200, 760);
    w.show();
    auto settle = [] {
        for (int i = 0; i < 20; ++i) {
            QCoreApplication::processEvents();
            QTest::qWait(20);
        }
    };
    // The whole screen, as the user sees it (a dialog with its window behind).
    auto shoot = [&](const QString& name) {
        settle();
        QProcess::execute("import", {"-window", "root", out + "/" + name + ".png"});
    };
    settle();
    shoot("formulas");
    // The "&Editar" menu with the formulas and groups commands enabled.
    QMenu* edit = w.menu("&Editar");
    ASSERT_NE(edit, nullptr);
    edit->popup(w.mapToGlobal(QPoint(100, 30)));
    shoot("menu_editar");
    edit->hide();
    CommandModule& cm = w.commands();
    auto* lr = qobject_cast<FormulasWindow*>(cm.slot(WindowKind::LR));
    ASSERT_NE(lr, nullptr);
    {
        NewFormulaDialog d("Nueva fórmula", lr);
        d.show();
        shoot("new_formula");
    }
    cm.action("acCat")->trigger();
    settle();
    shoot("groups");
    auto* cat = qobject_cast<GroupsWindow*>(cm.slot(WindowKind::Groups));
    ASSERT_NE(cat, nullptr);
    for (auto [kind, name] : {std::pair{MemberList::Kind::Ingredients, "members_ingredients"},
                              std::pair{MemberList::Kind::Nutrients, "members_nutrients"}}) {
        MemberList list(*catalogContext().db, kind, cat->groups().currentCode(),
                        cat->groups().currentName());
        MemberListDialog d(list, false, cat);
        d.show();
        shoot(name);
    }
    // The price item being chosen in the grid.
    QModelIndex px = cat->model()->index(0, 1);
    cat->grid()->setCurrentIndex(px);
    cat->grid()->edit(px);
    shoot("groups_price_item");
    app.shutdown();
}

}  // namespace vexa::test
