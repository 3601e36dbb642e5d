// Nothing of a workspace is lost between savers, failed writes or crashes: the lock of the
// open file, the check that it is still the one opened, the backup rotation under injected
// failures, copies offered back, read-only files, damaged files refused before the open
// workspace is closed, and what killed runs leave behind.
#include "cli_run.h"
#include "lifecycle_fixture.h"

#include "store/container/container.h"
#include "store/container/file_ops.h"
#include "store/container/signal_cleanup.h"
#include "store/workspace.h"
#include "store/workspace_files.h"
#include "store/workspace_lock.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

namespace fs = std::filesystem;
using testing::addIngredient;
using testing::bytesOf;
using testing::createAndOpen;
using testing::quoted;

// vexa-cli as another process; its error stream is kept.
testing::CliRun cli(const std::string& args, const fs::path& errFile) {
    return testing::runCli(args + " >/dev/null", errFile);
}
using testing::DocumentsFolder;
using testing::ScriptedUi;

void writeText(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

int64_t ingredients(Tdmvxf& w) {
    auto st = w.db().prepare("select count(*) from Ins");
    st.step();
    return st.getInt64(0);
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A process id that no longer runs.
long deadPid() {
    pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

// Answers in order: askYesNo pops `answers` (No when empty), the rest as ScriptedUi.
class AnsweringUi : public ScriptedUi {
public:
    std::vector<bool> answers;
    std::vector<std::string> asked;
    bool askYesNo(const std::string& question, const std::string&) override {
        asked.push_back(question);
        ++questions;
        if (answers.empty()) return false;
        bool a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

TEST(WorkspaceLock, SecondOpenerIsToldWhoHasItAndMayOpenItReadOnly) {
    DocumentsFolder docs;
    ScriptedUi ui1;
    Tdmvxf first(docs.settings(), ui1);
    auto file = createAndOpen(first, docs);
    const fs::path lock = lockFilePath(file);
    ASSERT_TRUE(fs::exists(lock));
    const std::string lockText = bytesOf(lock);
    EXPECT_TRUE(contains(lockText, "proceso=" + std::to_string(::getpid())));
    EXPECT_TRUE(contains(lockText, "equipo="));
    EXPECT_TRUE(contains(lockText, "usuario="));
    EXPECT_TRUE(contains(lockText, "fecha="));

    // Declined: nothing opened, and the workspace that was open stays.
    AnsweringUi ui2;
    Tdmvxf second(docs.settings(), ui2);
    auto other = createAndOpen(second, docs, "Otra.vxf");
    ui2.answers = {false};
    second.AbrirVXF(file);
    ASSERT_EQ(ui2.asked.size(), 1u);
    EXPECT_TRUE(contains(ui2.asked[0], "El archivo " + file.string() + " está abierto por "));
    EXPECT_TRUE(contains(ui2.asked[0], "(proceso " + std::to_string(::getpid()) + ")"));
    EXPECT_TRUE(contains(ui2.asked[0], "sólo lectura"));
    EXPECT_NE(second.OpenStage, kStageOk);
    EXPECT_EQ(second.CurrentVXF, other);
    EXPECT_TRUE(second.isOpen());

    // Accepted: open read-only; saving asks for another name and never touches the file.
    ui2.answers = {true};
    second.AbrirVXF(file);
    ASSERT_EQ(second.OpenStage, kStageOk);
    EXPECT_TRUE(second.readOnlyFile());
    EXPECT_EQ(bytesOf(lock), lockText);  // still the first one's
    const std::string before = bytesOf(file);
    addIngredient(second, "Sorgo");
    ui2.answers = {false};
    EXPECT_FALSE(second.GuardarVXF());
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_TRUE(second.DBModified);
    ui2.answers = {true};
    ui2.fileToChoose = docs.vxf("Copia.vxf");
    ASSERT_TRUE(second.GuardarVXF());
    EXPECT_EQ(second.CurrentVXF, docs.vxf("Copia.vxf"));
    EXPECT_FALSE(second.readOnlyFile());
    EXPECT_TRUE(fs::exists(lockFilePath(docs.vxf("Copia.vxf"))));
    EXPECT_EQ(bytesOf(file), before);

    // The first closes: its lock goes, and the next opener takes it.
    ASSERT_TRUE(first.CerrarVXF());
    EXPECT_FALSE(fs::exists(lock));
    ui2.asked.clear();
    second.AbrirVXF(file);
    EXPECT_TRUE(ui2.asked.empty());
    EXPECT_FALSE(second.readOnlyFile());
}

TEST(WorkspaceLock, StaleLockOfADeadProcessIsTakenOver) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    ASSERT_TRUE(w.CerrarVXF());
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    const long dead = deadPid();
    writeText(lockFilePath(file), "Vexa\nusuario=otro\nequipo=" + std::string(host) + "\nproceso=" +
                                      std::to_string(dead) + "\nfecha=2026-01-01 08:00\n");
    EXPECT_FALSE(lockHolder(file).has_value());
    EXPECT_NO_THROW(checkNotLocked(file));
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_EQ(ui.questions, 0);
    EXPECT_FALSE(w.readOnlyFile());
    EXPECT_TRUE(contains(bytesOf(lockFilePath(file)), "proceso=" + std::to_string(::getpid())));

    // One written on another host is that host's business: it is honoured.
    ASSERT_TRUE(w.CerrarVXF());
    writeText(lockFilePath(file),
              "Vexa\nusuario=ana\nequipo=otra-maquina\nproceso=1\nfecha=2026-01-01 08:00\n");
    auto holder = lockHolder(file);
    ASSERT_TRUE(holder.has_value());
    EXPECT_EQ(holder->user, "ana");
    EXPECT_THROW(checkNotLocked(file), std::runtime_error);
}

// A lock that cannot be taken is not a lock taken: the cause is told and nothing is saved
// (a lock file that could not be opened counted as taken, and two savers lost updates).
TEST(WorkspaceLock, ALockThatCannotBeTakenRefusesWithItsCause) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    createAndOpen(w, docs);
    const fs::path other = docs.vxf("Otra.vxf");
    fs::create_directory(lockFilePath(other));  // the lock file cannot be opened
    {
        WorkspaceLock lock;
        auto owner = lock.acquire(other);
        ASSERT_TRUE(owner.has_value());
        EXPECT_EQ(owner->error, EISDIR);
        EXPECT_FALSE(lock.held());
        EXPECT_TRUE(contains(lockedMessage(other, *owner), "No se pudo bloquear el archivo"));
    }
    ui.fileToChoose = other;
    EXPECT_FALSE(w.GuardarVXFComo());
    EXPECT_FALSE(fs::exists(other));
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_TRUE(contains(ui.errors.back(), "No se pudo bloquear")) << ui.errors.back();
    // A name so long that ".~lock.NAME#" would not fit is still locked, under a shorter name.
    {
        const fs::path longName = docs.vxf(std::string(248, 'g') + ".vxf");
        WorkspaceLock lock;
        EXPECT_FALSE(lock.acquire(longName).has_value());
        EXPECT_TRUE(lock.held());
        EXPECT_LE(lockFilePath(longName).filename().string().size(), 255u);
        EXPECT_NE(lockFilePath(longName), lockFilePath(docs.vxf(std::string(247, 'g') + "h.vxf")));
    }
    LockOwner noLocking;
    noLocking.error = ENOLCK;
    EXPECT_TRUE(contains(lockedMessage(other, noLocking), "no admite bloqueos"));
}

// A lock another host left (or this one before a rename) that no program here holds is not
// forever: the user is told who and since when and may take it over after a question;
// vexa-cli takes it with --break-lock. A lock a running program holds is never taken.
TEST(WorkspaceLock, ARecordedLockOfAnotherHostMayBeTakenOver) {
    DocumentsFolder docs;
    auto file = docs.vxf("Granja.vxf");
    auto err = docs.root / "err.txt";
    ASSERT_EQ(cli("sample " + quoted(file), err).code, 0);
    auto leaveForeignLock = [&] {
        writeText(lockFilePath(file),
                  "Vexa\nusuario=ana\nequipo=portatil-viejo\nproceso=4242\n"
                  "fecha=2026-03-01 08:00\n");
    };
    struct Case {
        bool takeOver;
        bool opensForWriting;
    } cases[] = {{false, false}, {true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.takeOver);
        leaveForeignLock();
        ScriptedUi ui;
        ui.answerYes = c.takeOver;  // take the lock? (and then: read-only? no)
        Tdmvxf w(docs.settings(), ui);
        w.AbrirVXF(file);
        ASSERT_GE(ui.questions, 1);
        EXPECT_EQ(w.isOpen() && !w.readOnlyFile(), c.opensForWriting);
        if (c.opensForWriting) {
            EXPECT_TRUE(
                contains(bytesOf(lockFilePath(file)), "proceso=" + std::to_string(::getpid())));
            ASSERT_TRUE(w.CerrarVXF());
        }
    }
    // The command line: refused, naming who and since when, unless --break-lock.
    leaveForeignLock();
    auto r = cli("solve " + quoted(file) + " --formula 7 --save", err);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.err, "ana")) << r.err;
    EXPECT_TRUE(contains(r.err, "2026-03-01 08:00")) << r.err;
    EXPECT_TRUE(contains(r.err, "--break-lock")) << r.err;
    EXPECT_EQ(cli("solve " + quoted(file) + " --formula 7 --save --break-lock", err).code, 0)
        << bytesOf(err);
    // Held by a running program of this machine: never taken.
    ScriptedUi ui;
    Tdmvxf desk(docs.settings(), ui);
    desk.AbrirVXF(file);
    ASSERT_EQ(desk.OpenStage, kStageOk);
    EXPECT_EQ(cli("solve " + quoted(file) + " --formula 7 --save --break-lock", err).code, 2);
}

TEST(WorkspaceLock, TwoProcessesSavingOneFileNeverDropEachOthersWork) {
    DocumentsFolder docs;
    auto file = docs.vxf("Granja.vxf");
    auto err = docs.root / "err.txt";
    ASSERT_EQ(cli("sample " + quoted(file), err).code, 0);

    // The desktop program has it open: the command line refuses to save into it.
    AnsweringUi ui;
    Tdmvxf desk(docs.settings(), ui);
    desk.AbrirVXF(file);
    ASSERT_EQ(desk.OpenStage, kStageOk);
    const std::string before = bytesOf(file);
    auto r = cli("solve " + quoted(file) + " --formula 7 --save", err);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.err, "El archivo " + file.string() + " está abierto por ")) << r.err;
    EXPECT_EQ(bytesOf(file), before);
    // Reading it is still fine.
    EXPECT_EQ(cli("solve " + quoted(file) + " --formula 7", err).code, 0);

    // Another program that ignores the lock rewrites the file: the save notices and asks.
    addIngredient(desk, "Maíz de la ventana");
    fs::remove(lockFilePath(file));  // as a program that knows nothing of locks
    ASSERT_EQ(cli("solve " + quoted(file) + " --formula 7 --save", err).code, 0) << bytesOf(err);
    const std::string theirs = bytesOf(file);
    ASSERT_NE(theirs, before);
    ui.answers = {false, false};  // neither another name nor overwrite
    EXPECT_FALSE(desk.GuardarVXF());
    EXPECT_TRUE(contains(ui.asked.at(0), "Otro programa modificó el archivo " + file.string()));
    EXPECT_EQ(bytesOf(file), theirs);
    EXPECT_TRUE(desk.DBModified);
    ui.answers = {true};  // another name
    ui.fileToChoose = docs.vxf("Mia.vxf");
    ASSERT_TRUE(desk.GuardarVXF());
    EXPECT_EQ(bytesOf(file), theirs);
    EXPECT_EQ(desk.CurrentVXF, docs.vxf("Mia.vxf"));
    // Overwriting keeps the other program's version as the backup.
    desk.AbrirVXF(file);
    ASSERT_EQ(desk.OpenStage, kStageOk);
    addIngredient(desk, "Avena");
    writeText(file, bytesOf(docs.vxf("Mia.vxf")));  // rewritten behind its back
    const std::string again = bytesOf(file);
    ui.answers = {false, true};
    ASSERT_TRUE(desk.GuardarVXF());
    EXPECT_EQ(bytesOf(backupPath(file)), again);
}

