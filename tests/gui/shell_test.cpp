// The desktop frame: start-up, window slots, activation, caption, companions, export.
#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "catalog/catalog_context.h"
#include "catalog/ingredients_window.h"
#include "catalog/nutrients_window.h"
#include "shell/settings_dialogs.h"
#include "catalog/value_windows.h"
#include "gui_fixture.h"
#include "reports/grid_export.h"
#include "shell/application.h"
#include "catalog/mdi_tiling.h"
#include "shell/companions.h"
#include "shell/settings_logic.h"
#include "shell/single_instance.h"
#include "shell/startup.h"
#include "store/sample_workspace.h"

namespace vexa::test {

namespace fs = std::filesystem;

class ShellFixture : public ::testing::Test {
protected:
    void SetUp() override {
        docs = fs::path(tmp.path().toStdString()) / "Documentos";
        fs::create_directories(docs);
        exportOpener() = nullptr;
    }
    std::unique_ptr<VexaApp> makeApp() {
        return std::make_unique<VexaApp>(AppFolders{docs, docs / "VEXA.INI"});
    }
    fs::path sample(VexaApp& app, const std::string& name) {
        fs::path f = fs::path(SisOpc().VXFPath) / name;
        app.workspace().vxf().CrearVXF(
            f, [](Database& db, TDBDef& def) { fillSampleWorkspace(db, def); });
        return f;
    }
    int count(VexaApp& app, const std::string& sql) {
        Statement st = app.workspace().database()->prepare(sql);
        return st.step() ? st.getInt(0) : -1;
    }
    QTemporaryDir tmp;
    fs::path docs;
    ScriptedDialogs dialogs;
    DialogsScope scope{dialogs};
};

TEST_F(ShellFixture, StartupOpensTheCommandLineFile) {
    auto app = makeApp();
    fs::path f = sample(*app, "Granja.vxf");
    EXPECT_TRUE(app->openStartupWorkspace({f.string()}));
    EXPECT_EQ(app->workspace().currentFile(), f.string());
    EXPECT_TRUE(dialogs.errors.empty());
    app->shutdown();
}

TEST_F(ShellFixture, StartupTakesARelativeFileFromWhereTheProgramWasStarted) {
    // `vexa Granja.vxf` typed in a folder of the user's: the program then moves to the
    // workspace folder, but the name still means the file where it was typed.
    const fs::path here = docs / "Escritorio";
    fs::create_directories(here);
    fs::current_path(here);
    auto app = makeApp();
    fs::current_path(fs::temp_directory_path());
    app->workspace().vxf().CrearVXF(
        here / "Granja.vxf", [](Database& db, TDBDef& def) { fillSampleWorkspace(db, def); });
    EXPECT_TRUE(app->openStartupWorkspace({"Granja.vxf"}));
    EXPECT_EQ(app->workspace().currentFile(), (here / "Granja.vxf").string());
    EXPECT_TRUE(dialogs.errors.empty());
    app->shutdown();
}

TEST_F(ShellFixture, StartupFallsBackFromABadFileToTheDefaultWorkspace) {
    auto app = makeApp();
    app->createSampleIfFirstStart();  // first start: the default file is the sample workspace
    EXPECT_TRUE(app->openStartupWorkspace({(docs / "no_existe.vxf").string()}));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_NE(dialogs.errors[0].find("No existe el archivo "), std::string::npos);
    EXPECT_EQ(fs::path(app->workspace().currentFile()).filename(), "Vexa30.VXF");
    EXPECT_GT(count(*app, "SELECT COUNT(*) FROM Ins"), 10);
    app->shutdown();
}

TEST_F(ShellFixture, StartupWithEverythingCancelledEnds) {
    auto app = makeApp();
    EXPECT_FALSE(app->openStartupWorkspace({}));
    EXPECT_EQ(dialogs.fileTitles,
              (std::vector<std::string>{"Abrir base de datos", "Nueva base de datos"}));
    EXPECT_FALSE(app->workspace().connected());
}

// The working folder of a session that ended without closing, as a killed program leaves
// it: its mark names a process that no longer runs.
void orphanWorkingFolders(const fs::path& workRoot) {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    for (const auto& e : fs::directory_iterator(workRoot)) {
        const std::string name = e.path().filename().string();
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".pid") != 0) continue;
        std::ifstream in(e.path());
        std::string pid, rest((std::istreambuf_iterator<char>(in.ignore(64, '\n'))), {});
        std::ofstream(e.path(), std::ios::trunc) << child << '\n' << rest;
    }
}

