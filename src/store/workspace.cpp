#include "store/workspace.h"

#include "store/container/container.h"
#include "store/container/file_ops.h"
#include "store/container/signal_cleanup.h"
#include "store/legacy/paradox_convert.h"
#include "store/schema.h"
#include "store/workspace_asking.h"
#include "vexa_version.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxFolderFailures = 11;

std::string shortDate() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%d/%m/%Y", &local);
    return buf;
}

void removeIfEmpty(const fs::path& folder) {
    std::error_code ec;
    if (!folder.empty() && fs::is_directory(folder, ec) && fs::is_empty(folder, ec))
        fs::remove(folder, ec);
}

bool isInside(const fs::path& inner, const fs::path& outer) {
    std::error_code ec;
    auto a = fs::weakly_canonical(inner, ec);
    auto b = fs::weakly_canonical(outer, ec);
    auto ai = a.begin();
    for (auto bi = b.begin(); bi != b.end(); ++bi, ++ai) {
        if (bi->empty()) continue;  // trailing separator
        if (ai == a.end() || *ai != *bi) return false;
    }
    return true;
}

}  // namespace

fs::path backupPath(const fs::path& file) {
    auto ext = file.extension().string();
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto b = file;
    // A backup opened and saved again keeps its own previous version beside it, never itself.
    if (ext == ".bkp") return b += ".bkp";
    b.replace_extension(".bkp");
    return b;
}

Tdmvxf::Tdmvxf(WorkspaceSettings settings, WorkspaceUi& ui)
    : settings_(std::move(settings)), ui_(ui) {
    std::error_code ec;
    if (!settings_.privateFolder.empty()) fs::create_directories(settings_.privateFolder, ec);
    // What killed runs left behind: their working folders and temporary archives.
    removeStaleWorkingFolders(settings_.workRoot);
    removeStaleLeftovers(settings_.privateFolder);
    removeStaleLeftovers(fs::temp_directory_path(ec));
}

Tdmvxf::~Tdmvxf() {
    // Without a proper close the folder stays when it holds unsaved work.
    disconnect();
    if (!DBModified) forgetWorkDir();
}

fs::path Tdmvxf::makeScratchFolder(const fs::path& file) {
    fs::path folder = CrearCarpetaTrabajo(file);
    if (folder.empty()) return folder;
    // Marked as this process's, so a later start removes it if the process dies, and
    // removed by a signal that stops it (until it holds an open workspace).
    markWorkingFolder(folder, file);
    vxf::addCleanupPath(folder, true);
    return folder;
}

void Tdmvxf::dropScratchFolder(const fs::path& folder) {
    BorrarCarpetaTrabajo(folder);
    std::error_code ec;
    fs::remove_all(folder, ec);  // made by this process, holds nothing of the user's
    unmarkWorkingFolder(folder);
    vxf::forgetCleanupPath(folder);
}

void Tdmvxf::releaseWorkDir(bool removeFolder) {
    disconnect();
    if (removeFolder) forgetWorkDir();
    WorkDir.clear();
    CurrentVXF.clear();
    lock_.release();
    readOnlyFile_ = false;
    identity_.reset();
    DBModified = false;
}

void Tdmvxf::forgetWorkDir() {
    if (WorkDir.empty()) return;
    // Removed before it is forgotten, so a signal in between still finds it.
    BorrarCarpetaTrabajo(WorkDir);
    unmarkWorkingFolder(WorkDir);
    vxf::forgetCleanupPath(WorkDir);
}

std::string legacyNotice(const fs::path& file) {
    fs::path backup = file;
    backup.replace_extension(".bkp");
    return "La base de datos " + file.filename().string() +
           " fue escrita por la versión anterior del programa. Se guardará en el formato "
           "actual, y al guardarla por primera vez el archivo anterior se conservará como copia "
           "de seguridad (" +
           backup.filename().string() + ").";
}

Database& Tdmvxf::db() {
    if (!db_.isOpen()) throw std::logic_error("No hay una base de datos abierta");
    return db_;
}

void Tdmvxf::fail(const std::string& message) {
    lastError_ = message;
    ui_.showError(message);
}

void Tdmvxf::disconnect() {
    if (db_.isOpen()) db_.close();
}

