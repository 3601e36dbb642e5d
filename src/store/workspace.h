#pragma once
// Tdmvxf: the life of the open workspace file. Opening unpacks the .vxf into a private working
// folder and connects the database there (upgrading older layouts); saving packs the folder
// back into the file and keeps the previous version as ".bkp"; closing removes the folder.
//
// Saving never risks the user's file: the folder is packed into "NAME.guardando" beside the
// target and only a complete file is rotated in: the current file becomes the ".bkp" by a
// hard link and a rename over the old one, then the new file is renamed over the current.
// At every instant a complete workspace is under the user's name, or (where links are not
// available) under ".bkp" or ".guardando", where opening finds it and offers it back. A
// failed save reports the cause, leaves the user's file in place and keeps DBModified.
// Closing (also when another workspace is opened) never removes a folder with unsaved
// changes unless the user declined to save them.
//
// The open file is locked (workspace_lock.h) so that a second program opens it read-only,
// and a save first checks that the file is still the one opened. A file the user may not
// write opens read-only too: saving it asks for another name.
#include "store/db_def.h"
#include "store/legacy/paradox_convert.h"
#include "store/sqlite_db.h"
#include "store/workspace_files.h"
#include "store/workspace_lock.h"
#include "store/workspace_ui.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vexa {

// OpenStage codes: the stage an open, save or close reached, 0 when it succeeded. Callers
// and the lifecycle itself compare OpenStage with these names, never with bare numbers.
enum OpenStageCode : int {
    kStageNoCommandLine = -1,
    kStageOk = 0,
    kStageNaming = 11,
    kStageReading = 12,
    kStageUnpacking = 13,
    kStageReadingDef = 21,
    kStageVersion = 31,
    kStageClosing = 41,
    kStageConnecting = 61,
    kStageSavingEdits = 101,
    kStageSavingDef = 102,
    kStageBackup = 103,
    kStagePackCreate = 110,
    kStagePackAdd = 111,
    kStageNoWorkFolder = 150,
};

struct WorkspaceSettings {
    std::filesystem::path workRoot;       // parent of the working folders ("Devov")
    std::filesystem::path vxfPath;        // default folder of the dialogs
    std::filesystem::path documents;      // where to stand when VXFPath is gone
    std::filesystem::path privateFolder;  // the store's temporary folder ("Temp")
    bool readOnly = false;                // connect the database read-only
    std::string userName;                 // Autor of new workspaces
};

// Told once when a workspace of the earlier program opens: what happens to it at the first save.
std::string legacyNotice(const std::filesystem::path& file);

class Tdmvxf {
public:
    Tdmvxf(WorkspaceSettings settings, WorkspaceUi& ui);
    ~Tdmvxf();
    Tdmvxf(const Tdmvxf&) = delete;
    Tdmvxf& operator=(const Tdmvxf&) = delete;

    // Opens F; OpenStage 0 afterwards means it is open. Errors are shown, never thrown.
    void AbrirVXF(const std::filesystem::path& file);
    // Open dialog, then AbrirVXF; false when no file was chosen.
    bool AbrirConDialogo();
    // Saves into CurrentVXF; false (error shown, DBModified kept) when it failed.
    bool GuardarVXF();
    // Save dialog; the chosen path becomes CurrentVXF, then GuardarVXF. False when cancelled
    // or failed (a failed save keeps the previous CurrentVXF).
    bool GuardarVXFComo();
    // Save dialog "Nueva base de datos", then CrearVXF and AbrirVXF on the chosen file.
    void NuevaVXF(const std::filesystem::path& startFolder);
    // Writes a new workspace file at N (an existing N is kept as ".bkp"): an empty database,
    // or one that `fill` completes before it is packed. Does not touch the open workspace.
    // Throws on failure.
    using FillDatabase = std::function<void(Database& db, TDBDef& def)>;
    void CrearVXF(const std::filesystem::path& file, const FillDatabase& fill = {});
    // Asks to save when modified, disconnects and removes the working folder. False (still
    // open) when the user cancelled, or wanted to save and the save failed.
    bool CerrarVXF();
    // Asks "¿Desea guardar la base de datos actual?" when connected and modified. False when
    // the user cancelled, or said Yes and the save failed (then DBModified stays true). The
    // answer, when asked, goes to `answered`.
    bool PreguntarGuardar(WorkspaceUi::SaveAnswer* answered = nullptr);

    // Start-up: the file named on the command line, else the start-up workspace of the
    // settings, else the open dialog, else a new workspace. False when none could be opened.
    bool AbrirInicial(const std::optional<std::filesystem::path>& commandLine,
                      const std::string& startupFile);
    // Shutdown: close (with its question) and clear the store's temporary tables.
    bool Terminar();
    // Start-up, before the first open: each working folder that a program stopped without
    // closing left with unsaved changes is offered back: recovered as the open workspace
    // (modified, under its file's name), saved as a separate file, discarded, or kept for the
    // next start. True when one was recovered and is now open.
    bool OfrecerRecuperacion();