TEST_F(ShellFixture, StartupOffersBackTheUnsavedChangesOfASessionThatDied) {
    fs::path f, workRoot;
    {
        auto app = makeApp();
        workRoot = app->workspace().vxf().settings().workRoot;
        f = sample(*app, "Granja.vxf");
        ASSERT_TRUE(app->openStartupWorkspace({f.string()}));
        app->workspace().database()->exec("INSERT INTO Ins (Nombre) VALUES ('Sorgo rescatado')");
        app->workspace().setDescription("Granja rescatada", "Dra. Pérez", "");
        app->workspace().setModified();
        // Gone without a close, as after a crash.
    }
    orphanWorkingFolders(workRoot);
    dialogs.choices = {0};  // "&Recuperar"
    auto app = makeApp();
    ASSERT_TRUE(app->openStartupWorkspace({}));
    ASSERT_EQ(dialogs.choiceButtons.size(), 1u);
    EXPECT_EQ(dialogs.choiceButtons[0],
              (std::vector<std::string>{"&Recuperar", "&Guardar como archivo...", "&Descartar",
                                        "&Más tarde"}));
    EXPECT_NE(dialogs.questions.back().find(
                  "Se encontraron cambios sin guardar de una sesión anterior de " + f.string()),
              std::string::npos);
    EXPECT_EQ(app->workspace().currentFile(), f.string());
    EXPECT_TRUE(app->workspace().modified());
    EXPECT_EQ(count(*app, "SELECT COUNT(*) FROM Ins WHERE Nombre = 'Sorgo rescatado'"), 1);
    EXPECT_EQ(app->workspace().title(), "Granja rescatada");
    MainWindow& w = app->createMainWindow();
    for (int i = 0; i < 2; ++i) QCoreApplication::processEvents();  // start-up, then caption
    EXPECT_TRUE(w.windowTitle().startsWith(QString(kAppTitle) + " - ")) << ss(w.windowTitle());
    dialogs.yesNoCancel = {Dialogs::Answer::Yes};  // save at the close
    app->shutdown();
    EXPECT_TRUE(dialogs.errors.empty()) << dialogs.errors.front();
}

TEST_F(ShellFixture, WindowCommandsOpenOrActivateAndFollowActivation) {
    auto app = makeApp();
    app->createSampleIfFirstStart();
    ASSERT_TRUE(app->openStartupWorkspace({}));
    MainWindow& w = app->createMainWindow();
    w.show();
    QCoreApplication::processEvents();
    CommandModule& cm = w.commands();
    QAction* nut = cm.action("acNut");
    ASSERT_TRUE(nut->isEnabled());
    nut->trigger();
    QCoreApplication::processEvents();
    ChildWindow* first = cm.slot(WindowKind::Nut);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(nut->isEnabled());  // disabled while its window is active
    cm.action("acIns")->trigger();
    QCoreApplication::processEvents();
    EXPECT_TRUE(nut->isEnabled());
    EXPECT_FALSE(cm.action("acIns")->isEnabled());
    nut->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(cm.slot(WindowKind::Nut), first);
    // The formulas window that opened at start-up, and these two.
    EXPECT_EQ(w.mdiArea()->subWindowList().size(), 3);
    EXPECT_EQ(w.mdiArea()->activeSubWindow()->widget(), first);
    // The record menu sits before "&Reportes".
    QStringList titles;
    for (QAction* a : w.menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles.indexOf("Registro") + 1, titles.indexOf("&Reportes"));
    // Closing and choosing again gives a fresh window.
    QPointer<ChildWindow> old = first;
    cm.frameOf(first)->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_TRUE(old.isNull());
    EXPECT_EQ(cm.slot(WindowKind::Nut), nullptr);
    nut->trigger();
    QCoreApplication::processEvents();
    EXPECT_NE(cm.slot(WindowKind::Nut), nullptr);
    // Later windows are present and disabled.
    for (const char* n : {"acLR", "acCat", "acBDE", "acMM", "acMMI"})
        EXPECT_TRUE(cm.action(n)->isEnabled()) << n;
    // The report commands are there from the start.
    for (const char* n : {"acRepNut", "acRepForx1", "acListDB"})
        EXPECT_TRUE(cm.action(n)->isEnabled()) << n;
    app->shutdown();
    EXPECT_TRUE(w.mdiArea()->subWindowList().isEmpty());
}

