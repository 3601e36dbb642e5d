#include "shell/application.h"

#include "reports/listado_export.h"

#include <QDir>
#include <QLocale>
#include <QPrintDialog>
#include <QPrinter>

#include "catalog/catalog_context.h"
#include "catalog/ingredients_window.h"
#include "catalog/nutrients_window.h"
#include "catalog/ratios_window.h"
#include "catalog/value_windows.h"
#include "reports/grid_export.h"
#include "shell/about_dialog.h"
#include "shell/formula_editor_hook.h"
#include "store/shared_db_procs.h"
#include "shell/formula_lists.h"
#include "shell/mix_commands.h"
#include "shell/settings_dialogs.h"
#include "shell/startup.h"
#include "store/container/signal_cleanup.h"
#include "store/sample_workspace.h"

namespace vexa {

namespace fs = std::filesystem;

NumberFormat localeNumberFormat(const QLocale& locale) {
    NumberFormat nf;
    nf.decimalSeparator = locale.decimalPoint().toStdString();
    nf.thousandsSeparator = locale.groupSeparator().toStdString();
    const QString symbol = locale.currencySymbol();
    if (!symbol.isEmpty()) nf.currencySymbol = symbol.toStdString();
    return nf;
}

VexaApp::VexaApp(AppFolders f) : settingsFile_(f.settingsFile) {
    StandardFolders sf = standardFolders(CarpetaDocumentos(f.documents));
    folders_ = sf;
    SisOpc() = LeerOpciones(settingsFile_, sf.documents);
    // SIGTERM and SIGINT remove the working folder and the lock of the open workspace.
    vxf::installSignalCleanup();
    std::error_code ec;
    launchFolder_ = fs::current_path(ec);
    fs::create_directories(sf.workRoot, ec);
    fs::create_directories(sf.temp, ec);
    fs::create_directories(SisOpc().VXFPath, ec);
    // The default workspace file is named relative to the workspace folder.
    fs::current_path(SisOpc().VXFPath, ec);
    gridExportFolder() = QString::fromStdString(SisOpc().RepPath);

    WorkspaceSettings ws;
    ws.workRoot = sf.workRoot;
    ws.vxfPath = SisOpc().VXFPath;
    ws.documents = sf.documents;
    ws.privateFolder = sf.temp;
    ws.readOnly = SisOpc().RO;
    ws.userName = SisOpc().Nombre;
    ws_ = std::make_unique<VxfWorkspace>(ws);
    ws_->afterOpen = [this](Database& db) { connected(db); };
}

VexaApp::~VexaApp() {
    main_.reset();
    CatalogContext& ctx = catalogContext();
    ctx.db = nullptr;
    ctx.dm = nullptr;
    ctx.markModified = nullptr;
    ctx.props = nullptr;
    setRequests(nullptr);
}

void VexaApp::connected(Database& db) {
    if (!dm_) dm_ = std::make_unique<Tdm>(db, ws_->vxf().DBDef);
    dm_->onModified = [this] { ws_->setModified(); };
    dm_->AbrirTablas();
    CatalogContext& ctx = catalogContext();
    ctx.db = &db;
    ctx.dm = dm_.get();
    ctx.markModified = [this] { ws_->setModified(); };
    ctx.props = [this] { return ws_->props(); };
    ctx.nutrientsChanged = ctx.ingredientsChanged = ctx.sideBySide = false;
}

void VexaApp::createSampleIfFirstStart() {
    fs::path folder = SisOpc().VXFPath;
    std::error_code ec;
    if (SisOpc().VXFFile.empty()) return;
    fs::path target = fs::path(SisOpc().VXFFile).is_absolute() ? fs::path(SisOpc().VXFFile)
                                                               : folder / SisOpc().VXFFile;
    if (fs::exists(target, ec)) return;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::string ext = e.path().extension().string();
        for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (ext == ".vxf") return;  // the user has workspaces of their own
    }
    try {
        ws_->vxf().CrearVXF(target,
                            [](Database& db, TDBDef& def) { fillSampleWorkspace(db, def); });
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
    }
}

bool VexaApp::openStartupWorkspace(const std::vector<std::string>& args) {
    // A file named on the command line is relative to where the program was started, not to
    // the workspace folder it stands in now.
    std::vector<std::string> files = args;
    if (!files.empty() && fs::path(files.front()).is_relative() && !launchFolder_.empty())
        files.front() = (launchFolder_ / files.front()).lexically_normal().string();
    // Unsaved work of a session that ended without closing comes first: recovered, it is
    // the workspace this session starts with.
    if (ws_->offerRecovery()) return true;
    return vexa::openStartupWorkspace(files, SisOpc().VXFFile, *ws_);
}