// A file on disk is a complete workspace holding `count` ingredients.
void expectWorkspace(const DocumentsFolder& docs, const fs::path& file, int64_t count) {
    ASSERT_NO_THROW(checkFile(file)) << file;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.setLockOnOpen(false);
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk) << file;
    EXPECT_EQ(ingredients(w), count) << file;
}

TEST(WorkspaceSave, EveryFailedWriteOrRenameLeavesTheUsersFileAndSaysWhy) {
    // The n-th write, flush, link or rename of the save fails, once (a refused rename) or
    // from there on (a disk that stays full, an immutable file), for n = 1, 2, ...; also
    // where the file system has no hard links and the current file must move aside.
    struct Mode {
        const char* what;
        bool sticky, noLinks;
    };
    for (const Mode mode :
         {Mode{"the n-th only", false, false}, Mode{"from the n-th on", true, false},
          Mode{"without links, the n-th only", false, true},
          Mode{"without links, from the n-th on", true, true}}) {
        SCOPED_TRACE(mode.what);
        DocumentsFolder docs;
        AnsweringUi ui;
        Tdmvxf w(docs.settings(), ui);
        auto file = createAndOpen(w, docs);
        addIngredient(w, "Maíz");
        ASSERT_TRUE(w.GuardarVXF());
        std::string savedBytes = bytesOf(file);
        std::string backupBytes = bytesOf(backupPath(file));
        int failures = 0, offered = 0;
        long n = 1;
        vxf::simulateNoLinks(mode.noLinks);
        for (; n < 10000; ++n) {
            SCOPED_TRACE("operation " + std::to_string(n));
            addIngredient(w, "Insumo " + std::to_string(n));
            const int error = n % 2 ? ENOSPC : EACCES;
            const std::size_t shown = ui.errors.size();
            vxf::failNthFileOperation(n, error, mode.sticky);
            const bool ok = w.GuardarVXF();
            const long operations = vxf::fileOperationCount();
            vxf::failNthFileOperation(0, 0);
            if (ok) {
                // The old file is now the backup. A failure the save could do without (a
                // link it has a way around) still gave a complete save.
                EXPECT_EQ(bytesOf(backupPath(file)), savedBytes);
                EXPECT_EQ(ui.errors.size(), shown);
                savedBytes = bytesOf(file);
                backupBytes = bytesOf(backupPath(file));
                if (n > operations) break;
                continue;
            }
            ++failures;
            EXPECT_TRUE(w.DBModified);
            ASSERT_EQ(ui.errors.size(), shown + 1);
            const std::string& message = ui.errors.back();
            EXPECT_EQ(message.rfind("No se pudo guardar la base de datos en " + file.string(), 0),
                      0u)
                << message;
            EXPECT_TRUE(contains(
                message, error == ENOSPC ? "No hay espacio en el disco."
                                         : "No tiene permiso para escribir en " + file.string()))
                << message;
            EXPECT_FALSE(contains(message, ".guardando")) << message;
            EXPECT_FALSE(contains(message, "~Archiv")) << message;
            EXPECT_TRUE(fs::is_empty(docs.root / "Temp"));
            if (!fs::exists(file)) {
                // Caught between the renames: an open finds the copies and offers one back.
                ++offered;
                ScriptedUi other;
                other.answerYes = true;
                Tdmvxf reader(docs.settings(), other);
                reader.setLockOnOpen(false);
                reader.AbrirVXF(file);
                ASSERT_EQ(reader.OpenStage, kStageOk);
                EXPECT_EQ(other.questions, 1);
                ASSERT_TRUE(reader.CerrarVXF());
                savedBytes = bytesOf(file);
                // The file changed behind the open workspace: its next save asks, and the
                // answer is to overwrite.
                ui.answers = {false, true};
                backupBytes = bytesOf(backupPath(file));
                continue;
            }
            // The user's file is the last saved one; the backup the one before or, once the
            // rotation began, that same last saved one.
            EXPECT_EQ(bytesOf(file), savedBytes);
            // Where even putting it back was refused, the old backup waits beside it and the
            // next save puts it back.
            const fs::path aside = docs.vxf("Granja.bkp.anterior");
            const bool backupAside = !fs::exists(backupPath(file));
            const std::string backup = bytesOf(backupAside ? aside : backupPath(file));
            EXPECT_TRUE(backup == backupBytes || backup == savedBytes);
            backupBytes = backup;
            for (const std::string& name : namesIn(docs.root / "VXF"))
                EXPECT_TRUE(name == "Granja.vxf" || name == "Granja.bkp" ||
                            name == ".~lock.Granja.vxf#" ||
                            (backupAside && name == "Granja.bkp.anterior"))
                    << name;
        }
        vxf::simulateNoLinks(false);
        EXPECT_LT(n, 10000);
        EXPECT_GT(failures, 10);
        if (mode.sticky && mode.noLinks) {
            EXPECT_GT(offered, 0);
        }
        expectWorkspace(docs, file, ingredients(w));
        ASSERT_TRUE(w.CerrarVXF());
    }
}

