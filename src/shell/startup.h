#pragma once
// The start-up workspace and the caption texts: what the shell decides, without widgets.
#include <string>
#include <vector>
#include "vexa_version.h"

namespace vexa {

class WorkspaceService;

// Command-line file, then the default workspace file, then the open dialog, then the new
// workspace dialog; true when a workspace is connected at the end.
bool openStartupWorkspace(const std::vector<std::string>& args, const std::string& defaultFile,
                          WorkspaceService& ws);

inline constexpr const char* kAppTitle = kProductTitle;
inline constexpr const char* kRevision = "1591";

// kAppTitle + " - " + title (or the file without extension) [+ " [Sólo lectura]"].
std::string mainCaption(const std::string& title, const std::string& currentFile, bool readOnly);
// The title for report headers and captions: the workspace name or the file's path without
// extension.
std::string NombreBD(const std::string& title, const std::string& currentFile);

}  // namespace vexa