MainWindow& VexaApp::createMainWindow() {
    main_ = std::make_unique<MainWindow>(*ws_);
    main_->setWindowTitle(kAppTitle);
    main_->userName = [] { return QString::fromStdString(SisOpc().Nombre); };
    main_->company = [] { return QString::fromStdString(SisOpc().Compania); };
    main_->readOnly = [] { return SisOpc().RO; };
    sink_.setTarget(main_.get());
    setRequests(&sink_);
    ws_->ui().shell = main_.get();
    registerWindows(main_->commands());
    postRequest(main_.get(), kAppCmdEvent, kAppStartupDone, 0);
    return *main_;
}

void VexaApp::registerWindows(CommandModule& cm) {
    cm.registerWindow(WindowKind::Nut,
                      [this] { return new NutrientsWindow(*catalogContext().db, *dm_, sink_); });
    cm.registerWindow(WindowKind::Rel,
                      [this] { return new RatiosWindow(*catalogContext().db, *dm_, sink_); });
    cm.registerWindow(WindowKind::Ins,
                      [this] { return new IngredientsWindow(*catalogContext().db, *dm_, sink_); });
    cm.registerWindow(WindowKind::Vals, [this] {
        return new IngredientValuesWindow(*catalogContext().db, *dm_, sink_);
    });
    cm.registerWindow(WindowKind::ValN, [this] {
        return new NutrientValuesWindow(*catalogContext().db, *dm_, sink_);
    });
    registerFormulaLists(cm, sink_);
    auto databaseName = [this] { return NombreBD(ws_->vxf().DBDef, ws_->vxf().CurrentVXF); };
    registerMixCommands(cm, sink_, databaseName);
    registerFormulaEditor(cm, sink_, databaseName,
                          [&cm](FormulaWindow& w) { connectFormulaEditor(cm, w); });
    cm.setHandler("acAcerca", [this] {
        QLocale shown;  // the user's decimal separator, no thousands: "1030,04"
        shown.setNumberOptions(QLocale::OmitGroupSeparator);
        AboutDialog d(shown.toString(ws_->version(), 'f', 2),
                      QString::fromStdString(SisOpc().Nombre),
                      QString::fromStdString(SisOpc().Compania), main_.get());
        d.exec();
    });
    cm.setHandler("acPrtSetup", [this] {
        static QPrinter printer;
        QPrintDialog d(&printer, main_.get());
        d.exec();
    });
    cm.setHandler("acSisOpc", [this] {
        if (showSystemOptions(main_.get())) {
            GuardarOpciones(settingsFile_, SisOpc());
            gridExportFolder() = QString::fromStdString(SisOpc().RepPath);
        }
    });
    cm.setHandler("acProp", [this] { showDatabaseProperties(*ws_, *dm_, main_.get()); });
    registerReports(cm);
}

void VexaApp::registerReports(CommandModule& cm) {
    reports_ = std::make_unique<ReportModule>(ReportModule::Source{
        [this] { return ws_->connected() ? ws_->database() : nullptr; },
        [this] {
            TDBDef d;
            d.Nombre = ws_->title();
            d.Precio = ws_->props().Precio;
            d.MS = ws_->props().MS;
            return d;
        },
        [] {
            return QString::fromStdString(SisOpc().Nombre.empty() ? systemUserName()
                                                                  : SisOpc().Nombre);
        },
        [] { return QString::fromStdString(SisOpc().RepPath); }});
    reports_->writeMissingTemplates(main_.get());
    for (const ReportCommand& c : reportCommands())
        cm.setHandler(QString::fromUtf8(c.action),
                      [this, tag = c.tag] { reports_->run(tag, main_.get()); });
    reportCommandRunner() = [this](int tag, QWidget* parent) { reports_->run(tag, parent); };
    cm.setHandler("acListDB", [this] {
        if (Database* db = ws_->connected() ? ws_->database() : nullptr)
            runListadoBaseDatos(*db, QString::fromStdString(ws_->title()), gridExportFolder(),
                                main_.get());
    });
}

void VexaApp::shutdown() {
    if (main_) main_->close();
    ws_->vxf().Terminar();
}

}  // namespace vexa