TEST_F(ShellFixture, PricesSelectThePriceItemAndASaveClosesBothValueWindows) {
    auto app = makeApp();
    app->createSampleIfFirstStart();
    ASSERT_TRUE(app->openStartupWorkspace({}));
    MainWindow& w = app->createMainWindow();
    w.show();
    CommandModule& cm = w.commands();
    cm.action("acPrec")->trigger();
    QCoreApplication::processEvents();
    auto* valn = qobject_cast<NutrientValuesWindow*>(cm.slot(WindowKind::ValN));
    ASSERT_NE(valn, nullptr);
    EXPECT_EQ(valn->values().selected(), app->workspace().props().Precio);
    EXPECT_EQ(valn->selector()->count(), 1);  // only price items
    EXPECT_GT(valn->values().rowCount(), 10);
    valn->selector()->setCurrentIndex(0);
    cm.action("acCN")->trigger();
    QCoreApplication::processEvents();
    ASSERT_NE(cm.slot(WindowKind::Vals), nullptr);
    cm.action("acCxN")->trigger();  // the same window, selection unchanged
    QCoreApplication::processEvents();
    EXPECT_EQ(cm.slot(WindowKind::ValN), valn);
    EXPECT_EQ(valn->values().selected(), app->workspace().props().Precio);
    app->workspace().save();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_EQ(cm.slot(WindowKind::Vals), nullptr);
    EXPECT_EQ(cm.slot(WindowKind::ValN), nullptr);
    // Only the formulas window of the start-up is left.
    ASSERT_EQ(w.mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(w.mdiArea()->subWindowList()[0]->widget(), cm.slot(WindowKind::LR));
    // The next "Contenido por nutriente" lists every nutrient again.
    cm.action("acCxN")->trigger();
    QCoreApplication::processEvents();
    auto* again = qobject_cast<NutrientValuesWindow*>(cm.slot(WindowKind::ValN));
    ASSERT_NE(again, nullptr);
    EXPECT_GT(again->selector()->count(), 5);
    app->shutdown();
}

TEST_F(ShellFixture, ContentOfAnIngredientSideBySideOnlyWhenAlone) {
    auto app = makeApp();
    app->createSampleIfFirstStart();
    ASSERT_TRUE(app->openStartupWorkspace({}));
    MainWindow& w = app->createMainWindow();
    w.resize(1000, 700);
    w.show();
    CommandModule& cm = w.commands();
    cm.action("acIns")->trigger();
    QCoreApplication::processEvents();
    auto* ins = qobject_cast<IngredientsWindow*>(cm.slot(WindowKind::Ins));
    ASSERT_NE(ins, nullptr);
    ins->ingredients().setCurrent(3);
    int code = ins->ingredients().currentCode();
    ins->action("acVerCN")->trigger();
    QCoreApplication::processEvents();
    auto* vals = qobject_cast<IngredientValuesWindow*>(cm.slot(WindowKind::Vals));
    ASSERT_NE(vals, nullptr);
    EXPECT_EQ(vals->values().selected(), code);
    EXPECT_TRUE(ins->sideBySide());
    QMdiSubWindow* a = cm.frameOf(ins);
    QMdiSubWindow* b = cm.frameOf(vals);
    EXPECT_FALSE(a->isMaximized());
    EXPECT_FALSE(b->isMaximized());
    EXPECT_FALSE(a->geometry().intersects(b->geometry()));
    EXPECT_EQ(a->geometry().top(), b->geometry().top());  // side by side
    // The values follow the ingredient list.
    ins->grid()->setCurrentIndex(ins->model()->index(5, 0));
    QCoreApplication::processEvents();
    EXPECT_EQ(vals->values().selected(), ins->ingredients().currentCode());
    // Closing the values window takes the ingredients window out of the mode.
    b->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ins->sideBySide());
    // With another window open, the content opens maximised instead.
    cm.action("acNut")->trigger();
    QCoreApplication::processEvents();
    cm.openOrActivate(WindowKind::Ins);
    ins->action("acVerCN")->trigger();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ins->sideBySide());
    app->shutdown();
}

