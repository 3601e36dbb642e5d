#pragma once
// A workspace opened by vexa-cli: unpacked into a private working folder under the system's
// temporary folder, never saved unless a verb asks for it, removed again at the end.
#include "store/tdm.h"
#include "store/workspace.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace vexa::cli {

// Errors go to the error stream; every question is answered No, and the ones that stop a
// save or an open say why.
class CliUi : public WorkspaceUi {
public:
    explicit CliUi(std::ostream& err) : err_(err) {}
    void showError(const std::string& message) override { err_ << "vexa-cli: " << message << '\n'; }
    void showNotice(const std::string& message) override {
        err_ << "vexa-cli: " << message << '\n';
    }
    // A question left unanswered is still shown (a copy found beside a missing file).
    bool askYesNo(const std::string& question, const std::string&) override {
        showError(question + " No.");
        return false;
    }
    bool askOpenReadOnly(const std::string& lockedText) override {
        showError(lockedText + " No se puede guardar en él.");
        return false;
    }
    ChangedFileAnswer askChangedOnDisk(const std::string& text) override {
        showError(text + " No se guardó la base de datos.");
        return ChangedFileAnswer::Cancel;
    }
    // --break-lock: a lock no program of this machine holds is taken over, and said so.
    bool askTakeOverLock(const std::string& question) override {
        if (!breakLock) {
            showError(question + " No (use --break-lock para tomarlo).");
            return false;
        }
        showNotice(question + " Sí (--break-lock).");
        return true;
    }
    bool breakLock = false;

private:
    std::ostream& err_;
};

// The settings of this process; its own folder (below the system's temporary folder) is
// guarded from here on: removed at the end and when a signal stops the run.
WorkspaceSettings cliWorkspaceSettings();
void guardProcessFolder(const WorkspaceSettings& settings);
void releaseProcessFolder(const WorkspaceSettings& settings);

class CliWorkspace {
public:
    explicit CliWorkspace(std::ostream& err);
    ~CliWorkspace();
    // False (the error printed) when the file cannot be opened; with `forSaving`, also when
    // another program holds it or the user may not write it (the file is then locked until
    // the end).
    bool open(const std::filesystem::path& file, bool forSaving = false);
    Tdmvxf& vxf() { return vxf_; }
    Tdm& dm() { return *dm_; }
    // --break-lock: a lock that is only a record (another host's) is taken over.
    void setBreakLock(bool on) { ui_.breakLock = on; }

private:
    CliUi ui_;
    Tdmvxf vxf_;
    std::unique_ptr<Tdm> dm_;
};

}  // namespace vexa::cli
