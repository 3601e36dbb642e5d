// The main window's tool bar, the help guide, the open-or-activate rule for a minimised
// window, and read-only mode across every catalogue window.
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <fstream>

#include "catalog/list_window.h"
#include "gui_fixture.h"
#include "reports/grid_export.h"
#include "shell/application.h"
#include "shell/help_guide.h"
#include "shell/settings_dialogs.h"
#include "store/settings.h"
#include "test_paths.h"

namespace vexa::test {

namespace fs = std::filesystem;

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        docs = fs::path(tmp.path().toStdString()) / "Documentos";
        fs::create_directories(docs);
        exportOpener() = nullptr;
    }
    void TearDown() override { SisOpc().RO = false; }
    // The sample workspace opened at start-up, with the main window shown.
    MainWindow& start() {
        app = std::make_unique<VexaApp>(AppFolders{docs, docs / "VEXA.INI"});
        app->createSampleIfFirstStart();
        EXPECT_TRUE(app->openStartupWorkspace({}));
        MainWindow& w = app->createMainWindow();
        w.show();
        settle();
        return w;
    }
    static void settle() {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    }
    QTemporaryDir tmp;
    fs::path docs;
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
    std::unique_ptr<VexaApp> app;
};

TEST_F(MainWindowFixture, ToolBarIconsAreAllFullSize) {
    MainWindow& w = start();
    auto* bar = w.findChild<QToolBar*>("toolBar");
    ASSERT_NE(bar, nullptr);
    int buttons = 0;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator()) continue;
        ++buttons;
        // A picture smaller than the bar's size would be drawn smaller than the others.
        EXPECT_EQ(a->icon().actualSize(bar->iconSize()), bar->iconSize()) << ss(a->objectName());
    }
    EXPECT_EQ(buttons, 4);
    app->shutdown();
}

TEST_F(MainWindowFixture, AMinimisedWindowIsMaximisedByItsCommand) {
    MainWindow& w = start();
    CommandModule& cm = w.commands();
    cm.action("acIns")->trigger();
    settle();
    cm.action("acNut")->trigger();
    settle();
    ChildWindow* nut = cm.slot(WindowKind::Nut);
    ASSERT_NE(nut, nullptr);
    QMdiSubWindow* frame = cm.frameOf(nut);
    frame->showMinimized();  // the user minimises the active window
    settle();
    ASSERT_TRUE(frame->isMinimized());
    EXPECT_TRUE(cm.action("acNut")->isEnabled());  // a minimised window holds nothing back
    cm.action("acNut")->trigger();
    settle();
    EXPECT_EQ(cm.slot(WindowKind::Nut), nut);  // the same window, not a new one
    EXPECT_TRUE(frame->isMaximized());
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_EQ(w.mdiArea()->activeSubWindow(), frame);
    EXPECT_EQ(w.mdiArea()->subWindowList().size(), 3);  // with the formulas of the start-up
    app->shutdown();
}

