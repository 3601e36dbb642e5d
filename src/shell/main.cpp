// vexa: the desktop program.
#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QPointer>
#include <QStandardPaths>
#include <QStringList>

#include "catalog/click_sound.h"
#include "catalog/dialogs.h"
#include "catalog/number_field.h"
#include "catalog/qt_dialogs.h"
#include "shell/application.h"
#include "shell/qt_spanish.h"
#include "shell/single_instance.h"
#include "store/name_order.h"
#include "store/settings.h"
#include "vexa_version.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(vexa::kProductTitle);
    QApplication::setApplicationVersion(vexa::kProductVersion);
    vexa::installQtSpanish(app);
    vexa::installKeypadDecimal(app);
    vexa::setReportNumberFormat(vexa::localeNumberFormat(QLocale()));
    // Names sort as the user's language orders them (Spanish: "Ñame" between N and O).
    static QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    vexa::setNameComparator([](std::string_view a, std::string_view b) {
        const int c = collator.compare(QString::fromUtf8(a.data(), qsizetype(a.size())),
                                       QString::fromUtf8(b.data(), qsizetype(b.size())));
        return c != 0 ? c : a.compare(b);
    });

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    vexa::SingleInstance instance(vexa::SingleInstance::defaultName());
    // A running program comes to the front and opens the file this start was given.
    if (!instance.claim(3, arguments.value(0))) return 0;

    // Files handed over while this program is still starting wait for the main window.
    QPointer<vexa::MainWindow> mainWindow;
    QStringList pendingFiles;
    QObject::connect(&instance, &vexa::SingleInstance::fileReceived, &app,
                     [&](const QString& file) {
                         if (mainWindow)
                             mainWindow->commands().openHandedOver(file);
                         else
                             pendingFiles << file;
                     });

    vexa::QtDialogs dialogs;
    vexa::setDialogs(&dialogs);
    vexa::enableClickSound(true);

    std::vector<std::string> args;
    for (const QString& a : arguments) args.push_back(a.toStdString());

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
        mainWindow = &w;
        for (const QString& f : std::exchange(pendingFiles, {})) w.commands().openHandedOver(f);
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
