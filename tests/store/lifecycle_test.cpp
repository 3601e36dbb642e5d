// The workspace lifecycle: working folders, versions and upgrades, safe saving and closing.
#include "lifecycle_fixture.h"

#include "store/container/container.h"
#include "store/ini_file.h"
#include "store/schema.h"
#include "store/tdm.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

namespace fs = std::filesystem;
using testing::addIngredient;
using testing::bytesOf;
using testing::createAndOpen;
using testing::DocumentsFolder;
using testing::ScriptedUi;

int64_t count(Database& db, const std::string& sql) {
    auto st = db.prepare(sql);
    st.step();
    return st.getInt64(0);
}

// A workspace file written by an older release: the tables as that layout had them.
void writeOldWorkspace(const fs::path& file, int layout, const std::string& ver) {
    auto folder = file.parent_path() / "old_layout";
    fs::create_directories(folder);
    {
        Database db(databaseFile(folder), Database::Mode::Create);
        createTables(db, layout);
    }
    std::ofstream(folder / "DB.def")
        << "[User]\nNombre=Antigua\n[Def]\nVer=" << ver << "\nPrecio=3\n[Extra]\nClave=valor\n";
    packFolder(folder, file);
    fs::remove_all(folder);
}

TEST(LifecycleOpen, NewWorkspaceOpensEmptyAndNamedAfterItsFile) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.CrearVXF(docs.vxf("Granja.vxf"));
    w.AbrirVXF(docs.vxf("Granja.vxf"));
    ASSERT_EQ(w.OpenStage, kStageOk) << (ui.errors.empty() ? "" : ui.errors[0]);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.WorkDir, docs.root / "Devov" / "Granja.000");
    EXPECT_EQ(w.DBDef.Nombre, "Granja.vxf");
    EXPECT_EQ(w.DBDef.Autor, "Dra. Pérez");
    EXPECT_EQ(w.DBDef.Comentario.rfind("Creado por Vexa 3.1 (", 0), 0u);
    EXPECT_EQ(w.DBDef.Ver, kCurrentVer);
    EXPECT_EQ(w.lastUpgradeSteps(), "");
    EXPECT_EQ(count(w.db(), "select count(*) from TN"), 7);
    EXPECT_EQ(ui.requests, (std::vector<std::pair<int, int>>{{1, 0}, {8, -1}}));
    EXPECT_FALSE(w.DBModified);
    ASSERT_TRUE(w.CerrarVXF());
    EXPECT_EQ(ui.questions, 0);  // nothing changed, nothing asked
    EXPECT_FALSE(fs::exists(docs.root / "Devov" / "Granja.000"));
    EXPECT_TRUE(ui.errors.empty());
}

TEST(LifecycleOpen, LeftoverWorkingFolderIsSkipped) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.CrearVXF(docs.vxf("Granja.vxf"));
    fs::create_directories(docs.root / "Devov" / "Granja.000");
    std::ofstream(docs.root / "Devov" / "Granja.000" / "notas.txt") << "de otra sesión";
    w.AbrirVXF(docs.vxf("Granja.vxf"));
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_EQ(w.WorkDir.filename(), "Granja.001");
    for (int i = 2; i < 11; ++i)
        fs::create_directories(w.CrearCarpetaTrabajo(docs.vxf("Granja.vxf")));
    EXPECT_EQ(w.CrearCarpetaTrabajo(docs.vxf("Granja.vxf")).filename(), "Granja.00B");
    ASSERT_TRUE(w.CerrarVXF());
    // The leftover holds no db.def: it is not ours to remove.
    EXPECT_TRUE(fs::exists(docs.root / "Devov" / "Granja.000" / "notas.txt"));
    w.BorrarCarpetaTrabajo(docs.root / "Devov" / "Granja.000");
    EXPECT_TRUE(fs::exists(docs.root / "Devov" / "Granja.000" / "notas.txt"));
}

