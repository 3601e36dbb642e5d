#pragma once
// The system options (VEXA.INI) and the standard folders under the user's documents folder.
// Store code never asks the system where folders are: the caller passes them in.
#include <filesystem>
#include <string>

namespace vexa {

struct VexaSisOpc {
    std::string Nombre;    // user name: Autor of new workspaces, report headers
    std::string Compania;  // company, for report headers
    std::string Granja;    // farm, for report headers
    std::string VXFPath;   // folder of workspace files
    std::string VXFFile;   // workspace opened at start-up
    std::string RepPath;   // folder of saved reports
    bool RO = false;       // read-only mode
};

// The options of this run of the program.
VexaSisOpc& SisOpc();

struct StandardFolders {
    std::filesystem::path documents;  // the user's documents folder
    std::filesystem::path vxf;        // default folder of workspace files
    std::filesystem::path reports;    // default folder of saved reports
    std::filesystem::path workRoot;   // parent of the working folders
    std::filesystem::path temp;       // the store's private folder
};

// Throws "No se pudo ubicar al folder Mis Documentos." when the system gave no folder.
std::filesystem::path CarpetaDocumentos(const std::filesystem::path& reported);
StandardFolders standardFolders(const std::filesystem::path& documents);
// Documents folder without a GUI toolkit: XDG_DOCUMENTS_DIR, else $HOME/Documents; empty when
// neither can be told (then CarpetaDocumentos refuses it).
std::filesystem::path systemDocumentsFolder();

// VEXA.INI beside the program when one already lies there (any case of the name), otherwise in
// the user's configuration folder.
std::filesystem::path settingsFilePath(const std::filesystem::path& programDir,
                                       const std::filesystem::path& configDir);

// Reads the settings file (a missing file gives all defaults). An empty VXFPath becomes the
// documents folder + "VXF" and is created with its parents; an empty RepPath becomes the
// documents folder + "Reportes" (not created). The user name is read back too.
VexaSisOpc LeerOpciones(const std::filesystem::path& iniFile,
                        const std::filesystem::path& documents);
// Writes User/Nombre, Compania, Granja, RO and Dirs/VXFPath, VXFFile, RepPath; every other line
// of the file stays as it was. RO carries the read-only flag in its lowest bit under a
// random even number. Throws std::runtime_error when the file cannot be written.
void GuardarOpciones(const std::filesystem::path& iniFile, const VexaSisOpc& options);

// The user's full name as the system knows it (the account's name field, up to its first
// comma), else the login name: who a report is for when the settings name no one.
std::string systemUserName();

}  // namespace vexa