TEST_F(ShellFixture, ValuesAndStatusBarShowWhatTheWorkspaceHolds) {
    auto app = makeApp();
    app->createSampleIfFirstStart();
    ASSERT_TRUE(app->openStartupWorkspace({}));
    MainWindow& w = app->createMainWindow();
    w.show();
    CommandModule& cm = w.commands();
    cm.action("acIns")->trigger();
    QCoreApplication::processEvents();
    auto* ins = qobject_cast<IngredientsWindow*>(cm.slot(WindowKind::Ins));
    ASSERT_NE(ins, nullptr);
    ins->ingredients().setCurrent(3);
    const int deleted = ins->ingredients().currentCode();
    ins->action("acVerCN")->trigger();
    QCoreApplication::processEvents();
    auto* vals = qobject_cast<IngredientValuesWindow*>(cm.slot(WindowKind::Vals));
    ASSERT_NE(vals, nullptr);
    ASSERT_TRUE(ins->sideBySide());
    ASSERT_EQ(vals->values().selected(), deleted);
    // Deleting the ingredient beside its values: the values move on with the list.
    dialogs.yesNo = {true};
    ins->action("DataSetDelete1")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(count(*app, "SELECT COUNT(*) FROM Ins WHERE Codigo = " + std::to_string(deleted)), 0);
    EXPECT_NE(vals->values().selected(), deleted);
    EXPECT_EQ(vals->values().selected(), ins->ingredients().currentCode());
    EXPECT_EQ(vals->selector()->findData(deleted), -1);
    EXPECT_EQ(vals->selector()->currentData().toInt(), ins->ingredients().currentCode());

    // "Guardar como...": caption and status bar name the new file.
    w.refreshCaption();
    const fs::path copy = docs / "Copia de Granja.vxf";
    dialogs.files = {copy.string()};
    cm.action("acGuardarcomo")->trigger();
    QCoreApplication::processEvents();
    ASSERT_EQ(app->workspace().currentFile(), copy.string());
    EXPECT_EQ(w.statusText(2).toStdString(), copy.string());
    app->shutdown();
}

TEST_F(ShellFixture, PropertiesChangeTheCaptionAtOnceAndTheFileOnlyOnSave) {
    auto app = makeApp();
    app->createSampleIfFirstStart();
    ASSERT_TRUE(app->openStartupWorkspace({}));
    MainWindow& w = app->createMainWindow();
    QCoreApplication::processEvents();
    PropertiesDialog d(app->workspace(), *app->services(), &w);
    EXPECT_FALSE(d.dryMatterRow->isHidden() && d.useDryMatter->isChecked());
    d.useDryMatter->setChecked(false);
    EXPECT_TRUE(d.dryMatterRow->isHidden());
    EXPECT_FALSE(d.fresh->parentWidget()->isEnabled());
    d.title->setText("Granja Norte");
    d.accept();
    QCoreApplication::processEvents();
    EXPECT_EQ(w.windowTitle(), "Vexa 3.1 - Granja Norte");
    EXPECT_TRUE(dialogs.questions.empty());    // no conversion without dry-matter values
    EXPECT_TRUE(app->workspace().modified());  // so that closing offers to keep the change
    dialogs.yesNo = {false, false};
    SisOpc().RO = true;
    w.refreshCaption();
    EXPECT_EQ(w.windowTitle(), "Vexa 3.1 - Granja Norte [Sólo lectura]");
    SisOpc().RO = false;
    app->shutdown();
}