TEST(LifecycleOpen, VersionsAreCheckedAndOldLayoutsUpgraded) {
    struct Case {
        int layout;
        const char* ver;
        const char* steps;  // nullptr: refused
    };
    for (auto c : {Case{103004, "1030,04", ""}, Case{103004, "1030.04", ""},
                   Case{103003, "1030.03", "A"}, Case{103001, "1030,01", "ABC"},
                   Case{103004, "1029.00", nullptr}, Case{103004, "", nullptr}}) {
        SCOPED_TRACE(c.ver);
        DocumentsFolder docs;
        ScriptedUi ui;
        Tdmvxf w(docs.settings(), ui);
        auto file = docs.vxf("Vieja.vxf");
        writeOldWorkspace(file, c.layout, c.ver);
        w.AbrirVXF(file);
        if (!c.steps) {
            EXPECT_EQ(w.OpenStage, kStageVersion);
            ASSERT_EQ(ui.errors.size(), 1u);
            EXPECT_EQ(ui.errors[0], "El archivo VXF es de una versión no reconocida.");
            EXPECT_FALSE(w.isOpen());
            EXPECT_TRUE(fs::is_empty(docs.root / "Devov"));  // working folder removed
            continue;
        }
        ASSERT_EQ(w.OpenStage, kStageOk) << (ui.errors.empty() ? "" : ui.errors[0]);
        EXPECT_EQ(w.lastUpgradeSteps(), c.steps);
        EXPECT_EQ(w.DBDef.Ver, kCurrentVer);
        EXPECT_EQ(w.DBDef.Precio, 3);
        // The fields the upgrades add are there now.
        w.db().exec("update LR set Ultima = null, Valor = 0");
        w.db().exec("update RIn set Resul = 0");
        w.db().exec("update MMI set Perc = 0, MS = 0");
        // Saved and opened again: current, no further step, foreign DB.def lines kept.
        w.DBModified = true;
        ASSERT_TRUE(w.GuardarVXF());
        w.AbrirVXF(file);
        ASSERT_EQ(w.OpenStage, kStageOk);
        EXPECT_EQ(w.lastUpgradeSteps(), "");
        EXPECT_EQ(IniFile::load(dbDefPath(w.WorkDir)).readString("Extra", "Clave"), "valor");
        EXPECT_EQ(IniFile::load(dbDefPath(w.WorkDir)).readString("Def", "Ver"), "1030.04");
    }
}

TEST(LifecycleOpen, ReadOnlySettingShowsAnOldLayoutWithoutUpgrading) {
    DocumentsFolder docs;
    ScriptedUi ui;
    auto settings = docs.settings();
    settings.readOnly = true;
    Tdmvxf w(settings, ui);
    auto file = docs.vxf("Vieja.vxf");
    writeOldWorkspace(file, 103003, "1030.03");
    w.AbrirVXF(file);
    EXPECT_EQ(w.OpenStage, kStageOk);
    EXPECT_TRUE(w.isOpen());
    EXPECT_TRUE(ui.errors.empty());
    // Still recorded as 1030.03, so a later read-write open upgrades it.
    EXPECT_EQ(w.DBDef.Ver, Fixed4::fromRaw(10300300));
    EXPECT_EQ(w.lastUpgradeSteps(), "");
}

TEST(LifecycleOpen, FailedUpgradeFailsTheOpenAndKeepsTheCurrentWorkspace) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto current = docs.vxf("Actual.vxf");
    w.CrearVXF(current);
    w.AbrirVXF(current);
    ASSERT_EQ(w.OpenStage, kStageOk);
    w.DBModified = true;  // unsaved work must survive the refused open

    // A 1030.01 file whose MMI table is gone: the step that adds its columns fails.
    auto file = docs.vxf("Rota.vxf");
    auto folder = file.parent_path() / "old_layout";
    fs::create_directories(folder);
    {
        Database db(databaseFile(folder), Database::Mode::Create);
        createTables(db, 103001);
        db.exec("DROP TABLE MMI");
    }
    std::ofstream(folder / "DB.def") << "[User]\nNombre=Rota\n[Def]\nVer=1030.01\n";
    packFolder(folder, file);
    fs::remove_all(folder);
    const auto before = bytesOf(file);

    w.AbrirVXF(file);
    EXPECT_NE(w.OpenStage, kStageOk);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_NE(ui.errors[0].find("MMI"), std::string::npos) << ui.errors[0];
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.CurrentVXF, current);
    EXPECT_TRUE(w.DBModified);
    EXPECT_EQ(w.lastUpgradeSteps(), "");
}

TEST(LifecycleOpen, MissingOrForeignFileIsRefusedAndLeftAlone) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto missing = docs.vxf("NoEsta.vxf");
    w.AbrirVXF(missing);
    EXPECT_EQ(w.OpenStage, kStageReading);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "No existe el archivo " + missing.string());
    auto text = docs.vxf("Texto.vxf");
    std::ofstream(text) << "no soy un espacio de trabajo";
    w.AbrirVXF(text);
    EXPECT_EQ(w.OpenStage, kStageReading);
    EXPECT_EQ(bytesOf(text), "no soy un espacio de trabajo");
    EXPECT_FALSE(w.isOpen());
    EXPECT_TRUE(fs::is_empty(docs.root / "Devov"));  // no empty folders left behind
}

