#pragma once
// The long-lived parts of the desktop program, created in order at start-up and freed in
// reverse: workspace module, data-access services, command module and main window.
#include <QLocale>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

#include "catalog/qt_dialogs.h"
#include "catalog/request_event.h"
#include "engine/text_format.h"
#include "reports/report_module.h"
#include "shell/main_window.h"
#include "shell/vxf_workspace.h"
#include "store/settings.h"
#include "store/tdm.h"

namespace vexa {

// The separators and currency of the user's locale, for the %n and %m of report lines (what
// the user reads; stored numbers never depend on it).
NumberFormat localeNumberFormat(const QLocale& locale);

struct AppFolders {
    std::filesystem::path documents;
    std::filesystem::path settingsFile;  // VEXA.INI
};

class VexaApp {
public:
    explicit VexaApp(AppFolders folders);
    ~VexaApp();

    // First start with no workspace at all: the default workspace is the sample one.
    void createSampleIfFirstStart();
    // The start-up sequence; false when no workspace could be opened (the program ends).
    bool openStartupWorkspace(const std::vector<std::string>& args);
    // Creates the main window with every window kind registered, and posts "start-up done".
    MainWindow& createMainWindow();
    // Closes the workspace (with its save question) and the store's temporary tables.
    void shutdown();

    VxfWorkspace& workspace() { return *ws_; }
    MainWindow* mainWindow() { return main_.get(); }
    Tdm* services() { return dm_.get(); }
    QtRequestSink& requestSink() { return sink_; }
    const StandardFolders& folders() const { return folders_; }
    const std::filesystem::path& settingsFile() const { return settingsFile_; }

private:
    void connected(Database& db);
    void registerWindows(CommandModule& cm);
    void registerReports(CommandModule& cm);

    StandardFolders folders_;
    std::filesystem::path settingsFile_;
    std::filesystem::path launchFolder_;  // the current folder the program was started in
    std::unique_ptr<VxfWorkspace> ws_;
    std::unique_ptr<Tdm> dm_;
    std::unique_ptr<ReportModule> reports_;
    QtRequestSink sink_;
    std::unique_ptr<MainWindow> main_;
};

}  // namespace vexa
