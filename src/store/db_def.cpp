#include "store/db_def.h"

#include "store/ini_file.h"
#include "store/shared_procs.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <system_error>

namespace vexa {

namespace fs = std::filesystem;

fs::path dbDefPath(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        auto name = entry.path().filename().string();
        if (name.size() != 6) continue;
        bool same = true;
        for (size_t i = 0; i < 6; ++i)
            same = same && std::tolower(static_cast<unsigned char>(name[i])) == "db.def"[i];
        if (same && entry.is_regular_file(ec)) return entry.path();
    }
    return folder / kDBDefFileName;
}

bool hasDBDef(const fs::path& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
    return fs::is_regular_file(dbDefPath(folder), ec);
}

namespace {

// Strict decimal reading: optional sign, digits, at most one separator, digits; blanks around.
// std::from_chars reads the same under every locale (strtod would stop at a point in a
// decimal-comma locale and turn 1030.01 into 1030).
bool readDecimal(const std::string& text, char sep, double& out) {
    size_t b = text.find_first_not_of(" \t");
    size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return false;
    std::string t = text.substr(b, e - b + 1);
    std::string normal;
    bool digits = false, point = false;
    for (size_t i = 0; i < t.size(); ++i) {
        char c = t[i];
        if ((c == '-' || c == '+') && i == 0) {
            if (c == '-') normal += c;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            normal += c;
            digits = true;
        } else if (c == sep && !point) {
            normal += '.';
            point = true;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    auto [ptr, ec] = std::from_chars(normal.data(), normal.data() + normal.size(), out);
    return ec == std::errc{} && ptr == normal.data() + normal.size() && std::isfinite(out);
}

}  // namespace

Fixed4 parseVersion(const std::string& text) {
    double v = 0;
    if (!readDecimal(text, '.', v) && !readDecimal(text, ',', v)) v = 0;
    return Fixed4::fromDouble(v);
}

std::string formatVersion(Fixed4 ver) {
    // "0.00": hundredths, half away from zero as the format function rounds.
    int64_t raw = ver.raw();
    bool neg = raw < 0;
    int64_t a = neg ? -raw : raw;
    int64_t hundredths = (a + 50) / 100;
    std::string out = neg && hundredths ? "-" : "";
    out += std::to_string(hundredths / 100);
    out += '.';
    int64_t frac = hundredths % 100;
    if (frac < 10) out += '0';
    out += std::to_string(frac);
    return out;
}

TDBDef readDBDef(const fs::path& folder) {
    auto ini = IniFile::load(dbDefPath(folder));
    TDBDef d;
    d.Nombre = utf8Left(ini.readString("User", "Nombre"), 50);
    d.Autor = utf8Left(ini.readString("User", "Autor"), 50);
    d.Comentario = utf8Left(ini.readString("User", "Comentario"), 50);
    d.Ver = parseVersion(ini.readString("Def", "Ver", "0"));
    d.Precio = static_cast<int32_t>(ini.readInt("Def", "Precio", 0));
    d.MS = static_cast<int32_t>(ini.readInt("Def", "MS", 0));
    d.Categoria = static_cast<int32_t>(ini.readInt("Def", "Categoria", 0));
    d.EnBaseFresca = ini.readInt("Def", "EnBaseFresca", 0) != 0;
    d.UsarMS = ini.readInt("Def", "UsarMS", 0) != 0;
    return d;
}

void writeDBDef(const fs::path& folder, const TDBDef& d) {
    auto path = dbDefPath(folder);
    auto ini = IniFile::load(path);
    ini.writeString("User", "Nombre", d.Nombre);
    ini.writeString("User", "Autor", d.Autor);
    ini.writeString("User", "Comentario", d.Comentario);
    ini.writeString("Def", "Ver", formatVersion(d.Ver));
    ini.writeInt("Def", "Precio", d.Precio);
    ini.writeInt("Def", "MS", d.MS);
    ini.writeInt("Def", "Categoria", d.Categoria);
    ini.writeString("Def", "EnBaseFresca", d.EnBaseFresca ? "1" : "0");
    ini.writeString("Def", "UsarMS", d.UsarMS ? "1" : "0");
    ini.save(path);
}

}  // namespace vexa