TEST(Caption, TitleFileAndReadOnly) {
    EXPECT_EQ(mainCaption("Granja", "/d/Granja.vxf", false), "Vexa 3.1 - Granja");
    EXPECT_EQ(mainCaption("", "/d/Mi base.vxf", false), "Vexa 3.1 - /d/Mi base");
    EXPECT_EQ(mainCaption("Granja", "/d/Granja.vxf", true), "Vexa 3.1 - Granja [Sólo lectura]");
}

TEST(SingleInstanceTest, SecondStartHandsOverCodeThree) {
    QString name = QString("vexa-test-%1").arg(QCoreApplication::applicationPid());
    SingleInstance first(name);
    ASSERT_TRUE(first.claim());
    QSignalSpy spy(&first, &SingleInstance::requestReceived);
    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
    ASSERT_TRUE(spy.wait(2000));
    EXPECT_EQ(spy.takeFirst().at(0).toInt(), 3);
}

TEST_F(ShellFixture, CompanionsAreLookedUpBesideTheProgram) {
    auto app = makeApp();
    fs::path f = sample(*app, "Granja.vxf");
    ASSERT_TRUE(app->openStartupWorkspace({f.string()}));
    MainWindow& w = app->createMainWindow();
    CommandModule& cm = w.commands();
    cm.programFolder = tmp.path();
    QStringList launched;
    companionLauncher() = [&](const QString& p, const QStringList& args) {
        launched << p << args;
        return true;
    };
    cm.action("acLotes")->trigger();
    cm.action("acImport")->trigger();
    EXPECT_EQ(dialogs.errors, (std::vector<std::string>{"No existe el programa Lotexa.Exe",
                                                        "No existe el programa kel2db.Exe"}));
    QFile exe(tmp.filePath("Lotexa"));
    ASSERT_TRUE(exe.open(QIODevice::WriteOnly));
    exe.close();
    exe.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    dialogs.yesNo = {false};
    cm.action("acLotes")->trigger();
    EXPECT_TRUE(launched.isEmpty());
    QSignalSpy quit(&cm, &CommandModule::quitRequested);
    dialogs.yesNo = {true};
    cm.action("acLotes")->trigger();
    EXPECT_EQ(launched, (QStringList{exe.fileName(), QString::fromStdString(f.string())}));
    EXPECT_EQ(quit.count(), 1);
    EXPECT_EQ(dialogs.questions.back(),
              "Esta operación cerrará la aplicación. ¿Desea terminar la sesión?");
    // A hand-off with the offer flag at 0 only releases the block.
    ASSERT_TRUE(cm.shareImport().create(1));
    ASSERT_TRUE(ShareImport::writeAsConverter("ShareImport", "/x/Nueva.vxf", false));
    size_t asked = dialogs.questions.size();
    cm.importHandOff();
    EXPECT_EQ(dialogs.questions.size(), asked);
    EXPECT_FALSE(cm.shareImport().isOpen());
    companionLauncher() = [](const QString& p, const QStringList& a) {
        return QProcess::startDetached(p, a);
    };
    app->shutdown();
}