fs::path Tdmvxf::CrearCarpetaTrabajo(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(settings_.workRoot, ec);
    auto stem = file.stem().string();
    int failures = 0;
    // Folders left over from earlier runs are skipped; only failed creations count.
    for (int i = 0; i <= 0xFFFFF && failures < kMaxFolderFailures; ++i) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%03X", i);
        auto candidate = settings_.workRoot / (stem + suffix);
        if (fs::exists(candidate, ec)) continue;
        if (fs::create_directory(candidate, ec) && !ec) return candidate;
        ++failures;
    }
    return {};
}

void Tdmvxf::BorrarCarpetaTrabajo(const fs::path& folder) {
    if (folder.empty() || !hasDBDef(folder)) return;
    std::error_code ec;
    if (isInside(fs::current_path(ec), folder)) {
        fs::path away = settings_.vxfPath;
        if (away.empty() || !fs::is_directory(away, ec)) away = settings_.documents;
        if (away.empty() || !fs::is_directory(away, ec)) away = folder.parent_path();
        fs::current_path(away, ec);
    }
    fs::remove_all(folder, ec);
}

std::optional<TDBDef> Tdmvxf::unpackChecked(const fs::path& f, const fs::path& folder) {
    legacyConverted_ = false;
    lastConversion_.clear();
    // Everything about the new file is checked into its own folder before the open
    // workspace is touched: a file that is damaged or no workspace leaves it as it was.
    try {
        OpenStage = kStageNaming;
        OpenStage = kStageReading;
        OpenStage = kStageUnpacking;
        AskingHandler handler(ui_);
        unpackFile(f, folder, &handler);
        std::error_code ec;
        if (fs::is_empty(folder, ec)) {
            OpenStage = kStageReading;
            throw ContainerError(ContainerError::Kind::Corrupted, "no contiene ningún archivo");
        }
    } catch (const ContainerError& e) {
        // A file that is no container of this kind fails where the container is read.
        if (e.kind() == ContainerError::Kind::BadSignature ||
            e.kind() == ContainerError::Kind::UnknownVersion)
            OpenStage = kStageReading;
        fail(openErrorText(f, e));
        return std::nullopt;
    }
    OpenStage = kStageReadingDef;
    try {
        TDBDef def = readDBDef(folder);
        const int version = layoutVersionFromNumber(def.Ver.toDouble());
        if (!isKnownLayoutVersion(version)) {
            OpenStage = kStageVersion;
            fail("El archivo VXF es de una versión no reconocida.");
            return std::nullopt;
        }
        // A workspace of the earlier program: its tables become the database here, in the
        // scratch folder, and are then upgraded like any older layout. The file itself is
        // not touched until the user saves.
        if (isParadoxFolder(folder)) {
            OpenStage = kStageConnecting;
            lastConversion_ = convertParadoxFolder(folder);
            legacyConverted_ = true;
        }
        // Its database is checked (a foreign schema is refused when connected) and upgraded
        // here, in the scratch copy, so a hostile file or a failed upgrade is turned away
        // while the open workspace is still untouched. The upgrade is one transaction.
        OpenStage = kStageConnecting;
        {
            Database probe(databaseFile(folder), settings_.readOnly ? Database::Mode::ReadOnly
                                                                    : Database::Mode::ReadWrite);
            // A file that lost a table is damaged: turned away here, rather than failing
            // later in every window that reads the table.
            auto missing = missingTables(probe);
            if (!missing.empty()) {
                fail("El archivo " + f.string() + " está dañado: le falta la tabla " +
                     missing.front() + ".");
                return std::nullopt;
            }
            // A read-only connection cannot be upgraded; the old layout is shown as it is.
            if (!settings_.readOnly) {
                upgradeDatabase(probe, version);
                lastUpgrade_ = upgradeSteps(version);
                // Recorded as current only once every step ran.
                def.Ver = kCurrentVer;
            }
        }
        return def;
    } catch (const std::exception& e) {
        fail(e.what());
        return std::nullopt;
    }
}

