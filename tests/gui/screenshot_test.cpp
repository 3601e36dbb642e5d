// Pictures of the main window and each catalogue window on the sample workspace, for a
// person to look at. Run by hand under a display:
//   VEXA_SCREENSHOTS=/some/folder xvfb-run vexa_gui_tests --gtest_also_run_disabled_tests
//       --gtest_filter='*Screenshots*'
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>

#include "catalog/ingredients_window.h"
#include "gui_fixture.h"
#include "reports/grid_export.h"
#include "shell/application.h"

namespace vexa::test {

TEST(Screenshots, DISABLED_MainWindowAndCatalogues) {
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
    w.resize(1200, 760);
    w.show();
    auto settle = [] {
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    };
    settle();
    w.grab().save(out + "/main.png");
    w.commands().action("acIns")->trigger();
    settle();
    if (auto* ins = qobject_cast<IngredientsWindow*>(w.commands().slot(WindowKind::Ins))) {
        ins->action("acVerCN")->trigger();
        settle();
        w.grab().save(out + "/lado_a_lado.png");
    }
    w.commands().closeAllChildren();
    settle();
    const std::vector<std::pair<const char*, const char*>> shots = {{"acNut", "nutrientes"},
                                                                    {"acIns", "insumos"},
                                                                    {"acCN", "valores_insumo"},
                                                                    {"acCxN", "valores_nutriente"},
                                                                    {"acPrec", "precios"}};
    for (const auto& [command, name] : shots) {
        QAction* a = w.commands().action(command);
        if (!a->isEnabled()) continue;
        a->trigger();
        settle();
        w.grab().save(out + "/" + name + ".png");
    }
    app.shutdown();
}

}  // namespace vexa::test
