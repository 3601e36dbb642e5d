#include "shell/startup.h"

#include <filesystem>

#include "shell/workspace_service.h"

namespace vexa {

bool openStartupWorkspace(const std::vector<std::string>& args, const std::string& defaultFile,
                          WorkspaceService& ws) {
    bool open = false;
    if (!args.empty()) open = ws.open(args.front());
    if (!open && !defaultFile.empty()) open = ws.open(defaultFile);
    if (!open) open = ws.openWithDialog();
    if (!open) open = ws.createWithDialog();
    return open && ws.connected();
}

std::string NombreBD(const std::string& title, const std::string& currentFile) {
    if (!title.empty()) return title;
    std::filesystem::path p(currentFile);
    return p.replace_extension().string();
}

std::string mainCaption(const std::string& title, const std::string& currentFile, bool readOnly) {
    std::string c = std::string(kAppTitle) + " - " + NombreBD(title, currentFile);
    if (readOnly) c += " [Sólo lectura]";
    return c;
}

}  // namespace vexa