TEST(LifecycleSave, SavingTwiceKeepsOneBackupOfThePreviousVersion) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    EXPECT_TRUE(ui.notices.empty());  // a name that fits: nothing to say
    addIngredient(w, "Maíz amarillo");
    ASSERT_TRUE(w.GuardarVXF());
    EXPECT_FALSE(w.DBModified);
    const std::string first = bytesOf(file);
    addIngredient(w, "Harina de soya 44");
    ASSERT_TRUE(w.GuardarVXF());
    EXPECT_EQ(bytesOf(backupPath(file)), first);
    EXPECT_EQ(ui.requests.back(), (std::pair<int, int>{22, 0}));
    // The old backup went to the bin once the new one was in place (under a second name, as
    // it had to stay until then).
    EXPECT_EQ(ui.trashed.back(), docs.vxf("Granja.bkp.anterior"));
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(docs.root / "VXF")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".~lock.Granja.vxf#", "Granja.bkp", "Granja.vxf"}));

    // The backup opens as the version before the last save.
    w.AbrirVXF(backupPath(file));
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 1);
    w.AbrirVXF(file);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 2);
}

// A workspace whose file name leaves no room for the temporary file beside it: every save
// fails at the write, even for a user whom permissions do not stop.
struct UnsavableWorkspace {
    fs::path file, backup;
    std::string fileBytes, backupBytes;
    explicit UnsavableWorkspace(const DocumentsFolder& docs) {
        ScriptedUi ui;
        Tdmvxf w(docs.settings(), ui);
        auto shortName = createAndOpen(w, docs, "Corto.vxf");
        addIngredient(w, "Maíz");
        EXPECT_TRUE(w.GuardarVXF());
        EXPECT_TRUE(w.CerrarVXF());
        file = docs.vxf(std::string(248, 'g') + ".vxf");
        backup = backupPath(file);
        fs::rename(shortName, file);
        fs::rename(backupPath(shortName), backup);
        fileBytes = bytesOf(file);
        backupBytes = bytesOf(backup);
    }
    void expectUntouched(const DocumentsFolder& docs) const {
        EXPECT_EQ(bytesOf(file), fileBytes);
        EXPECT_EQ(bytesOf(backup), backupBytes);
        int files = 0;
        // (The open workspace's lock aside: its name is cut to fit, so it is taken.)
        for (auto& e : fs::directory_iterator(docs.root / "VXF"))
            files += e.is_regular_file() && e.path().filename().string().rfind(".~lock.", 0) != 0;
        EXPECT_EQ(files, 2);
    }
};

TEST(LifecycleSave, FailedSaveLeavesBothFilesAsTheyWereAndSaysSo) {
    DocumentsFolder docs;
    UnsavableWorkspace target(docs);
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.AbrirVXF(target.file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    // The open already says why a save in place cannot be done, and what to do instead.
    ASSERT_EQ(ui.notices.size(), 1u);
    EXPECT_NE(ui.notices[0].find("demasiado largo"), std::string::npos) << ui.notices[0];
    EXPECT_NE(ui.notices[0].find("Guardar como"), std::string::npos) << ui.notices[0];
    addIngredient(w, "Sorgo");
    EXPECT_FALSE(w.GuardarVXF());
    EXPECT_TRUE(w.DBModified);
    EXPECT_NE(w.OpenStage, kStageOk);
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0].rfind("No se pudo guardar la base de datos en ", 0), 0u);
    target.expectUntouched(docs);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 2);  // the work is still there
}

