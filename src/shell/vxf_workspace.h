#pragma once
// The shell's view of the workspace module: open, save and new through the lifecycle, with
// its dialogs and notifications routed to our dialogs and the main window.
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "shell/workspace_service.h"
#include "store/workspace.h"

namespace vexa {

class ShellWorkspaceUi : public WorkspaceUi {
public:
    void showError(const std::string& message) override;
    void showNotice(const std::string& message) override;
    bool askYesNo(const std::string& question, const std::string& title) override;
    SaveAnswer askSaveChanges(const std::string& question, const std::string& title) override;
    std::optional<std::filesystem::path> chooseOpenFile(
        const std::string& title, const std::filesystem::path& startFolder) override;
    std::optional<std::filesystem::path> chooseSaveFile(
        const std::string& title, const std::filesystem::path& startFolder) override;
    bool askContinueAfterFileError(const std::string& fileName) override;
    RecoveryAnswer askRecoverSession(const std::string& text) override;
    bool notifyShell(int code, int argument) override;
    bool moveToTrash(const std::filesystem::path& file) override;
    void setBusy(bool busy) override;
    // The main window, once it exists.
    QPointer<QObject> shell;
};

class VxfWorkspace : public WorkspaceService {
public:
    explicit VxfWorkspace(WorkspaceSettings settings);
    ~VxfWorkspace() override;
    Tdmvxf& vxf() { return *vxf_; }
    ShellWorkspaceUi& ui() { return ui_; }
    // Runs after every successful open (the shared tables of the data module).
    std::function<void(Database&)> afterOpen;

    bool open(const std::string& path) override;
    // Offers back what a program that stopped without saving left; true when a recovered
    // workspace is now open.
    bool offerRecovery();
    bool openWithDialog() override;
    bool createWithDialog() override;
    void save() override;
    void saveAs() override;
    bool close() override;
    bool connected() const override;
    bool readOnly() const override { return readOnly_; }
    bool fileReadOnly() const override { return vxf_->readOnlyFile(); }
    Database* database() override;
    std::string currentFile() const override;
    std::string title() const override;
    std::string author() const override;
    std::string comment() const override;
    double version() const override;
    WorkspaceProps props() const override;
    void setDescription(const std::string& title, const std::string& author,
                        const std::string& comment) override;
    void setProps(const WorkspaceProps& p) override;
    bool modified() const override;
    void setModified() override;

private:
    bool opened();
    ShellWorkspaceUi ui_;
    bool readOnly_;
    std::unique_ptr<Tdmvxf> vxf_;
};

}  // namespace vexa
