#include "cli/workspace_session.h"

#include "store/ini_file.h"
#include "store/settings.h"

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
    return s;
}

CliWorkspace::CliWorkspace(std::ostream& err) : ui_(err), vxf_(cliWorkspaceSettings(), ui_) {}

CliWorkspace::~CliWorkspace() {
    // Never saved implicitly: what was not saved by the verb is given up.
    vxf_.DBModified = false;
    vxf_.CerrarVXF();
    std::error_code ec;
    fs::remove_all(vxf_.settings().workRoot.parent_path(), ec);
}

bool CliWorkspace::open(const fs::path& file) {
    vxf_.AbrirVXF(file);
    if (vxf_.OpenStage != kStageOk || !vxf_.isOpen()) return false;
    dm_ = std::make_unique<Tdm>(vxf_.database(), vxf_.DBDef);
    dm_->onModified = [this] { vxf_.DBModified = true; };
    return true;
}

}  // namespace vexa::cli