// The save into a folder the user may not write fails, says so once and leaves the file. Run
// as root (as the tests are in CI, where permissions stop no one) the save runs in a child
// process that has become the unprivileged user "nobody" and owns the folder.
TEST(LifecycleSave, ReadOnlyTargetFolderFailsTheSave) {
    DocumentsFolder docs;
    auto scenario = [&docs] {
        ScriptedUi ui;
        Tdmvxf w(docs.settings(), ui);
        auto file = createAndOpen(w, docs);
        const auto before = bytesOf(file);
        addIngredient(w, "Sorgo");
        fs::permissions(docs.root / "VXF", fs::perms::owner_write, fs::perm_options::remove);
        const bool saved = w.GuardarVXF();
        fs::permissions(docs.root / "VXF", fs::perms::owner_write, fs::perm_options::add);
        EXPECT_FALSE(saved);
        EXPECT_TRUE(w.DBModified);
        EXPECT_EQ(bytesOf(file), before);
        EXPECT_EQ(ui.errors.size(), 1u);
        return !saved && w.DBModified && bytesOf(file) == before && ui.errors.size() == 1;
    };
    if (::geteuid() != 0) {
        scenario();
        return;
    }
    const uid_t nobody = 65534;
    std::error_code ec;
    for (auto& e : fs::recursive_directory_iterator(docs.root, ec))
        if (::chown(e.path().c_str(), nobody, nobody) != 0) GTEST_SKIP() << "cannot chown";
    if (::chown(docs.root.c_str(), nobody, nobody) != 0) GTEST_SKIP() << "cannot chown";
    ::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0 || ::geteuid() == 0) ::_exit(3);
        ::_exit(scenario() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_NE(WEXITSTATUS(status), 3) << "could not become an unprivileged user";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save as an unprivileged user did not fail cleanly";
}

// A large catalogue mostly deleted through the program's own services: the save gives the
// freed pages back, and the file it wrote opens again (it packed 1000:1 and was refused as
// damaged by every verb, only its backup opening).
TEST(LifecycleSave, AWorkspaceWithMostOfALargeCatalogueDeletedSavesAndReopens) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    {
        Transaction tx(w.db());
        w.db().exec(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40) "
            "INSERT INTO Nut (Nombre, Unidad, Tipo, Orden) SELECT 'Nutriente ' || i, '%', 0, i "
            "FROM n;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30000) "
            "INSERT INTO Ins (Nombre) SELECT 'Insumo ' || i FROM n;"
            "INSERT INTO Val (Ins, Nut, Valor) SELECT I.Codigo, N.Codigo, "
            "(I.Codigo * 7 + N.Codigo) % 1000 / 10.0 FROM Ins I, Nut N;");
        tx.commit();
    }
    w.DBModified = true;
    ASSERT_TRUE(w.GuardarVXF());
    Tdm dm(w.db(), w.DBDef);
    std::vector<int32_t> codes;
    {
        Statement nuts = w.db().prepare("SELECT Codigo FROM Nut WHERE Codigo > 1");
        while (nuts.step()) codes.push_back(nuts.getInt(0));
    }
    for (int32_t c : codes) dm.BorrarNutriente(c);
    w.db().exec("DELETE FROM Nut WHERE Codigo > 1");
    w.DBModified = true;
    ASSERT_TRUE(w.GuardarVXF()) << (ui.errors.empty() ? "" : ui.errors.back());
    EXPECT_LT(fs::file_size(file), 2u << 20);

    ASSERT_TRUE(w.CerrarVXF());
    Tdmvxf again(docs.settings(), ui);
    again.AbrirVXF(file);
    ASSERT_EQ(again.OpenStage, kStageOk) << (ui.errors.empty() ? "" : ui.errors.back());
    EXPECT_EQ(count(again.db(), "select count(*) from Val"), 30000);
    EXPECT_LT(count(again.db(), "PRAGMA freelist_count"), 100);
}

TEST(LifecycleSave, SaveAsMovesTheWorkspaceAndABackupIsNeverItsOwnBackup) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    addIngredient(w, "Avena");
    ui.fileToChoose = docs.vxf("Copia.vxf");
    ASSERT_TRUE(w.GuardarVXFComo());
    EXPECT_EQ(w.CurrentVXF, docs.vxf("Copia.vxf"));
    EXPECT_FALSE(fs::exists(docs.vxf("Copia.bkp")));  // nothing there before
    ui.fileToChoose.reset();
    EXPECT_FALSE(w.GuardarVXFComo());  // cancelled
    EXPECT_EQ(w.CurrentVXF, docs.vxf("Copia.vxf"));

    EXPECT_EQ(backupPath(docs.vxf("Granja.BKP")), docs.vxf("Granja.BKP.bkp"));
    // Opening the backup itself and saving it keeps its previous version beside it.
    addIngredient(w, "Centeno");
    ASSERT_TRUE(w.GuardarVXF());
    const auto backup = backupPath(docs.vxf("Copia.vxf"));
    ASSERT_TRUE(fs::exists(backup));
    const auto before = bytesOf(backup);
    w.AbrirVXF(backup);
    ASSERT_EQ(w.OpenStage, kStageOk);
    addIngredient(w, "Mijo");
    ASSERT_TRUE(w.GuardarVXF());
    EXPECT_EQ(bytesOf(docs.vxf("Copia.bkp.bkp")), before);
    w.AbrirVXF(backup);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 2);
}