TEST(WorkspaceSave, AFailedFinalRenameLeavesTheUsersFileInPlace) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    addIngredient(w, "Maíz");
    ASSERT_TRUE(w.GuardarVXF());
    addIngredient(w, "Sorgo");
    vxf::failNthFileOperation(0, 0);
    ASSERT_TRUE(w.GuardarVXF());
    const long total = vxf::fileOperationCount();
    const std::string now = bytesOf(file);
    // The last operation is the final rename: failing it leaves the user's file as it was.
    addIngredient(w, "Avena");
    vxf::failNthFileOperation(total, EPERM);
    EXPECT_FALSE(w.GuardarVXF());
    vxf::failNthFileOperation(0, 0);
    EXPECT_EQ(bytesOf(file), now);
    EXPECT_EQ(bytesOf(backupPath(file)), now);  // the backup had been renewed before
    EXPECT_FALSE(fs::exists(savingPath(file)));
    expectWorkspace(docs, file, 2);
}

TEST(WorkspaceOpen, MissingFileBesideACompleteCopyIsOfferedBack) {
    DocumentsFolder docs;
    AnsweringUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    addIngredient(w, "Maíz");
    ASSERT_TRUE(w.GuardarVXF());
    addIngredient(w, "Sorgo");
    ASSERT_TRUE(w.GuardarVXF());
    ASSERT_TRUE(w.CerrarVXF());

    struct Case {
        const char* what;
        std::function<void()> leave;  // how a killed save left the files
        int64_t ingredients;          // of the copy that is offered
    };
    const std::string current = bytesOf(file), backup = bytesOf(backupPath(file));
    auto reset = [&] {
        writeText(file, current);
        writeText(backupPath(file), backup);
        fs::remove(savingPath(file));
    };
    const Case cases[] = {
        {"killed between the renames", [&] { fs::rename(file, savingPath(file)); }, 2},
        {"only the backup", [&] { fs::remove(file); }, 1},
        {"damaged new copy beside the backup",
         [&] {
             fs::remove(file);
             writeText(savingPath(file), current.substr(0, current.size() / 2));
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        reset();
        c.leave();
        ui.asked.clear();
        ui.answers = {false};
        w.AbrirVXF(file);
        EXPECT_FALSE(w.isOpen());
        ASSERT_EQ(ui.asked.size(), 1u);
        EXPECT_EQ(ui.asked[0].rfind("Se encontró una copia de " + file.string(), 0), 0u);
        EXPECT_TRUE(contains(ui.asked[0], "¿Desea recuperarla?"));
        EXPECT_FALSE(fs::exists(file));
        ui.answers = {true};
        w.AbrirVXF(file);
        ASSERT_EQ(w.OpenStage, kStageOk);
        EXPECT_EQ(ingredients(w), c.ingredients);
        EXPECT_TRUE(fs::exists(file));
        EXPECT_TRUE(fs::exists(backupPath(file)));  // the backup stays a backup
        ASSERT_TRUE(w.CerrarVXF());
    }
    // Nothing complete anywhere: the file does not exist, and that is what is said.
    fs::remove(file);
    writeText(backupPath(file), "roto");
    fs::remove(savingPath(file));
    ui.asked.clear();
    w.AbrirVXF(file);
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(ui.errors.back(), "No existe el archivo " + file.string());
}

TEST(WorkspaceOpen, AFileTheUserMayNotWriteOpensReadOnlyAndIsNeverReplaced) {
    DocumentsFolder docs;
    AnsweringUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto file = createAndOpen(w, docs);
    ASSERT_TRUE(w.CerrarVXF());
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const std::string before = bytesOf(file);
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_TRUE(w.readOnlyFile());
    EXPECT_EQ(ui.requests.at(ui.requests.size() - 2), (std::pair<int, int>{kAppRefreshCaption, 0}));
    addIngredient(w, "Sorgo");
    ui.answers = {false};
    EXPECT_FALSE(w.GuardarVXF());
    EXPECT_TRUE(contains(ui.asked.back(), "sólo lectura"));
    EXPECT_TRUE(contains(w.lastError(), "Guardar como..."));
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_FALSE(fs::exists(backupPath(file)));
    // Save as the same file is refused too; another name is the way out.
    ui.fileToChoose = file;
    ui.answers = {true};
    EXPECT_FALSE(w.GuardarVXF());
    EXPECT_EQ(bytesOf(file), before);
    ui.fileToChoose = docs.vxf("Editable.vxf");
    ui.answers = {true};
    ASSERT_TRUE(w.GuardarVXF());
    EXPECT_FALSE(w.readOnlyFile());
    EXPECT_EQ(ui.requests.back(), (std::pair<int, int>{kAppRefreshCaption, 0}));
    expectWorkspace(docs, docs.vxf("Editable.vxf"), 1);

    // The command line refuses to save into it, with the reason.
    auto err = docs.root / "err.txt";
    auto r = cli("solve " + quoted(file) + " --formula 1 --save", err);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.err, "No tiene permiso para escribir en " + file.string())) << r.err;
}

