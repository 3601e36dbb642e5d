// Pictures of the main window and each catalogue window on the sample workspace, for a
// person to look at. Run by hand under a display:
//   VEXA_SCREENSHOTS=/some/folder xvfb-run vexa_gui_tests --gtest_also_run_disabled_tests
//       --gtest_filter='*Screenshots*'
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "catalog/ingredients_window.h"
#include "catalog/qt_dialogs.h"
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

// The save question on leaving a modified workspace, in Qt's own box: the whole screen with
// the question up, the box alone, and the program still there after Escape.
TEST(Screenshots, DISABLED_SaveQuestionWithCancel) {
    QString out = qEnvironmentVariable("VEXA_SCREENSHOTS");
    ASSERT_FALSE(out.isEmpty());
    QTemporaryDir tmp;
    QtDialogs dialogs;
    setDialogs(&dialogs);
    std::filesystem::path docs = std::filesystem::path(tmp.path().toStdString()) / "Documentos";
    std::filesystem::create_directories(docs);
    VexaApp app(AppFolders{docs, docs / "VEXA.INI"});
    app.createSampleIfFirstStart();
    ASSERT_TRUE(app.openStartupWorkspace({}));
    MainWindow& w = app.createMainWindow();
    dialogs.setParent(&w);
    w.resize(1000, 680);
    w.show();
    auto settle = [] {
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    };
    settle();
    app.workspace().setModified();
    bool seen = false;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || seen) return;
        seen = true;
        settle();
        QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/pregunta_guardar.png");
        box->grab().save(out + "/pregunta_guardar_caja.png");
        QTest::keyClick(box, Qt::Key_Escape);
    });
    poll.start();
    w.commands().action("acSalir")->trigger();
    poll.stop();
    settle();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(w.isVisible());
    QGuiApplication::primaryScreen()->grabWindow(0).save(out + "/tras_escape.png");
    app.workspace().vxf().DBModified = false;
    app.shutdown();
    setDialogs(nullptr);
}

}  // namespace vexa::test