TEST_F(CatalogFixture, BasisConversionOfTheWholeDatabase) {
    dm->AgregarNutriente("Materia seca", "%", 1, 2, 0);
    dm->AgregarNutriente("Proteína", "%", 2, 0, 0);
    dm->AgregarNutriente("Precio", "$", 3, 1, 0);
    dm->AgregarInsumo("Maíz", "0", 0);
    dm->AgregarInsumo("Sin MS", "0", 0);
    db.exec(
        "INSERT INTO Val VALUES (1, 1, 88); INSERT INTO Val VALUES (1, 2, 17.6);"
        "INSERT INTO Val VALUES (1, 3, 250); INSERT INTO Val VALUES (2, 2, 5);");
    int steps = 0;
    convertBasis(db, *dm, 1, true, [&](int, int total) { steps += total; });
    auto val = [&](int ins, int nut) {
        Statement st = db.prepare("SELECT Valor FROM Val WHERE Ins = :I AND Nut = :N");
        st.bind("I", ins).bind("N", nut);
        return st.step() ? st.getDouble(0) : -1;
    };
    EXPECT_DOUBLE_EQ(val(1, 2), 20.0006);
    EXPECT_DOUBLE_EQ(val(1, 1), 88);
    EXPECT_DOUBLE_EQ(val(1, 3), 250);
    EXPECT_DOUBLE_EQ(val(2, 2), 5);
    EXPECT_EQ(steps, 1);
    convertBasis(db, *dm, 1, false);
    EXPECT_DOUBLE_EQ(val(1, 2), 17.6005);
    EXPECT_EQ(databaseInfoText(db),
              "La base de datos contiene:\n * 3 nutrientes\n * 2 insumos\n * 0 grupos\n * 0 "
              "fórmulas\n * 0 mezclas manuales\n");
}

TEST_F(CatalogFixture, GridExportWritesAWorkbookNamedByTheDayNumber) {
    QDateTime t(QDate(2026, 12, 10), QTime(12, 0, 0));
    EXPECT_EQ(gridExportFileName(t), "VexaRep46366.5.xlsx");
    EXPECT_NE(gridExportFileName(t), gridExportFileName(t.addSecs(1)));
    seed();
    QString opened;
    exportOpener() = [&](const QString& f) {
        opened = f;
        return true;
    };
    gridExportFolder() = tmp.filePath("Reportes");
    NutrientsWindow w(db, *dm, sink);
    QString file = w.exportToExcel();
    EXPECT_FALSE(file.isEmpty());
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(opened, file);
    EXPECT_TRUE(QFileInfo(file).fileName().startsWith("VexaRep"));
    // Written, but nothing can open it: the user is told where it is.
    exportOpener() = [](const QString&) { return false; };
    QString unopened = w.exportToExcel();
    EXPECT_TRUE(QFile::exists(unopened));
    ASSERT_EQ(dialogs.errors.size(), 1u);
    EXPECT_EQ(dialogs.errors[0], "La hoja de cálculo se guardó en " + unopened.toStdString() +
                                     ", pero no hay un programa que pueda abrirla.");
    gridExportFolder() = "/proc/no/such/folder";
    EXPECT_TRUE(w.exportToExcel().isEmpty());
    EXPECT_EQ(dialogs.errors.size(), 2u);
    w.close();
}

}  // namespace vexa::test

namespace vexa::test {

TEST_F(ShellFixture, OptionsStoreOnlyOnAccept) {
    auto app = makeApp();
    VexaSisOpc before = SisOpc();
    {
        OptionsDialog d;
        d.user->setText("Ana");
        d.readOnly->setChecked(true);
        d.reject();
    }
    EXPECT_EQ(SisOpc().Nombre, before.Nombre);
    EXPECT_FALSE(SisOpc().RO);
    OptionsDialog d;
    EXPECT_EQ(d.user->maxLength(), 50);
    EXPECT_TRUE(d.vxfPath->isReadOnly());  // folders come from the picker only
    d.user->setText("Ana");
    d.company->setText("Avícola del Sur");
    d.readOnly->setChecked(true);
    d.accept();
    EXPECT_EQ(SisOpc().Nombre, "Ana");
    EXPECT_EQ(SisOpc().Compania, "Avícola del Sur");
    EXPECT_TRUE(SisOpc().RO);
    SisOpc() = before;
}

// A workspace whose close can fail, as when the save the user asked for fails.
class FakeWorkspace : public WorkspaceService {
public:
    bool closeSucceeds = false;
    bool isOpen = true;
    int closes = 0;
    bool open(const std::string&) override { return false; }
    bool openWithDialog() override { return false; }
    bool createWithDialog() override { return false; }
    void save() override {}
    void saveAs() override {}
    bool close() override {
        ++closes;
        if (closeSucceeds) isOpen = false;
        return closeSucceeds;
    }
    bool connected() const override { return isOpen; }
    Database* database() override { return nullptr; }
    std::string currentFile() const override { return "/d/Granja.vxf"; }
    std::string title() const override { return ""; }
    std::string author() const override { return ""; }
    std::string comment() const override { return ""; }
    double version() const override { return 1030.04; }
    WorkspaceProps props() const override { return {}; }
    void setDescription(const std::string&, const std::string&, const std::string&) override {}
    void setProps(const WorkspaceProps&) override {}
    bool modified() const override { return true; }
    void setModified() override {}
};

TEST(MainWindowClose, KeepsTheProgramWhenTheWorkspaceCouldNotBeClosed) {
    FakeWorkspace ws;
    MainWindow w(ws);
    w.show();
    w.refreshCaption();
    EXPECT_EQ(w.windowTitle(), "Vexa 3.1 - /d/Granja");
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    ws.closeSucceeds = true;
    EXPECT_TRUE(w.close());
    EXPECT_EQ(ws.closes, 2);
}

}  // namespace vexa::test