TEST(LifecycleOpen, NoWorkingFolderMeansNoOpen) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = docs.vxf("Granja.vxf");
    w.CrearVXF(file);
    fs::remove_all(docs.root / "Devov");
    std::ofstream(docs.root / "Devov") << "un archivo donde debía haber una carpeta";
    w.AbrirVXF(file);
    EXPECT_NE(w.OpenStage, kStageOk);
    EXPECT_FALSE(w.isOpen());
    ASSERT_EQ(ui.errors.size(), 1u);
    EXPECT_EQ(ui.errors[0], "Es necesario la trayectoria de extracción (property ExtractPath)");
}

TEST(LifecycleClose, UnsavedWorkIsNeverRemovedUnlessTheUserDeclines) {
    DocumentsFolder docs;
    UnsavableWorkspace target(docs);
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto other = docs.root / "Otra.vxf";
    w.CrearVXF(other);
    w.AbrirVXF(target.file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    const auto workDir = w.WorkDir;
    addIngredient(w, "Sorgo");

    ui.answerYes = true;  // "save", but the save fails
    EXPECT_FALSE(w.CerrarVXF());
    EXPECT_TRUE(w.isOpen());
    EXPECT_TRUE(fs::exists(workDir / "DB.def"));
    EXPECT_TRUE(w.DBModified);
    w.AbrirVXF(other);  // opening another workspace closes this one first: refused too
    EXPECT_TRUE(w.isOpen());
    EXPECT_EQ(w.WorkDir, workDir);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 2);
    target.expectUntouched(docs);

    ui.answerYes = false;  // the user gives the changes up
    EXPECT_TRUE(w.CerrarVXF());
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(fs::exists(workDir));
    EXPECT_EQ(ui.questions, 3);
}

TEST(LifecycleClose, SavingOnCloseWritesTheChanges) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    addIngredient(w, "Trigo");
    std::ofstream(docs.root / "Temp" / "_respuesta.db") << "x";
    std::ofstream(docs.root / "Temp" / "propio.db") << "x";
    ui.answerYes = true;
    ASSERT_TRUE(w.Terminar());
    EXPECT_EQ(ui.questions, 1);
    EXPECT_FALSE(fs::exists(docs.root / "Temp" / "_respuesta.db"));
    EXPECT_TRUE(fs::exists(docs.root / "Temp" / "propio.db"));
    EXPECT_TRUE(fs::is_empty(docs.root / "Devov"));
    w.AbrirVXF(file);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 1);
}

TEST(LifecycleNew, NewWorkspaceOverAnExistingFileKeepsItAsBackup) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    addIngredient(w, "Cebada");
    ui.answerYes = true;
    ASSERT_TRUE(w.GuardarVXF());
    const auto saved = bytesOf(file);
    ui.fileToChoose = file;
    w.NuevaVXF(docs.root / "VXF");
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_EQ(bytesOf(backupPath(file)), saved);
    EXPECT_EQ(count(w.db(), "select count(*) from Ins"), 0);
    EXPECT_EQ(w.DBDef.Nombre, "Granja.vxf");
    EXPECT_EQ(w.CurrentVXF, file);
}

TEST(LifecycleStart, StartUpFallsBackFromCommandLineToSettingsToNew) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.CrearVXF(docs.vxf("Vexa30.VXF"));
    EXPECT_TRUE(w.AbrirInicial(docs.vxf("NoEsta.vxf"), "Vexa30.VXF"));
    EXPECT_EQ(w.CurrentVXF, docs.vxf("Vexa30.VXF"));
    ui.fileToChoose = docs.vxf("Nueva.vxf");  // the open dialog fails on it, the new one makes it
    EXPECT_TRUE(w.AbrirInicial(std::nullopt, ""));
    EXPECT_EQ(w.CurrentVXF, docs.vxf("Nueva.vxf"));
    EXPECT_TRUE(fs::exists(docs.vxf("Nueva.vxf")));
}

}  // namespace
}  // namespace vexa