TEST_F(MainWindowFixture, HelpOpensTheGuideBesideTheProgramOrSaysItIsMissing) {
    MainWindow& w = start();
    CommandModule& cm = w.commands();
    std::vector<QUrl> opened;
    helpOpener() = [&](const QUrl& u) {
        opened.push_back(u);
        return true;
    };
    cm.programFolder = QString::fromStdString(docs.string());
    cm.action("HelpContents1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0].rfind("No existe el archivo de ayuda ", 0), 0u);
    EXPECT_TRUE(opened.empty());

    fs::create_directories(docs / "guia");
    std::ofstream(docs / "guia" / "index.html") << "<html></html>";
    const std::vector<std::pair<const char*, const char*>> pages = {
        {"HelpContents1", "contenido"}, {"HelpTopicSearch1", "indice"}, {"HelpOnHelp1", "ayuda"}};
    for (const auto& [command, fragment] : pages) {
        cm.action(command)->trigger();
        ASSERT_FALSE(opened.empty()) << command;
        EXPECT_EQ(opened.back().fragment(), fragment);
        EXPECT_EQ(fs::path(opened.back().toLocalFile().toStdString()),
                  fs::canonical(docs / "guia" / "index.html"));
    }
    EXPECT_EQ(dialogs.errors.size(), 1u);
    // No program for HTML: the user learns where the guide is instead of nothing happening.
    helpOpener() = [](const QUrl&) { return false; };
    cm.action("HelpContents1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 2u);
    EXPECT_EQ(dialogs.errors[1], "La guía del usuario está en " +
                                     fs::canonical(docs / "guia" / "index.html").string() +
                                     ", pero no hay un programa que pueda abrirla.");
    helpOpener() = [](const QUrl&) { return true; };
    app->shutdown();
}

TEST(HelpGuide, IsInstalledBesideTheProgramWithEveryPageTheCommandsOpen) {
    // The desktop program is built in the same folder as the command-line one.
    QString folder = QFileInfo(VEXA_CLI_PATH).absolutePath();
    QString guide = helpGuide(folder);
    ASSERT_FALSE(guide.isEmpty()) << ss(folder);
    QFile f(guide);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QString html = QString::fromUtf8(f.readAll());
    for (const char* id : {"contenido", "indice", "ayuda", "archivos", "nutrientes", "insumos",
                           "valores", "opciones"})
        EXPECT_TRUE(html.contains(QString("id=\"%1\"").arg(id))) << id;
}

namespace {

QByteArray fileHash(const fs::path& f) {
    QFile file(QString::fromStdString(f.string()));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Every row of the catalogue tables, in a fixed order.
std::string catalogueDump(Database& db) {
    std::string out;
    for (const char* sql : {"SELECT Codigo, Nombre, Unidad, Tipo, Orden FROM Nut ORDER BY Codigo",
                            "SELECT Codigo, Nombre, Redondeo FROM Ins ORDER BY Codigo",
                            "SELECT Ins, Nut, Valor FROM Val ORDER BY Ins, Nut",
                            "SELECT Cat, CNI FROM EN ORDER BY Cat, CNI",
                            "SELECT Cat, CNI FROM EI ORDER BY Cat, CNI"}) {
        Statement st = db.prepare(sql);
        while (st.step()) {
            for (int c = 0; c < st.columnCount(); ++c) out += st.getText(c) + '|';
            out += '\n';
        }
    }
    return out;
}

}  // namespace

TEST_F(MainWindowFixture, ReadOnlyModeDisablesEveryEditingCommandAndChangesNothing) {
    std::ofstream(docs / "VEXA.INI") << "[User]\nRO=7\n";
    MainWindow& w = start();
    ASSERT_TRUE(app->workspace().readOnly());
    // A maximised child window adds " - [its caption]" after the program's own caption.
    EXPECT_TRUE(w.windowTitle().endsWith(" [Sólo lectura] - [Fórmulas]")) << ss(w.windowTitle());
    fs::path vxf = app->workspace().currentFile();
    QByteArray before = fileHash(vxf);
    ASSERT_FALSE(before.isEmpty());
    Database& db = *app->workspace().database();
    const std::string data = catalogueDump(db);

    CommandModule& cm = w.commands();
    EXPECT_FALSE(cm.action("acNuevo")->isEnabled());
    EXPECT_FALSE(cm.action("acBDE")->isEnabled());
    EXPECT_TRUE(cm.action("acProp")->isEnabled());  // opens to be read

    const char* editing[] = {"DataSetEdit1",   "DataSetPost1",   "DataSetCancel1",
                             "DataSetInsert1", "DataSetDelete1", "acOrdenS",
                             "acOrdenB",       "acCopiar",       "acInsAll"};
    for (const char* command : {"acNut", "acIns", "acCN", "acCxN", "acPrec"}) {
        cm.action(command)->trigger();
        settle();
        auto* list = qobject_cast<ListWindow*>(w.mdiArea()->activeSubWindow()->widget());
        ASSERT_NE(list, nullptr) << command;
        ASSERT_GT(list->list().rowCount(), 0) << command;
        for (const char* name : editing) {
            QAction* a = list->action(name);
            if (a) {
                EXPECT_FALSE(a->isEnabled()) << command << name;
            }
        }
        // Reaching the list another way (keys, double-click) changes nothing either.
        list->list().first();
        EXPECT_FALSE(list->list().edit()) << command;
        EXPECT_FALSE(list->list().insert()) << command;
        EXPECT_FALSE(list->list().remove()) << command;
        list->list().doubleClick();
        EXPECT_FALSE(list->list().editing()) << command;
        // Viewing stays possible.
        EXPECT_TRUE(list->action("acEExport")->isEnabled()) << command;
    }

    PropertiesDialog d(app->workspace(), *app->services(), &w);
    EXPECT_TRUE(d.title->isReadOnly());
    EXPECT_TRUE(d.comment->isReadOnly());
    EXPECT_FALSE(d.price->isEnabled());
    EXPECT_FALSE(d.useDryMatter->isEnabled());
    EXPECT_FALSE(d.okButton->isEnabled());
    std::string title = app->workspace().title();
    d.title->setText("Cambiado");
    dialogs.yesNo = {true};
    d.accept();  // the Enter key's way in
    EXPECT_EQ(app->workspace().title(), title);
    EXPECT_TRUE(dialogs.questions.empty());  // no conversion offered

    EXPECT_EQ(catalogueDump(db), data);
    EXPECT_FALSE(app->workspace().modified());
    app->shutdown();
    EXPECT_TRUE(dialogs.questions.empty());  // nothing to save
    EXPECT_TRUE(dialogs.errors.empty());
    EXPECT_EQ(fileHash(vxf), before);
}

}  // namespace vexa::test
