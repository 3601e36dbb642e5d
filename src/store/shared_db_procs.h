#pragma once
// Shared procedures that read the open workspace's tables.
#include "store/db_def.h"
#include "store/sqlite_db.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

// The nutrients enabled for a group, in display order: an open query with the fields Codigo,
// Nombre, Unidad and Orden. The caller steps through it.
Statement NutrientesDeGrupo(Database& db, int32_t cat);

struct GroupNutrient {
    int32_t Codigo = 0;
    std::string Nombre;
    std::string Unidad;
    int32_t Orden = 0;
};
// The same list read into memory.
std::vector<GroupNutrient> listNutrientesDeGrupo(Database& db, int32_t cat);

// A new ingredient starts with a zero value for every nutrient (pairs it already has keep
// their value). Returns the rows added.
int AgregarValoresInsumo(Database& db, int32_t ins);

// The display name of the open database: its Nombre, else the workspace file without extension.
std::string NombreBD(const TDBDef& def, const std::filesystem::path& currentVXF);

// The field of the current row as a number, or `fallback` when it is empty.
double ValorCampo(const Statement& row, std::string_view field, double fallback);

// Position of the first item whose Codigo equals `code`; -1 when none or no collection.
template <class Item>
int BuscarCodigo(const std::vector<Item>* list, int32_t code) {
    if (!list) return -1;
    for (size_t i = 0; i < list->size(); ++i)
        if ((*list)[i].Codigo == code) return static_cast<int>(i);
    return -1;
}
template <class Item>
int BuscarCodigo(const std::vector<Item>& list, int32_t code) {
    return BuscarCodigo(&list, code);
}

}  // namespace vexa