namespace {

// SQLite's quick check of the database's pages: empty when sound, else what it found first.
// (About 20 ms on a workspace of 1,000 ingredients by 150 nutrients, a 5 MB database.)
std::string quickCheck(Database& db) {
    try {
        Statement s = db.prepare("PRAGMA quick_check(1)");
        if (!s.step()) return "no se pudo comprobar";
        const std::string result = s.getText(0);
        return result == "ok" ? std::string() : result;
    } catch (const std::exception& e) {
        return e.what();
    }
}

// The save writes NAME.vxf.guardando and rotates NAME.bkp through NAME.bkp.anterior: a name
// so long that those do not fit in the folder can be opened but never saved in its place.
// Empty when they fit, else what the user is told at the open.
std::string sideFilesTooLong(const fs::path& file) {
    long max = ::pathconf(file.parent_path().c_str(), _PC_NAME_MAX);
    if (max <= 0) max = 255;
    const size_t longest =
        std::max(savingPath(file).filename().string().size(),
                 backupPath(file).filename().string().size() + std::strlen(".anterior"));
    if (longest <= static_cast<size_t>(max)) return {};
    return "El nombre de " + file.filename().string() + " es demasiado largo para guardar la " +
           "base de datos en su lugar (sus archivos auxiliares no caben en la carpeta). Para " +
           "guardar sus cambios use \"Guardar como...\" con un nombre más corto.";
}

// Whether `file` is itself a backup (NAME.bkp), whose own backup is not offered.
bool isBackup(const fs::path& file) {
    std::string ext = file.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".bkp";
}

}  // namespace

std::optional<LockOwner> Tdmvxf::takeLockOrAsk(WorkspaceLock& lock, const fs::path& file,
                                               const std::string& goOnQuestion) {
    auto owner = lock.acquire(file);
    if (!owner) return std::nullopt;
    // A lock only recorded (another host, this one renamed) may be taken over.
    if (mayTakeOver(*owner) && ui_.askTakeOverLock(takeOverQuestion(file, *owner)))
        return lock.acquire(file, true);
    // Without locking in that folder the user may go on, on their own responsibility.
    if (owner->error == ENOLCK && ui_.askYesNo(lockedMessage(file, *owner) + " " + goOnQuestion +
                                                   ", bajo su responsabilidad?",
                                               "Confirmación"))
        return std::nullopt;
    return owner;
}

std::string Tdmvxf::connectWorkDir() {
    db_ = Database(databaseFile(WorkDir),
                   settings_.readOnly ? Database::Mode::ReadOnly : Database::Mode::ReadWrite);
    // The working folder is what a killed or crashed program leaves for the next start to
    // offer back, so each change must reach the file whole: the rollback journal stays on
    // disk, and a commit cut short is rolled back when the folder is opened again (with the
    // journal in memory, a kill in the middle of a commit left a damaged database). Waiting
    // for the disk after every change would only guard against a power cut, which the saved
    // file is flushed for. The folder is this program's alone (its lock file says so), so
    // the connection keeps the file locked and its journal in place between transactions:
    // otherwise every transaction takes and drops the lock, creates and deletes the journal
    // and reads the header again to see whether someone else changed the file.
    if (!settings_.readOnly) {
        db_.exec(
            "PRAGMA synchronous = OFF; PRAGMA journal_mode = PERSIST; "
            "PRAGMA locking_mode = EXCLUSIVE");
        db_.onCommit([this] { noteChange(); });
    }
    // A damaged database is never saved again as if it were sound: it is shown read-only.
    damage_ = quickCheck(db_);
    if (!damage_.empty()) readOnlyFile_ = true;
    return damage_;
}

void Tdmvxf::noteChange() {
    if (changeNoted_ || WorkDir.empty()) return;
    recordUnsavedChange(WorkDir, CurrentVXF);
    changeNoted_ = true;
}

void Tdmvxf::noteSaved() {
    if (WorkDir.empty()) return;
    recordSavedState(WorkDir, CurrentVXF);
    changeNoted_ = false;
}

std::string Tdmvxf::damagedText(const std::string& damage) const {
    return "La base de datos de " + CurrentVXF.string() + " está dañada (" + damage +
           "). Se abrió en modo de sólo lectura: puede consultarla y copiar lo que necesite, "
           "pero no se guardará sobre el archivo.";
}

