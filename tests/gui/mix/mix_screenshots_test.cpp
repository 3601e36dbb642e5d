// Pictures of the manual-mix, batch and electrolyte windows on the sample workspace, for a
// person to look at. Run by hand under a display:
//   VEXA_SCREENSHOTS=/some/folder xvfb-run vexa_gui_tests --gtest_also_run_disabled_tests
//       --gtest_filter='MixScreenshots*'
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

#include "catalog/request_event.h"
#include "gui_fixture.h"
#include "shell/application.h"
#include "shell/command_module.h"
#include "shell/main_window.h"
#include "workflows/batch_dialogs.h"
#include "workflows/electrolyte_dialog.h"
#include "workflows/formula_window.h"
#include "workflows/mix_windows.h"

namespace vexa::test {

TEST(MixScreenshots, DISABLED_MixBatchAndBalanceWindows) {
    const QString out = qEnvironmentVariable("VEXA_SCREENSHOTS");
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
            QTest::qWait(10);
        }
    };
    auto shoot = [&](QWidget* widget, const QString& name) {
        settle();
        widget->grab().save(out + "/" + name + ".png");
    };
    settle();
    postRequest(&w, kAppCmdEvent, kAppOpenFormula, packLowHigh(1, 1));
    settle();
    auto* f = qobject_cast<FormulaWindow*>(w.mdiArea()->activeSubWindow()->widget());
    ASSERT_NE(f, nullptr);
    f->runMix();
    settle();
    TMixObject2& run = *f->editor().mix();
    {
        BatchSession session(run, *app.services());
        BatchDialog d(session.table(), true, f);
        d.show();
        shoot(&d, "batch_dialog");
        ASSERT_EQ(session.writeReport(1000, "1.000", BatchBasis::AsFed, true), "");
        f->pages()->setCurrentIndex(2);
        shoot(&w, "batch_report");
    }
    {
        BatchGroupDialog d(*app.workspace().database(), "Pollo iniciación", f);
        d.show();
        shoot(&d, "batch_group_dialog");
    }
    f->action("Crear &mezcla")->trigger();
    settle();
    auto* m = qobject_cast<ManualMixWindow*>(w.mdiArea()->activeSubWindow()->widget());
    ASSERT_NE(m, nullptr);
    m->formulaChooser = [](const std::vector<FormulaChoice>& list) {
        return list.empty() ? -1 : list.front().Codigo;
    };
    m->loadLimits();
    shoot(&w, "mix_lines");
    m->pages()->setCurrentIndex(1);
    shoot(&w, "mix_properties");
    m->showReport();
    shoot(&w, "mix_report");
    w.commands().action("acMM")->trigger();
    shoot(&w, "mix_list");
    {
        ElectrolyteDialog d(*app.workspace().database(), *app.services(), app.requestSink(), &w);
        d.show();
        shoot(&d, "electrolyte_dialog");
    }
    app.shutdown();
}

}  // namespace vexa::test