// A good workspace with one byte changed, or cut, or claiming more than it can hold.
std::string damaged(const std::string& good, const std::string& how) {
    std::string d = good;
    if (how == "truncated") return d.substr(0, d.size() / 2);
    if (how == "version 2") {
        d[4] = 2;
        return d;
    }
    if (how == "inflate bomb") {
        // The outer entry's Size: the inner archive it declares.
        uint32_t nameLength = uint8_t(d[273]) | uint8_t(d[274]) << 8;
        std::size_t at = 273 + 29 + nameLength;
        for (int i = 0; i < 4; ++i) d[at + i] = char(i < 3 ? 0xF0 : 0x7F);
        return d;
    }
    return "no soy un espacio de trabajo";
}

TEST(WorkspaceOpen, DamagedFileIsRefusedBeforeTheOpenWorkspaceIsClosed) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    auto good = createAndOpen(w, docs, "Buena.vxf");
    const std::string goodBytes = bytesOf(good);
    auto err = docs.root / "err.txt";
    addIngredient(w, "Maíz sin guardar");
    const char* cases[][2] = {
        {"not a workspace", "Firma Erronea"},
        {"truncated", "CRC incorrecto"},
        {"version 2", "Versión desconocida"},
        {"inflate bomb", "declara"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0]);
        auto bad = docs.vxf("Mala.vxf");
        writeText(bad, damaged(goodBytes, c[0]));
        const std::string badBytes = bytesOf(bad);
        ui.errors.clear();
        const int questions = ui.questions;
        w.AbrirVXF(bad);
        ASSERT_EQ(ui.errors.size(), 1u);
        const std::string expected =
            "El archivo " + bad.string() + " está dañado o no es un espacio de trabajo de Vexa (";
        EXPECT_EQ(ui.errors[0].rfind(expected, 0), 0u) << ui.errors[0];
        EXPECT_TRUE(contains(ui.errors[0], c[1])) << ui.errors[0];
        EXPECT_NE(w.OpenStage, kStageOk);
        // The open workspace is as it was, unsaved work included; nothing was asked.
        EXPECT_EQ(ui.questions, questions);
        ASSERT_TRUE(w.isOpen());
        EXPECT_EQ(w.CurrentVXF, good);
        EXPECT_TRUE(w.DBModified);
        EXPECT_EQ(ingredients(w), 1);
        EXPECT_EQ(bytesOf(bad), badBytes);
        EXPECT_EQ(namesIn(docs.root / "Devov").size(), 2u);  // the open one and its mark
        // The command line says the same.
        auto r = cli("list " + quoted(bad) + " groups", err);
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(contains(r.err, expected)) << r.err;
        EXPECT_FALSE(contains(r.err, "No existe el archivo")) << r.err;
    }
    // An empty container is no workspace either.
    fs::create_directories(docs.root / "vacia");
    packFolder(docs.root / "vacia", docs.vxf("Vacia.vxf"));
    w.AbrirVXF(docs.vxf("Vacia.vxf"));
    EXPECT_TRUE(contains(ui.errors.back(), "no contiene ningún archivo"));
    EXPECT_TRUE(w.isOpen());
}