namespace vexa::test {

TEST(Tiling, VerticalSideBySideHorizontalStacked) {
    QRect area(0, 0, 1000, 600);
    auto v = tileRects(2, area, true);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0], QRect(0, 0, 500, 600));
    EXPECT_EQ(v[1], QRect(500, 0, 500, 600));
    auto h = tileRects(3, area, false);
    EXPECT_EQ(h[0], QRect(0, 0, 1000, 200));
    EXPECT_EQ(h[2], QRect(0, 400, 1000, 200));
    // Many windows form a grid that covers the area without overlap.
    auto g = tileRects(7, area, true);
    ASSERT_EQ(g.size(), 7u);
    int covered = 0;
    for (size_t i = 0; i < g.size(); ++i) {
        covered += g[i].width() * g[i].height();
        for (size_t j = i + 1; j < g.size(); ++j) EXPECT_FALSE(g[i].intersects(g[j]));
    }
    EXPECT_EQ(covered, 1000 * 600);
    EXPECT_TRUE(tileRects(0, area, true).empty());
}

TEST_F(ShellFixture, WindowMenuListsTheOpenWindowsAndImportOffersToOpen) {
    auto app = makeApp();
    app->createSampleIfFirstStart();
    fs::path other = sample(*app, "Importado.vxf");
    ASSERT_TRUE(app->openStartupWorkspace({}));
    MainWindow& w = app->createMainWindow();
    w.show();
    CommandModule& cm = w.commands();
    cm.action("acNut")->trigger();
    cm.action("acIns")->trigger();
    QCoreApplication::processEvents();
    QMenu* menu = w.menu("&Ventana");
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    QStringList entries;
    for (QAction* a : menu->actions())
        if (a->property("windowEntry").toBool() && !a->isSeparator()) entries << a->text();
    EXPECT_EQ(entries, (QStringList{"&1 Nutrientes", "&2 Insumos"}));
    // The converter hands over a file and asks us to offer it: Yes opens it.
    ASSERT_TRUE(cm.shareImport().create(7));
    ASSERT_TRUE(
        ShareImport::writeAsConverter("ShareImport", QString::fromStdString(other.string()), true));
    dialogs.yesNo = {true};
    cm.handleRequest(kAppImportDone, 0);
    EXPECT_EQ(dialogs.questions.back(),
              "Se ha importado el archivo '" + other.string() + "'. ¿Desea abrir este archivo?");
    EXPECT_EQ(app->workspace().currentFile(), other.string());
    EXPECT_FALSE(cm.shareImport().isOpen());
    QCoreApplication::processEvents();
    // The switch closed every window; the formulas window opens again on the new workspace.
    EXPECT_EQ(cm.slot(WindowKind::Nut), nullptr);
    EXPECT_EQ(cm.slot(WindowKind::Ins), nullptr);
    ASSERT_EQ(w.mdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(w.mdiArea()->subWindowList()[0]->widget(), cm.slot(WindowKind::LR));
    app->shutdown();
}

}  // namespace vexa::test