void Tdmvxf::AbrirVXF(const fs::path& file) {
    lastUpgrade_.clear();
    std::error_code ec;
    // Opened through a link, the workspace is the file the link names: saves, the backup and
    // the lock go beside it, and the link stays a link.
    const fs::path f = vxf::realFile(file);
    removeStaleLeftovers(f.parent_path());

    if (!fs::exists(f, ec)) {
        // A save or a crash may have left the workspace under another name only.
        auto copy = findRecoverableCopy(f);
        OpenStage = kStageReading;
        if (!copy) {
            fail("No existe el archivo " + f.string());
            return;
        }
        if (!ui_.askYesNo("Se encontró una copia de " + f.string() + " en " + copy->string() +
                              ". ¿Desea recuperarla?",
                          "Confirmación")) {
            lastError_ = "No existe el archivo " + f.string() + ". Se encontró una copia en " +
                         copy->string() + ".";
            return;
        }
        if (int error = restoreCopy(*copy, f)) {
            fail("No se pudo recuperar la copia " + copy->string() + ". " +
                 writeErrorText(error, f.parent_path()));
            return;
        }
    }

    // The lock of the file being opened; the open file's own lock passes over at the close.
    const bool reopening = lock_.holds(f);
    WorkspaceLock lock;
    bool readOnly = !userMayWrite(f);
    // Takes the file's lock; held by another program, the user may open it read-only. False
    // when the user declined.
    auto takeLock = [&] {
        if (!lockOnOpen_ || settings_.readOnly || readOnly) return true;
        auto owner = takeLockOrAsk(lock, f, "¿Desea abrirlo para modificarlo de todos modos");
        if (!owner) return true;
        if (!ui_.askOpenReadOnly(lockedMessage(f, *owner))) {
            OpenStage = kStageReading;
            lastError_ = lockedMessage(f, *owner);
            return false;
        }
        readOnly = true;
        return true;
    };
    if (!reopening && !takeLock()) return;

    fs::path folder = makeScratchFolder(f);
    if (folder.empty()) {
        OpenStage = kStageNoWorkFolder;
        fail("Es necesario la trayectoria de extracción (property ExtractPath)");
        return;
    }
    auto dropFolder = [&] { dropScratchFolder(folder); };
    const auto identity = fileIdentity(f);
    std::optional<TDBDef> def = unpackChecked(f, folder);
    if (!def) {
        dropFolder();
        return;
    }

    if (isOpen() || !WorkDir.empty()) {
        int stage = OpenStage;
        if (!CerrarVXF()) {
            // The open workspace could not be saved: it stays open and nothing is lost.
            dropFolder();
            return;
        }
        OpenStage = stage;
    }
    if (reopening && !takeLock()) {
        dropFolder();
        return;
    }

    WorkDir = folder;
    CurrentVXF = f;
    DBDef = *def;
    lock_ = std::move(lock);
    readOnlyFile_ = readOnly;
    identity_ = identity;

    try {
        OpenStage = kStageConnecting;
        // A converted workspace differs from its file until saved in the current format.
        DBModified = legacyConverted_;
        const std::string damage = connectWorkDir();
        // The folder says which layout its database has now (the upgrade ran in it).
        if (!settings_.readOnly) writeDBDef(WorkDir, DBDef);
        // From here the folder holds the open workspace: a crash or a signal leaves it where
        // the next start finds what changed since now, and offers it back.
        noteSaved();
        vxf::forgetCleanupPath(WorkDir);
        OpenStage = kStageOk;
        if (std::string why = sideFilesTooLong(CurrentVXF); !why.empty()) ui_.showNotice(why);
        if (!damage.empty()) {
            const fs::path backup = backupPath(CurrentVXF);
            std::string text = damagedText(damage);
            lastError_ = text;
            if (fs::exists(backup, ec) && !isBackup(CurrentVXF) &&
                ui_.askYesNo(text + " ¿Desea abrir la copia de seguridad " + backup.string() + "?",
                             "Confirmación")) {
                AbrirVXF(backup);
                return;
            }
            ui_.showError(text);
        }
        if (legacyConverted_) ui_.showNotice(legacyNotice(CurrentVXF));
        if (ui_.notifyShell(kAppRefreshCaption, 0)) ui_.notifyShell(kAppOpenFormulas, -1);
    } catch (const std::exception& e) {
        fail(e.what());
        releaseWorkDir(true);
        removeIfEmpty(folder);
        if (OpenStage == kStageOk) OpenStage = kStageReading;
    }
}

bool Tdmvxf::AbrirConDialogo() {
    auto chosen = ui_.chooseOpenFile("Abrir base de datos", settings_.vxfPath);
    if (!chosen) return false;
    AbrirVXF(*chosen);
    return true;
}