// A workspace whose database has a damaged page opens read-only, says so, offers its sound
// backup, and is never saved over (it opened, solved and saved with exit 0, carrying the
// damage into the new file and its backup).
TEST(WorkspaceDamage, ADamagedDatabaseOpensReadOnlyAndOffersTheBackup) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    const fs::path file = createAndOpen(w, docs);
    w.db().exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
        "INSERT INTO Ins (Nombre) SELECT 'Insumo número ' || i FROM n");
    w.DBModified = true;
    ASSERT_TRUE(w.GuardarVXF());  // the backup is this sound version
    w.DBModified = true;
    ASSERT_TRUE(w.GuardarVXF());
    ASSERT_TRUE(w.CerrarVXF());
    // Scramble one page in the middle of the ingredient table.
    const fs::path folder = docs.root / "roto";
    unpackFile(file, folder);
    {
        std::fstream db(folder / "vexa.sqlite", std::ios::in | std::ios::out | std::ios::binary);
        db.seekg(0, std::ios::end);
        const std::streamoff size = db.tellg();
        db.seekp(size / 2 / 4096 * 4096);
        const std::string junk(64, '\xA5');
        db.write(junk.data(), std::streamsize(junk.size()));
    }
    fs::remove(file);
    packFolder(folder, file);
    const std::string damaged = bytesOf(file);

    ui.answerYes = false;
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_TRUE(w.readOnlyFile());
    ASSERT_FALSE(ui.errors.empty());
    EXPECT_TRUE(contains(ui.errors.back(), "está dañada")) << ui.errors.back();
    EXPECT_EQ(ui.questions, 1);  // the backup was offered
    w.DBModified = true;
    EXPECT_FALSE(w.GuardarVXF());
    EXPECT_EQ(bytesOf(file), damaged);
    ASSERT_TRUE(w.CerrarVXF());

    // Accepting the offer opens the sound backup.
    ui.answerYes = true;
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, kStageOk);
    EXPECT_EQ(w.CurrentVXF, backupPath(file));
    EXPECT_FALSE(w.readOnlyFile());
}