    // DBDef changed (description, properties): written into the working folder at once, so
    // that a crash before the save keeps it with the rest of the unsaved work.
    void recordDBDef();

    bool isOpen() const { return db_.isOpen(); }
    // The open file may not be saved under its name: another program holds it, or the user
    // may not write it. The caption says " [Sólo lectura]"; "Guardar como..." is the way out.
    bool readOnlyFile() const { return readOnlyFile_; }
    // Whether opens take the file's lock (a program that will not save needs none).
    void setLockOnOpen(bool on) { lockOnOpen_ = on; }
    // The database of the open workspace (dbVexa); throws std::logic_error when none is open.
    Database& db();
    // The connection object itself, open or not: services keep a reference to it, and each
    // open assigns a new connection into it.
    Database& database() { return db_; }

    std::filesystem::path CurrentVXF;
    std::filesystem::path WorkDir;
    TDBDef DBDef;
    bool DBModified = false;
    int OpenStage = kStageOk;

    // Upgrade steps run by the last open ("" for a current workspace, "ABC" for 1030.01).
    const std::string& lastUpgradeSteps() const { return lastUpgrade_; }
    // The last open converted a workspace of the earlier program (Paradox tables).
    bool lastOpenConverted() const { return legacyConverted_; }
    // What that conversion read: rows per table.
    const std::vector<LegacyTableCount>& lastConversion() const { return lastConversion_; }
    // The text of the last error shown.
    const std::string& lastError() const { return lastError_; }
    const WorkspaceSettings& settings() const { return settings_; }

    // Working folder for F: WorkRoot/<name>.000, .001, ... (hexadecimal, upper case); the
    // first that does not exist and can be created. Empty when none after 11 tries.
    std::filesystem::path CrearCarpetaTrabajo(const std::filesystem::path& file);
    // Removes P with its files, only when it holds a db.def.
    void BorrarCarpetaTrabajo(const std::filesystem::path& folder);

private:
    void fail(const std::string& message);
    void disconnect();
    // Packs WorkDir into `target` through "target.guardando" and rotates the backup.
    void packAndRotate(const std::filesystem::path& folder, const std::filesystem::path& target);
    // Gives the database's free pages back before packing when they are a large share of it.
    void reclaimFreePages();
    // Takes the lock of `file`, offering to take over a lock only recorded and, where the
    // folder has no locking, to go on anyway (`goOnQuestion`, completed with "bajo su
    // responsabilidad?"). Nullopt when the caller may go on, else who or what stops it.
    std::optional<LockOwner> takeLockOrAsk(WorkspaceLock& lock, const std::filesystem::path& file,
                                           const std::string& goOnQuestion);
    // Saves into `target`; the lock and the identity of the open file follow it.
    bool saveTo(const std::filesystem::path& target);
    // The cause of a failed save, naming the user's file.
    std::string saveErrorText(const std::filesystem::path& target, const std::exception& e);
    // Unpacks and checks F into `folder`; the DB.def read, or nullopt after telling the user.
    std::optional<TDBDef> unpackChecked(const std::filesystem::path& file,
                                        const std::filesystem::path& folder);
    // A working folder for `file` that a later start or a signal cleans up; empty when none
    // could be made. dropScratchFolder removes it again.
    std::filesystem::path makeScratchFolder(const std::filesystem::path& file);
    void dropScratchFolder(const std::filesystem::path& folder);
    void forgetWorkDir();
    // Lets the open workspace go: disconnects and forgets its folder, file, lock, identity and
    // changes; the folder itself is removed (forgetWorkDir) or left for the next start.
    void releaseWorkDir(bool removeFolder);
    // Connects the database in WorkDir for editing; what a quick check found wrong (then
    // the file is read-only), or empty.
    std::string connectWorkDir();
    // The first change after an open or a save is recorded beside the working folder before
    // it is made, so that a crash leaves it to be offered back (unsaved work).
    void noteChange();
    // The folder matches the file again (opened or saved).
    void noteSaved();
    // The message of a damaged database, found by connectWorkDir.
    std::string damagedText(const std::string& damage) const;
    // Opens a folder left by a stopped program as the workspace `file`, with its changes
    // unsaved. False (told) when it could not.
    bool adoptSession(const UnsavedSession& session, const std::filesystem::path& file,
                      bool tellDamage = true);
    // Saves a recovered session into a file the user chooses; true when it was saved.
    bool keepSessionAsFile(const UnsavedSession& session);

    WorkspaceSettings settings_;
    WorkspaceUi& ui_;
    Database db_;
    std::string lastUpgrade_;
    bool legacyConverted_ = false;
    std::vector<LegacyTableCount> lastConversion_;
    std::string lastError_;
    WorkspaceLock lock_;
    bool lockOnOpen_ = true;
    bool readOnlyFile_ = false;
    std::optional<FileIdentity> identity_;
    bool changeNoted_ = false;
    std::string damage_;  // what the quick check of the connected database found, or empty
};

// ".bkp" beside a workspace file.
std::filesystem::path backupPath(const std::filesystem::path& file);

}  // namespace vexa