void Tdmvxf::CrearVXF(const fs::path& file, const FillDatabase& fill) {
    std::error_code ec;
    const fs::path n = fs::absolute(file, ec);
    TDBDef def;
    def.Ver = kCurrentVer;
    def.Nombre = n.filename().string();
    def.Autor = settings_.userName;
    def.Comentario = std::string("Creado por ") + kProductTitle + " (" + shortDate() + ")";

    // A file another program holds, or one the user may not write, is never replaced.
    if (fs::exists(n, ec)) {
        if (!lock_.holds(n)) checkNotLocked(n);
        if (!userMayWrite(n))
            throw std::runtime_error("No tiene permiso para escribir en " + n.string() + ".");
    }
    fs::path folder = makeScratchFolder(n);
    if (folder.empty())
        throw ContainerError(ContainerError::Kind::NoExtractPath,
                             "Es necesario la trayectoria de extracción (property ExtractPath)");
    try {
        {
            Database db = createDatabase(folder);
            if (fill) fill(db, def);
        }
        writeDBDef(folder, def);
        packAndRotate(folder, n);
    } catch (const std::exception& e) {
        dropScratchFolder(folder);
        std::string text = saveErrorText(n, e);
        const std::string head = "No se pudo guardar la base de datos en ";
        if (text.rfind(head, 0) == 0) text = "No se pudo crear " + text.substr(head.size());
        throw std::runtime_error(text);
    }
    dropScratchFolder(folder);
}

void Tdmvxf::NuevaVXF(const fs::path& startFolder) {
    auto chosen = ui_.chooseSaveFile("Nueva base de datos", startFolder);
    if (!chosen) return;
    try {
        CrearVXF(*chosen);
    } catch (const std::exception& e) {
        // Opening the file anyway would show the old workspace under the new name.
        fail(e.what());
        return;
    }
    AbrirVXF(*chosen);
}

bool Tdmvxf::PreguntarGuardar(WorkspaceUi::SaveAnswer* answered) {
    if (isOpen() && DBModified) {
        const auto answer =
            ui_.askSaveChanges("¿Desea guardar la base de datos actual?", "Confirmación");
        if (answered) *answered = answer;
        switch (answer) {
            case WorkspaceUi::SaveAnswer::Cancel:
                return false;  // nothing happens: the workspace stays open and modified
            case WorkspaceUi::SaveAnswer::Yes:
                if (!GuardarVXF()) return false;
                break;
            case WorkspaceUi::SaveAnswer::No:
                break;
        }
        DBModified = false;
    }
    return true;
}

bool Tdmvxf::CerrarVXF() {
    OpenStage = kStageClosing;
    // Asked before the windows close, so that Cancelar leaves them as they were; a window that
    // posts its pending edit as it closes is asked about after.
    if (!PreguntarGuardar()) return false;
    ui_.notifyShell(kAppCloseAll, 0);
    if (!PreguntarGuardar()) return false;
    releaseWorkDir(true);
    OpenStage = kStageOk;
    return true;
}

bool Tdmvxf::AbrirInicial(const std::optional<fs::path>& commandLine,
                          const std::string& startupFile) {
    if (commandLine) {
        AbrirVXF(*commandLine);
    } else {
        OpenStage = kStageNoCommandLine;
    }
    if (OpenStage != kStageOk && !startupFile.empty()) {
        fs::path p = startupFile;
        AbrirVXF(p.is_absolute() ? p : settings_.vxfPath / p);
    }
    if (OpenStage != kStageOk) AbrirConDialogo();
    if (OpenStage != kStageOk) NuevaVXF(settings_.vxfPath);
    return OpenStage == kStageOk && isOpen();
}

bool Tdmvxf::Terminar() {
    if (!CerrarVXF()) return false;
    std::error_code ec;
    if (!settings_.privateFolder.empty() && fs::is_directory(settings_.privateFolder, ec)) {
        for (const auto& entry : fs::directory_iterator(settings_.privateFolder, ec)) {
            auto name = entry.path().filename().string();
            auto ext = entry.path().extension().string();
            for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (!name.empty() && name[0] == '_' && ext == ".db") fs::remove(entry.path(), ec);
        }
    }
    return true;
}

}  // namespace vexa