TEST(WorkspaceLeftovers, WhatDeadProcessesLeftIsRemovedAtStart) {
    DocumentsFolder docs;
    auto settings = docs.settings();
    const long dead = deadPid(), alive = ::getppid();
    fs::create_directories(settings.privateFolder);
    auto leave = [&](const fs::path& p, bool folder) {
        if (folder) {
            fs::create_directories(p / "Devov");
            writeText(p / "Devov" / "datos", "x");
        } else {
            writeText(p, "x");
        }
        return p;
    };
    char deadTemp[40], aliveTemp[40];
    std::snprintf(deadTemp, sizeof deadTemp, "~Archiv-%08lx%08x.tmp", dead, 0x1234u);
    std::snprintf(aliveTemp, sizeof aliveTemp, "~Archiv-%08lx%08x.tmp", alive, 0x1234u);
    const fs::path t = settings.privateFolder;
    auto deadCli = leave(t / ("vexa-cli-" + std::to_string(dead)), true);
    auto aliveCli = leave(t / ("vexa-cli-" + std::to_string(alive)), true);
    auto deadArchive = leave(t / deadTemp, false);
    auto aliveArchive = leave(t / aliveTemp, false);
    auto foreignArchive = leave(t / "~Archiv-1f.tmp", false);  // another writer's: no owner
    // A desktop program's working folder, marked with its process.
    auto deadWork = settings.workRoot / "Granja.000";
    fs::create_directories(deadWork);
    writeText(deadWork / "DB.def", "[Def]\n");
    writeText(settings.workRoot / ".Granja.000.pid", std::to_string(dead) + "\n");
    auto unmarked = settings.workRoot / "Granja.001";
    fs::create_directories(unmarked);
    // And beside the workspace, the temporary file of a killed save.
    auto besideDead = leave(docs.vxf(deadTemp), false);

    ScriptedUi ui;
    Tdmvxf w(settings, ui);
    EXPECT_FALSE(fs::exists(deadCli));
    EXPECT_FALSE(fs::exists(deadArchive));
    EXPECT_FALSE(fs::exists(deadWork));
    EXPECT_FALSE(fs::exists(settings.workRoot / ".Granja.000.pid"));
    EXPECT_TRUE(fs::exists(aliveCli));
    EXPECT_TRUE(fs::exists(aliveArchive));
    EXPECT_TRUE(fs::exists(foreignArchive));
    EXPECT_TRUE(fs::exists(unmarked));
    createAndOpen(w, docs);
    EXPECT_FALSE(fs::exists(besideDead));
    EXPECT_TRUE(fs::exists(settings.workRoot / ".Granja.000.pid"));
    ASSERT_TRUE(w.CerrarVXF());
    EXPECT_FALSE(fs::exists(settings.workRoot / ".Granja.000.pid"));
}

