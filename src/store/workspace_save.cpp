// Saving the open workspace: the lock and the changed-file check, packing into
// ".guardando", and the backup rotation that keeps a complete workspace findable throughout.
#include "store/container/binary_file.h"
#include "store/container/container.h"
#include "store/container/file_ops.h"
#include "store/file_target.h"
#include "store/schema.h"
#include "store/workspace.h"
#include "store/workspace_asking.h"

#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

void Tdmvxf::packAndRotate(const fs::path& folder, const fs::path& given) {
    // The backup and the rename go beside the file a link names, never over the link.
    const fs::path target = vxf::realFile(given);
    std::error_code ec;
    const fs::path dir = target.parent_path();
    removeStaleLeftovers(dir);
    const fs::path partial = savingPath(target);
    fs::remove(partial, ec);

    OpenStage = kStagePackCreate;
    PackOptions options;
    if (!settings_.privateFolder.empty() && fs::is_directory(settings_.privateFolder, ec))
        options.tempFolder = settings_.privateFolder;
    AskingHandler handler(ui_);
    options.errorHandler = &handler;
    // The connection's journal holds nothing between transactions, and a save runs between
    // them.
    options.leaveOut = {databaseFile(folder).filename().string() + "-journal"};
    OpenStage = kStagePackAdd;
    try {
        packFolder(folder, partial, options);
    } catch (...) {
        fs::remove(partial, ec);
        throw;
    }

    // The new file is complete. The old backup stays until the current file has taken its
    // place (linked to a second name, then renamed over it in one step); only then does the
    // old one go to the bin.
    OpenStage = kStageBackup;
    const fs::path backup = backupPath(target);
    fs::path previous = backup, fresh = backup;
    previous += ".anterior";
    fresh += ".nuevo";
    // What an earlier save left half done: a backup still moved aside is put back.
    if (!fs::exists(backup, ec) && fs::exists(previous, ec)) fs::rename(previous, backup, ec);
    fs::remove(previous, ec);
    fs::remove(fresh, ec);
    const bool hadBackup = fs::exists(backup, ec);
    bool previousLinked = hadBackup && vxf::linkFile(backup, previous) == 0;
    bool previousMoved = false;
    auto fail = [&](int error, const fs::path& where, bool dropPartial) {
        if (dropPartial) fs::remove(partial, ec);
        if (previousLinked) fs::remove(previous, ec);
        throw std::system_error(error, std::generic_category(), where.string());
    };
    const bool hadCurrent = fs::exists(target, ec);
    bool linked = false;
    if (hadCurrent) {
        if (vxf::linkFile(target, fresh) == 0) {
            if (int error = vxf::renameFile(fresh, backup)) {
                fs::remove(fresh, ec);
                fail(error, backup, true);
            }
            linked = true;
        } else {
            // Without links the current file moves to the backup's name; from here to the
            // next rename the workspace is found there, or as ".guardando", and offered back.
            if (hadBackup && !previousLinked)
                previousMoved = vxf::renameFile(backup, previous) == 0;
            if (int error = vxf::renameFile(target, backup)) {
                if (previousMoved) vxf::renameFile(previous, backup);
                fail(error, target, true);
            }
        }
    }
    if (int error = vxf::renameFile(partial, target)) {
        if (hadCurrent && !linked) {
            // Put the user's file back; failing that, both copies stay where an open finds
            // them.
            if (vxf::renameFile(backup, target) != 0) fail(error, target, false);
            if (previousMoved && vxf::renameFile(previous, backup) == 0) previousMoved = false;
        }
        if (previousMoved) previousLinked = true;  // retired with the rest
        fail(error, target, true);
    }
    vxf::BinaryFile::syncFolder(dir);
    if (previousLinked || previousMoved) {
        ui_.moveToTrash(previous);
        fs::remove(previous, ec);
    }
    OpenStage = kStageOk;
}

void Tdmvxf::reclaimFreePages() {
    // Pages freed by deletions are zeros that pack to almost nothing, so a workspace whose
    // catalogue was mostly deleted packs small and unpacks huge. When they are a large share
    // of the file they are given back first; the working copy is the one rewritten.
    auto value = [this](const char* pragma) {
        Statement s = db_.prepare(pragma);
        return s.step() ? s.getInt64(0) : 0;
    };
    const int64_t pages = value("PRAGMA page_count");
    const int64_t free = value("PRAGMA freelist_count");
    const int64_t pageSize = value("PRAGMA page_size");
    if (free * 4 < pages || free * pageSize < (int64_t(1) << 20)) return;
    try {
        db_.vacuum();
    } catch (const std::exception&) {
        // The file is larger than it needs to be, and opens all the same.
    }
}

