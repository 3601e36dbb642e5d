#pragma once
// DB.def: the properties of a workspace, kept in its working folder and packed with it.
#include "engine/fixed4.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace vexa {

struct TDBDef {
    std::string Nombre;         // name shown to the user and in report headers
    std::string Autor;          // "Creador"
    std::string Comentario;     // free comment
    int32_t Precio = 0;         // default price nutrient (type 1)
    int32_t MS = 0;             // dry-matter nutrient (type 2)
    int32_t Categoria = 0;      // default group
    bool EnBaseFresca = false;  // true: the values of Val are on a dry basis (despite the name)
    bool UsarMS = false;        // use dry-matter values
    Fixed4 Ver;                 // layout version, 1030.04 now
};

inline constexpr const char* kDBDefFileName = "DB.def";
inline const Fixed4 kCurrentVer = Fixed4::fromRaw(10300400);  // 1030.04

// The definition file of `folder`, its name matched without regard to case; `folder`/DB.def
// when there is none yet.
std::filesystem::path dbDefPath(const std::filesystem::path& folder);
bool hasDBDef(const std::filesystem::path& folder);

// "1030.04" or "1030,04": files written on machines with either decimal separator read the
// same, whatever the locale of this process. Anything that is not a number gives 0.
Fixed4 parseVersion(const std::string& text);
// Format "0.00", always with a point, so that the file reads back under any locale: "1030.04".
std::string formatVersion(Fixed4 ver);

// A missing file or key gives the defaults (empty texts, zeros).
TDBDef readDBDef(const std::filesystem::path& folder);
// Updates only the keys of TDBDef; other lines of the file stay as they were. Throws
// std::runtime_error when the file cannot be written.
void writeDBDef(const std::filesystem::path& folder, const TDBDef& def);

}  // namespace vexa
