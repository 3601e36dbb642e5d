#include "store/workspace.h"

#include "store/container/container.h"
#include "store/schema.h"
#include "vexa_version.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <stdexcept>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxFolderFailures = 11;

// Shows a single file's error, then lets the user decide whether to go on without it.
class AskingHandler : public ContainerErrorHandler {
public:
    explicit AskingHandler(WorkspaceUi& ui) : ui_(ui) {}
    FileErrorAnswer onFileError(const std::string& fileName, const ContainerError& error) override {
        ui_.showError(error.what());
        return ui_.askContinueAfterFileError(fileName) ? FileErrorAnswer::Continue
                                                       : FileErrorAnswer::Stop;
    }

private:
    WorkspaceUi& ui_;
};

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
}

Tdmvxf::~Tdmvxf() {
    // Without a proper close the folder stays when it holds unsaved work.
    disconnect();
    if (!DBModified) BorrarCarpetaTrabajo(WorkDir);
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

void Tdmvxf::AbrirVXF(const fs::path& file) {
    lastUpgrade_.clear();
    std::error_code ec;
    const fs::path f = fs::absolute(file, ec);
    fs::path folder = CrearCarpetaTrabajo(f);
    if (folder.empty()) OpenStage = kStageNoWorkFolder;

    if (isOpen() || !WorkDir.empty()) {
        if (!CerrarVXF()) {
            // The open workspace could not be saved: it stays open and nothing is lost.
            removeIfEmpty(folder);
            return;
        }
    }
    WorkDir.clear();
    CurrentVXF.clear();
    DBDef = TDBDef{};

    try {
        OpenStage = kStageNaming;
        OpenStage = kStageReading;
        if (!hasEntries(f)) throw std::runtime_error("No existe el archivo " + f.string());
        OpenStage = kStageUnpacking;
        try {
            AskingHandler handler(ui_);
            unpackFile(f, folder, &handler);
        } catch (...) {
            BorrarCarpetaTrabajo(folder);
            throw;
        }
        OpenStage = kStageOk;

        OpenStage = kStageReadingDef;
        TDBDef def = readDBDef(folder);
        int version = layoutVersionFromNumber(def.Ver.toDouble());
        if (!isKnownLayoutVersion(version)) {
            OpenStage = kStageVersion;
            throw std::runtime_error("El archivo VXF es de una versión no reconocida.");
        }

        WorkDir = folder;
        CurrentVXF = f;
        DBDef = def;

        OpenStage = kStageConnecting;
        db_ = Database(databaseFile(WorkDir),
                       settings_.readOnly ? Database::Mode::ReadOnly : Database::Mode::ReadWrite);
        // The working folder is a scratch copy: the workspace file is what must survive a
        // crash, and it is written and flushed by the save. Waiting for the disk after every
        // change, or keeping the rollback journal on disk, would only slow each edit down
        // (a failed statement still rolls back, from memory).
        if (!settings_.readOnly) db_.exec("PRAGMA synchronous = OFF; PRAGMA journal_mode = MEMORY");
        if (ui_.notifyShell(kAppRefreshCaption, 0)) ui_.notifyShell(kAppOpenFormulas, -1);
        DBModified = false;
        OpenStage = kStageOk;

        try {
            upgradeDatabase(db_, version);
            lastUpgrade_ = upgradeSteps(version);
            // Recorded as current only once every step ran, so a failed upgrade is retried.
            DBDef.Ver = kCurrentVer;
        } catch (const std::exception& e) {
            fail(e.what());
        }
        OpenStage = kStageOk;
    } catch (const std::exception& e) {
        fail(e.what());
        if (OpenStage > 60) disconnect();
        if (OpenStage > 30) BorrarCarpetaTrabajo(folder);
        removeIfEmpty(folder);
        WorkDir.clear();
        CurrentVXF.clear();
        if (OpenStage == kStageOk) OpenStage = kStageReading;
    }
}

bool Tdmvxf::AbrirConDialogo() {
    auto chosen = ui_.chooseOpenFile("Abrir base de datos", settings_.vxfPath);
    if (!chosen) return false;
    AbrirVXF(*chosen);
    return true;
}

void Tdmvxf::packAndRotate(const fs::path& folder, const fs::path& target) {
    std::error_code ec;
    auto partial = target;
    partial += ".guardando";
    fs::remove(partial, ec);

    OpenStage = kStagePackCreate;
    PackOptions options;
    if (!settings_.privateFolder.empty() && fs::is_directory(settings_.privateFolder, ec))
        options.tempFolder = settings_.privateFolder;
    AskingHandler handler(ui_);
    options.errorHandler = &handler;
    OpenStage = kStagePackAdd;
    try {
        packFolder(folder, partial, options);
    } catch (...) {
        fs::remove(partial, ec);
        throw;
    }

    // The new file is complete: only now is the backup rotated.
    OpenStage = kStageBackup;
    const auto backup = backupPath(target);
    if (fs::exists(backup, ec)) {
        ui_.moveToTrash(backup);
        if (fs::exists(backup, ec)) fs::remove(backup, ec);
    }
    const bool hadCurrent = fs::exists(target, ec);
    if (hadCurrent) {
        fs::rename(target, backup, ec);
        if (ec) {
            fs::remove(partial, ec);
            throw std::runtime_error("No se pudo respaldar " + target.string() + " como " +
                                     backup.string());
        }
    }
    fs::rename(partial, target, ec);
    if (ec) {
        std::string why = ec.message();
        if (hadCurrent) fs::rename(backup, target, ec);
        fs::remove(partial, ec);
        throw std::runtime_error("No se pudo escribir " + target.string() + ": " + why);
    }
    OpenStage = kStageOk;
}

bool Tdmvxf::GuardarVXF() {
    if (!isOpen() || CurrentVXF.empty()) {
        fail("No hay una base de datos abierta");
        return false;
    }
    ui_.setBusy(true);
    bool ok = false;
    try {
        OpenStage = kStageSavingEdits;
        ui_.notifyShell(kAppBeforeSave, 0);
        // Every change is committed as it is made; an open transaction here would be a
        // window's unfinished edit, which must not reach the file half done.
        if (db_.inTransaction())
            throw std::runtime_error("Hay cambios sin aplicar en la base de datos");

        OpenStage = kStageSavingDef;
        writeDBDef(WorkDir, DBDef);

        packAndRotate(WorkDir, CurrentVXF);
        DBModified = false;
        OpenStage = kStageOk;
        ok = true;
    } catch (const std::exception& e) {
        fail("No se pudo guardar la base de datos en " + CurrentVXF.string() + ". " + e.what());
    }
    ui_.setBusy(false);
    return ok;
}

bool Tdmvxf::GuardarVXFComo() {
    auto chosen = ui_.chooseSaveFile("Guardar base de datos", settings_.vxfPath);
    if (!chosen) return false;
    auto previous = CurrentVXF;
    std::error_code ec;
    CurrentVXF = fs::absolute(*chosen, ec);
    if (GuardarVXF()) return true;
    CurrentVXF = previous;
    return false;
}

void Tdmvxf::CrearVXF(const fs::path& file, const FillDatabase& fill) {
    std::error_code ec;
    const fs::path n = fs::absolute(file, ec);
    TDBDef def;
    def.Ver = kCurrentVer;
    def.Nombre = n.filename().string();
    def.Autor = settings_.userName;
    def.Comentario = std::string("Creado por ") + kProductTitle + " (" + shortDate() + ")";

    fs::path folder = CrearCarpetaTrabajo(n);
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
    } catch (...) {
        BorrarCarpetaTrabajo(folder);
        fs::remove_all(folder, ec);  // made by this call, holds nothing of the user's
        throw;
    }
    BorrarCarpetaTrabajo(folder);
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

bool Tdmvxf::PreguntarGuardar() {
    if (isOpen() && DBModified) {
        switch (ui_.askSaveChanges("¿Desea guardar la base de datos actual?", "Confirmación")) {
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
    ui_.notifyShell(kAppCloseAll, 0);
    if (!PreguntarGuardar()) return false;
    disconnect();
    DBModified = false;
    BorrarCarpetaTrabajo(WorkDir);
    WorkDir.clear();
    CurrentVXF.clear();
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
