// Getting back the unsaved work of a program that stopped without closing (killed, crashed,
// or the session ended): its working folder is offered at the next start, to be reopened as
// the workspace it was, saved as a file of its own, or discarded.
#include "store/db_def.h"
#include "store/schema.h"
#include "store/workspace.h"

#include <ctime>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

namespace {

std::string changeTimeText(std::int64_t nanoseconds) {
    std::time_t when = std::time_t(nanoseconds / 1000000000);
    std::tm local{};
    localtime_r(&when, &local);
    char text[32];
    std::strftime(text, sizeof text, "%d/%m/%Y %H:%M", &local);
    return text;
}

std::string recoveryQuestion(const UnsavedSession& s) {
    const std::string name =
        s.workspace.empty() ? s.folder.filename().string() : s.workspace.string();
    return "Se encontraron cambios sin guardar de una sesión anterior de " + name +
           " (último cambio: " + changeTimeText(s.changed) +
           "). El programa se cerró sin guardarlos.\n\n"
           "Recuperar: abrirlos como la base de datos " +
           (s.workspace.empty() ? std::string("recuperada") : s.workspace.filename().string()) +
           ", para revisarlos y guardarlos.\n"
           "Guardar como archivo: guardarlos en un archivo aparte, sin tocar el original.\n"
           "Descartar: eliminarlos definitivamente.\n"
           "Más tarde: conservarlos y volver a preguntar la próxima vez.";
}

}  // namespace

bool Tdmvxf::adoptSession(const UnsavedSession& s, const fs::path& file, bool tellDamage) {
    if (isOpen() || !WorkDir.empty()) {
        if (!CerrarVXF()) return false;
    }
    TDBDef def;
    try {
        def = readDBDef(s.folder);
    } catch (const std::exception& e) {
        fail("No se pudieron recuperar los cambios de " + s.folder.string() + ": " + e.what());
        return false;
    }
    const int version = layoutVersionFromNumber(def.Ver.toDouble());
    if (!isKnownLayoutVersion(version)) {
        fail("No se pudieron recuperar los cambios de " + s.folder.string() +
             ": la base de datos es de una versión no reconocida.");
        return false;
    }
    std::error_code ec;
    WorkspaceLock lock;
    bool readOnly = fs::exists(file, ec) && !userMayWrite(file);
    if (lockOnOpen_ && !settings_.readOnly && !readOnly &&
        takeLockOrAsk(lock, file, "¿Desea recuperar los cambios para guardarlos de todos modos"))
        readOnly = true;  // saved only under another name
    WorkDir = s.folder;
    CurrentVXF = file;
    changeNoted_ = false;
    noteChange();  // now this process's, with its changes unsaved
    DBDef = def;
    lock_ = std::move(lock);
    readOnlyFile_ = readOnly;
    identity_ = fileIdentity(file);
    legacyConverted_ = false;
    lastConversion_.clear();
    lastUpgrade_.clear();
    try {
        OpenStage = kStageConnecting;
        const std::string damage = connectWorkDir();
        if (!settings_.readOnly && version != layoutVersionFromNumber(kCurrentVer.toDouble())) {
            upgradeDatabase(db_, version);
            DBDef.Ver = kCurrentVer;
        }
        DBModified = true;
        OpenStage = kStageOk;
        if (!damage.empty() && tellDamage) ui_.showError(lastError_ = damagedText(damage));
        if (ui_.notifyShell(kAppRefreshCaption, 0)) ui_.notifyShell(kAppOpenFormulas, -1);
        return true;
    } catch (const std::exception& e) {
        fail("No se pudieron recuperar los cambios de " + s.folder.string() + ": " + e.what());
        // The folder stays as it was found, for the next start.
        releaseWorkDir(false);
        OpenStage = kStageReading;
        return false;
    }
}

bool Tdmvxf::keepSessionAsFile(const UnsavedSession& s) {
    const fs::path start = s.workspace.empty() ? settings_.vxfPath : s.workspace.parent_path();
    auto chosen = ui_.chooseSaveFile("Guardar los cambios recuperados", start);
    if (!chosen) return false;
    std::error_code ec;
    const fs::path target = fs::absolute(*chosen, ec);
    if (fs::exists(target, ec) && !userMayWrite(target)) {
        fail("No tiene permiso para escribir en " + target.string() + ".");
        return false;
    }
    if (!adoptSession(s, target, false)) return false;
    if (!readOnlyFile_ && saveTo(target)) {
        const bool closed = CerrarVXF();
        ui_.showNotice("Los cambios recuperados se guardaron en " + target.string() + ".");
        return closed;
    }
    // Not saved (the cause was told): the folder goes back to waiting for the next start.
    // A damaged database is not saved as if it were sound, not even apart.
    if (!damage_.empty())
        fail("Los cambios sin guardar de " + s.folder.string() + " están dañados (" + damage_ +
             ") y no se guardaron en " + target.string() +
             ". Con \"Recuperar\" puede abrirlos en modo de sólo lectura y copiar lo que "
             "necesite.");
    else if (readOnlyFile_)
        fail("No se pudieron guardar los cambios recuperados en " + target.string() +
             ": otro programa lo tiene abierto o no tiene permiso para escribirlo.");
    recordUnsavedChange(s.folder, s.workspace);
    releaseWorkDir(false);
    return false;
}

bool Tdmvxf::OfrecerRecuperacion() {
    // In read-only mode nothing may be written, not even a recovered folder's pending
    // rollback: the work waits for a start that may write.
    if (settings_.readOnly) return false;
    bool recovered = false;
    for (const UnsavedSession& s : unsavedSessions(settings_.workRoot)) {
        if (!s.unsaved) continue;
        switch (ui_.askRecoverSession(recoveryQuestion(s))) {
            case WorkspaceUi::RecoveryAnswer::Recover: {
                fs::path file = s.workspace;
                if (file.empty()) {
                    // A folder of an earlier version does not say its file: the user names one.
                    auto chosen =
                        ui_.chooseSaveFile("Guardar los cambios recuperados", settings_.vxfPath);
                    if (!chosen) break;
                    file = *chosen;
                }
                if (adoptSession(s, file)) recovered = true;
                break;
            }
            case WorkspaceUi::RecoveryAnswer::KeepAsFile:
                keepSessionAsFile(s);
                break;
            case WorkspaceUi::RecoveryAnswer::Discard:
                discardSession(s);
                break;
            case WorkspaceUi::RecoveryAnswer::Later:
                break;
        }
    }
    return recovered && isOpen();
}

}  // namespace vexa
