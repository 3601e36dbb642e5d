#include "store/settings.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "store/ini_file.h"
#include "store/shared_procs.h"

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

namespace {

// Seeded once from the clock, as the program does at start-up.
std::mt19937_64& generator() {
    static std::mt19937_64 gen(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count() ^
                              std::chrono::system_clock::now().time_since_epoch().count()));
    return gen;
}

// Days since 30 December 1899 of today's date.
long long dayCount() {
    auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    return today.time_since_epoch().count() + 25569;
}

}  // namespace

VexaSisOpc& SisOpc() {
    static VexaSisOpc options;
    return options;
}

fs::path CarpetaDocumentos(const fs::path& reported) {
    if (reported.empty()) throw std::runtime_error("No se pudo ubicar al folder Mis Documentos.");
    return reported;
}

StandardFolders standardFolders(const fs::path& documents) {
    StandardFolders f;
    f.documents = CarpetaDocumentos(documents);
    f.vxf = f.documents / "VXF";
    f.reports = f.documents / "Reportes";
    f.workRoot = f.documents / "Devov";
    f.temp = f.documents / "Temp";
    return f;
}

fs::path systemDocumentsFolder() {
    if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg && *xdg) return fs::path(xdg);
    if (const char* home = std::getenv("HOME"); home && *home) return fs::path(home) / "Documents";
    return {};
}

fs::path settingsFilePath(const fs::path& programDir, const fs::path& configDir) {
    std::error_code ec;
    if (!programDir.empty() && fs::is_directory(programDir, ec)) {
        for (const auto& entry : fs::directory_iterator(programDir, ec)) {
            auto name = entry.path().filename().string();
            if (name.size() != 8) continue;
            bool same = true;
            for (size_t i = 0; i < 8; ++i)
                same = same && std::toupper(static_cast<unsigned char>(name[i])) == "VEXA.INI"[i];
            if (same && entry.is_regular_file(ec)) return entry.path();
        }
    }
    return configDir / "VEXA.INI";
}

VexaSisOpc LeerOpciones(const fs::path& iniFile, const fs::path& documents) {
    auto ini = IniFile::load(iniFile);
    VexaSisOpc o;
    o.Nombre = utf8Left(ini.readString("User", "Nombre"), 50);
    o.Compania = utf8Left(ini.readString("User", "Compania"), 50);
    o.Granja = utf8Left(ini.readString("User", "Granja"), 50);
    o.RO = ini.readInt("User", "RO", 0) % 2 != 0;
    o.VXFPath = ini.readString("Dirs", "VXFPath");
    if (o.VXFPath.empty()) o.VXFPath = (CarpetaDocumentos(documents) / "VXF").string();
    std::error_code ec;
    fs::create_directories(o.VXFPath, ec);  // a folder that cannot be made fails on first use
    // Present but empty means "no start-up workspace"; only a missing key takes the default.
    o.VXFFile = ini.readString("Dirs", "VXFFile", "Vexa30.VXF");
    o.RepPath = ini.readString("Dirs", "RepPath");
    if (o.RepPath.empty()) o.RepPath = (CarpetaDocumentos(documents) / "Reportes").string();
    return o;
}

void GuardarOpciones(const fs::path& iniFile, const VexaSisOpc& o) {
    auto ini = IniFile::load(iniFile);
    ini.writeString("User", "Nombre", o.Nombre);
    ini.writeString("User", "Compania", o.Compania);
    ini.writeString("User", "Granja", o.Granja);
    long long days = dayCount();
    std::uniform_int_distribution<long long> pick(0, days > 0 ? days - 1 : 0);
    ini.writeInt("User", "RO", 2 * pick(generator()) + (o.RO ? 1 : 0));
    ini.writeString("Dirs", "VXFPath", o.VXFPath);
    ini.writeString("Dirs", "VXFFile", o.VXFFile);
    ini.writeString("Dirs", "RepPath", o.RepPath);
    if (!iniFile.parent_path().empty()) {
        std::error_code ec;
        fs::create_directories(iniFile.parent_path(), ec);
    }
    ini.save(iniFile);
}

std::string systemUserName() {
    if (const passwd* pw = ::getpwuid(::getuid())) {
        std::string full = pw->pw_gecos ? pw->pw_gecos : "";
        full = full.substr(0, full.find(','));
        if (!full.empty()) return full;
        if (pw->pw_name && *pw->pw_name) return pw->pw_name;
    }
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return {};
}

}  // namespace vexa