std::string Tdmvxf::saveErrorText(const fs::path& target, const std::exception& e) {
    std::string text = "No se pudo guardar la base de datos en " + target.string() + ". ";
    int error = 0;
    if (auto* c = dynamic_cast<const ContainerError*>(&e)) {
        error = c->systemError();
        if (!error && c->kind() != ContainerError::Kind::CannotCreate &&
            c->kind() != ContainerError::Kind::CannotOpen)
            return text + c->what();
    } else if (auto* s = dynamic_cast<const std::system_error*>(&e)) {
        error = s->code().value();
    } else {
        return text + e.what();
    }
    const fs::path dir = target.parent_path();
    if (!error) {
        // The system did not say why: what the folder shows is the likely cause.
        error = likelyWriteError(dir);
        if (!error)
            return text + "No se pudo escribir el archivo; el sistema no indicó la causa (" +
                   e.what() + ").";
    }
    bool folderRefused = ::access(dir.c_str(), W_OK) != 0;
    return text + writeErrorText(error, folderRefused ? dir : target);
}

void Tdmvxf::recordDBDef() {
    if (WorkDir.empty() || settings_.readOnly) return;
    try {
        noteChange();
        writeDBDef(WorkDir, DBDef);
    } catch (const std::exception&) {
        // Kept in memory; the save writes it, and says so if it cannot.
    }
}

bool Tdmvxf::GuardarVXF() {
    if (!isOpen() || CurrentVXF.empty()) {
        fail("No hay una base de datos abierta");
        return false;
    }
    // In read-only mode the database cannot change: writing the same file again would only
    // retire the older backup.
    if (settings_.readOnly && !DBModified) return true;
    if (readOnlyFile_) {
        // The file is another program's or may not be written: only another name will do.
        std::string text =
            "La base de datos " + CurrentVXF.string() + " está abierta en modo de sólo lectura.";
        lastError_ = text + " Use \"Guardar como...\" para guardarla con otro nombre.";
        if (ui_.askYesNo(text + " ¿Desea guardarla con otro nombre?", "Confirmación"))
            return GuardarVXFComo();
        return false;
    }
    std::error_code ec;
    if (identity_ && fs::exists(CurrentVXF, ec) && fileIdentity(CurrentVXF) != identity_) {
        std::string text = "Otro programa modificó el archivo " + CurrentVXF.string() +
                           " después de que se abrió.";
        switch (ui_.askChangedOnDisk(text)) {
            case WorkspaceUi::ChangedFileAnswer::SaveAs:
                return GuardarVXFComo();
            case WorkspaceUi::ChangedFileAnswer::Overwrite:
                break;
            case WorkspaceUi::ChangedFileAnswer::Cancel:
                lastError_ = text + " No se guardó la base de datos.";
                return false;
        }
    }
    return saveTo(CurrentVXF);
}

bool Tdmvxf::saveTo(const fs::path& given) {
    // Saved through a link, the file it names takes the workspace and the link stays.
    const fs::path target = vxf::realFile(given);
    if (int error = vxf::notReplaceable(target)) {
        fail("No se pudo guardar la base de datos en " + given.string() + ": " +
             systemErrorCause(error) + " (no es un archivo normal).");
        return false;
    }
    // Whoever saves holds the lock, also a program that opened the file without it.
    WorkspaceLock lock;
    if (!lock_.holds(target)) {
        if (auto owner = takeLockOrAsk(lock, target, "¿Desea guardarlo de todos modos")) {
            fail(lockedMessage(target, *owner) + " No se guardó la base de datos.");
            return false;
        }
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
        reclaimFreePages();

        packAndRotate(WorkDir, target);
        DBModified = false;
        OpenStage = kStageOk;
        ok = true;
    } catch (const std::exception& e) {
        fail(saveErrorText(target, e));
    }
    ui_.setBusy(false);
    if (ok) {
        noteSaved();
        if (!lock_.holds(target)) lock_ = std::move(lock);
        identity_ = fileIdentity(target);
        readOnlyFile_ = false;
    }
    return ok;
}

bool Tdmvxf::GuardarVXFComo() {
    auto chosen = ui_.chooseSaveFile("Guardar base de datos", settings_.vxfPath);
    if (!chosen) return false;
    std::error_code ec;
    const fs::path target = fs::absolute(*chosen, ec);
    if (fs::exists(target, ec) && !userMayWrite(target)) {
        fail("No tiene permiso para escribir en " + target.string() + ".");
        return false;
    }
    if (!isOpen()) {
        fail("No hay una base de datos abierta");
        return false;
    }
    auto previous = CurrentVXF;
    bool wasReadOnly = readOnlyFile_;
    CurrentVXF = target;
    if (saveTo(target)) {
        if (previous != target || wasReadOnly) ui_.notifyShell(kAppRefreshCaption, 0);
        return true;
    }
    CurrentVXF = previous;
    readOnlyFile_ = wasReadOnly;
    return false;
}

}  // namespace vexa