TEST(WorkspaceLeftovers, ASignalRemovesTheRegisteredFoldersAndFiles) {
    DocumentsFolder docs;
    const fs::path folder = docs.root / "Devov" / "Granja.000";
    fs::create_directories(folder / "sub" / "deeper");
    for (int i = 0; i < 300; ++i) writeText(folder / std::to_string(i), "x");
    writeText(folder / "sub" / "deeper" / "g", "y");
    const fs::path lock = docs.vxf(".~lock.Granja.vxf#");
    writeText(lock, "Vexa\n");
    const fs::path kept = docs.vxf("Granja.vxf");
    writeText(kept, "x");
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        fs::create_directories(folder);
        writeText(lock, "Vexa\n");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        if (child == 0) {
            vxf::installSignalCleanup();
            vxf::addCleanupPath(folder, true);
            vxf::addCleanupPath(lock);
            char c = 1;
            if (::write(ready[1], &c, 1) != 1) ::_exit(3);
            for (;;) ::pause();
        }
        char c = 0;
        ASSERT_EQ(::read(ready[0], &c, 1), 1);
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(ready[0]);
        ::close(ready[1]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_FALSE(fs::exists(lock));
        EXPECT_TRUE(fs::exists(kept));
    }
}

}  // namespace
}  // namespace vexa
