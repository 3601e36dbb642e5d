#include "cli/workspace_session.h"

#include "store/ini_file.h"
#include "store/settings.h"
#include "store/container/signal_cleanup.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vexa::cli {

namespace fs = std::filesystem;

WorkspaceSettings cliWorkspaceSettings() {
    WorkspaceSettings s;
    std::error_code ec;
    // One root per process, so runs side by side never meet in a working folder.
    fs::path root = fs::temp_directory_path(ec) / ("vexa-cli-" + std::to_string(::getpid()));
    s.workRoot = root / "Devov";
    s.privateFolder = root / "Temp";
    s.documents = fs::current_path(ec);
    s.vxfPath = s.documents;
    // The user name for new workspaces, from the settings file when there is one.
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = fs::path(xdg) / "vexa";
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = fs::path(home) / ".config" / "vexa";
    if (!config.empty()) {
        auto ini = settingsFilePath(fs::path(), config);
        if (fs::exists(ini, ec)) s.userName = IniFile::load(ini).readString("User", "Nombre");
    }
    // Guarded before anything is made in it.
    guardProcessFolder(s);
    return s;
}

CliWorkspace::CliWorkspace(std::ostream& err) : ui_(err), vxf_(cliWorkspaceSettings(), ui_) {
    vxf_.setLockOnOpen(false);
}

CliWorkspace::~CliWorkspace() {
    // Never saved implicitly: what was not saved by the verb is given up.
    vxf_.DBModified = false;
    vxf_.CerrarVXF();
    releaseProcessFolder(vxf_.settings());
}

void guardProcessFolder(const WorkspaceSettings& settings) {
    // A run stopped by a signal removes its folder (and its temporary archives) too.
    vxf::installSignalCleanup();
    vxf::addCleanupPath(settings.workRoot.parent_path(), true);
}

void releaseProcessFolder(const WorkspaceSettings& settings) {
    std::error_code ec;
    fs::remove_all(settings.workRoot.parent_path(), ec);
    vxf::forgetCleanupPath(settings.workRoot.parent_path());
}

bool CliWorkspace::open(const fs::path& file, bool forSaving) {
    if (forSaving) {
        std::error_code ec;
        fs::path f = fs::absolute(file, ec);
        if (fs::exists(f, ec) && !userMayWrite(f)) {
            ui_.showError("No tiene permiso para escribir en " + f.string() +
                          ". No se puede guardar en él.");
            return false;
        }
    }
    vxf_.setLockOnOpen(forSaving);
    vxf_.AbrirVXF(file);
    if (vxf_.OpenStage != kStageOk || !vxf_.isOpen()) return false;
    dm_ = std::make_unique<Tdm>(vxf_.database(), vxf_.DBDef);
    dm_->onModified = [this] { vxf_.DBModified = true; };
    return true;
}

}  // namespace vexa::cli
