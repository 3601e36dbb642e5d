// Pictures of the formula editor after a run, for a person to look at. Run by hand under a
// display:
//   VEXA_SCREENSHOTS=/some/folder DISPLAY=:81 vexa_gui_tests --gtest_also_run_disabled_tests
//       --gtest_filter='FormulaScreenshots*'
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "catalog/request_event.h"
#include "gui_fixture.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "workflows/formula_window.h"
#include "workflows/restriction_dialogs.h"

namespace vexa::test {

TEST(FormulaScreenshots, DISABLED_EditorPagesAndDialogs) {
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
    auto shoot = [&](const QString& name) {
        settle();
        QProcess::execute("import", {"-window", "root", out + "/" + name + ".png"});
    };
    settle();
    postRequest(&w, kAppCmdEvent, kAppOpenFormula, packLowHigh(1, 1));
    settle();
    auto* f = qobject_cast<FormulaWindow*>(w.mdiArea()->activeSubWindow()->widget());
    ASSERT_NE(f, nullptr);
    shoot("editor_restrictions");
    QTest::keyClick(f->ingredientGrid(), Qt::Key_F9);
    shoot("editor_results");
    f->pages()->setCurrentIndex(1);
    shoot("editor_restrictions_after_run");
    f->pages()->setCurrentIndex(0);
    shoot("editor_properties");
    f->pages()->setCurrentIndex(1);
    {
        IngredientRestrictionDialog d("Maíz amarillo", 10, 60, 100, f);
        d.show();
        shoot("dialog_ingredient");
    }
    {
        NutrientRestrictionDialog d("Proteína cruda", 21.5, std::nullopt, f);
        d.show();
        shoot("dialog_nutrient");
    }
    // The infeasible teaching formula: its suggestions.
    postRequest(&w, kAppCmdEvent, kAppOpenFormula, packLowHigh(4, 1));
    settle();
    auto* g = qobject_cast<FormulaWindow*>(w.mdiArea()->activeSubWindow()->widget());
    ASSERT_NE(g, nullptr);
    QTimer::singleShot(400, [&] {
        if (auto* d = qobject_cast<SuggestionsDialog*>(QApplication::activeModalWidget())) {
            shoot("dialog_suggestions");
            d->leave->click();
        }
    });
    QTest::keyClick(g->ingredientGrid(), Qt::Key_F9);
    settle();
    g->pages()->setCurrentIndex(1);
    shoot("editor_infeasible_restrictions");
    app.shutdown();
}

}  // namespace vexa::test
