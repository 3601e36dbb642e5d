// Pictures for a person to look at: a batch's content under its own heading, the nutrient
// sensitivity report with the energy row, windows tiled at 1024 × 768 and the dialogs at that
// size. Run by hand under a display:
//   VEXA_SCREENSHOTS=/some/folder LC_ALL=es_ES.UTF-8 xvfb-run -s '-screen 0 1024x768x24'
//       vexa_gui_tests --gtest_also_run_disabled_tests --gtest_filter='NumbersScreenshots*'
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
#include "workflows/restriction_dialogs.h"

namespace vexa::test {

TEST(NumbersScreenshots, DISABLED_BatchContentSensitivityAndTiledWindows) {
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
    w.setGeometry(0, 0, 1024, 768);
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
    {
        BatchSession session(*f->editor().mix(), *app.services());
        ASSERT_EQ(session.writeReport(1000, "1000", BatchBasis::AsFed, true), "");
    }
    f->action("&Cont. nutricional")->trigger();
    shoot(&w, "batch_content");
    f->action("Sensibilidad de &nutrientes")->trigger();
    shoot(&w, "nutrient_sensitivity");
    {
        NutrientRestrictionDialog d("Energía metabolizable", 3000.0, std::nullopt, &w);
        d.show();
        shoot(&d, "nutrient_restriction_dialog");
    }
    {
        BatchSession session(*f->editor().mix(), *app.services());
        BatchDialog d(session.table(), true, &w);
        d.show();
        shoot(&d, "batch_dialog");
    }
    {
        ElectrolyteDialog d(*app.workspace().database(), *app.services(), app.requestSink(), &w);
        d.show();
        shoot(&d, "electrolyte_dialog");
    }
    w.commands().action("acIns")->trigger();
    settle();
    w.commands().action("acPrec")->trigger();
    settle();
    w.commands().action("WindowTileHorizontal1")->trigger();
    shoot(&w, "tiled_horizontal");
    w.commands().action("WindowTileVertical1")->trigger();
    shoot(&w, "tiled_vertical");
    app.shutdown();
}

}  // namespace vexa::test
