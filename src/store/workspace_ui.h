#pragma once
// What the workspace lifecycle needs from the desktop program: dialogs, questions, the
// requests it posts to the main window and the recycle bin. The defaults answer as a program
// without a window would (no file chosen, "No", nothing shown), so the command-line program
// and the tests override only what they use.
#include <filesystem>
#include <optional>
#include <string>

#include "store/request_codes.h"

namespace vexa {

class WorkspaceUi {
public:
    virtual ~WorkspaceUi() = default;

    // Error box with an OK button.
    virtual void showError(const std::string& /*message*/) {}
    // Information box with an OK button.
    virtual void showNotice(const std::string& /*message*/) {}
    // Yes/No question; true is Yes.
    virtual bool askYesNo(const std::string& /*question*/, const std::string& /*title*/) {
        return false;
    }
    // Open dialog (existing files only) and save dialog (asks before overwriting); nullopt
    // when cancelled.
    virtual std::optional<std::filesystem::path> chooseOpenFile(
        const std::string& /*title*/, const std::filesystem::path& /*startFolder*/) {
        return std::nullopt;
    }
    virtual std::optional<std::filesystem::path> chooseSaveFile(
        const std::string& /*title*/, const std::filesystem::path& /*startFolder*/) {
        return std::nullopt;
    }
    // "¿Desea guardar la base de datos actual?": Yes, No or Cancel (Escape and closing the
    // question are Cancel). Without a window there is nobody to cancel: the Yes/No question.
    enum class SaveAnswer { Yes, No, Cancel };
    virtual SaveAnswer askSaveChanges(const std::string& question, const std::string& title) {
        return askYesNo(question, title) ? SaveAnswer::Yes : SaveAnswer::No;
    }
    // A single file failed while packing or unpacking: the error was shown; go on without it?
    virtual bool askContinueAfterFileError(const std::string& /*fileName*/) { return false; }
    // WM_APPCMD (code, argument) to the main window; false when there is none yet. Codes 15
    // and 22 must be carried out before this returns: the close and the save that follow rely
    // on every window having written its pending edits.
    virtual bool notifyShell(int /*code*/, int /*argument*/) { return false; }
    // Moves a file to the recycle bin without asking; false when it could not.
    virtual bool moveToTrash(const std::filesystem::path& /*file*/) { return false; }
    // Busy cursor around a save.
    virtual void setBusy(bool /*busy*/) {}

    // Another program holds the workspace being opened (`lockedText` says who): true opens
    // it read-only, false gives the open up. Asked as a Yes/No question unless overridden.
    virtual bool askOpenReadOnly(const std::string& lockedText) {
        return askYesNo(lockedText + " ¿Desea abrirlo en modo de sólo lectura?", "Confirmación");
    }
    // The lock is only a record that no program of this machine holds (`question` says whose
    // and offers to take it): true takes it over. Asked as a Yes/No question unless overridden.
    virtual bool askTakeOverLock(const std::string& question) {
        return askYesNo(question, "Confirmación");
    }
    // A program stopped without saving its changes (`text` says which and when): recover
    // them as the open workspace, keep them as a separate file, discard them, or decide
    // later (the question comes back at the next start). A program without a window decides
    // later.
    enum class RecoveryAnswer { Recover, KeepAsFile, Discard, Later };
    virtual RecoveryAnswer askRecoverSession(const std::string& /*text*/) {
        return RecoveryAnswer::Later;
    }
    // The file to be saved was changed by another program since it was opened (`text` says
    // so). Asked as two Yes/No questions unless overridden.
    enum class ChangedFileAnswer { SaveAs, Overwrite, Cancel };
    virtual ChangedFileAnswer askChangedOnDisk(const std::string& text) {
        if (askYesNo(text + " ¿Desea guardar la base de datos con otro nombre?", "Confirmación"))
            return ChangedFileAnswer::SaveAs;
        if (askYesNo("¿Desea reemplazar el archivo con la base de datos abierta? La versión del "
                     "otro programa quedará como respaldo (.bkp).",
                     "Confirmación"))
            return ChangedFileAnswer::Overwrite;
        return ChangedFileAnswer::Cancel;
    }
};

}  // namespace vexa
