// vexa: the desktop program.
#include <QApplication>
#include <QDir>
#include <QStandardPaths>

#include "catalog/click_sound.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "shell/application.h"
#include "shell/single_instance.h"
#include "store/settings.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Vexa 3.1");
    QApplication::setOrganizationName("Vexa");

    vexa::SingleInstance instance(vexa::SingleInstance::defaultName());
    if (!instance.claim()) return 0;  // the running program comes to the front

    vexa::QtDialogs dialogs;
    vexa::setDialogs(&dialogs);
    vexa::enableClickSound(true);

    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);

    int code = 0;
    try {
        vexa::AppFolders folders;
        folders.documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
        std::string config =
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString();
        folders.settingsFile =
            vexa::settingsFilePath(QCoreApplication::applicationDirPath().toStdString(), config);
        vexa::VexaApp vexaApp(folders);
        vexaApp.createSampleIfFirstStart();
        if (!vexaApp.openStartupWorkspace(args)) return 0;
        vexa::MainWindow& w = vexaApp.createMainWindow();
        dialogs.setParent(&w);
        QObject::connect(&instance, &vexa::SingleInstance::requestReceived, &w,
                         [&w](int c) { vexa::postRequest(&w, vexa::kAppCmdEvent, c, 0); });
        w.showMaximized();
        code = QApplication::exec();
        vexaApp.shutdown();
        vexa::setDialogs(nullptr);
    } catch (const std::exception& e) {
        dialogs.showError(e.what());
        vexa::setDialogs(nullptr);
        return 1;
    }
    return code;
}
