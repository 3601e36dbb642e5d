#pragma once
// The rows of a manual mix (MM) and its lines (MMI) as the manual-mix window works on them.
#include "engine/fixed4.h"
#include "store/catalog_queries.h"
#include "store/sqlite_db.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexa {

struct MixHeader {
    int32_t Codigo = 0;
    std::string Nombre;
    int32_t Cat = 0;
    bool EnMS = false;
};

struct MixLine {
    int32_t CIns = 0;
    std::string Nombre;  // the ingredient's
    double Valor = 0.0;  // kg as fed
    int Red = -4;
    bool DefRed = true;
    Fixed4 Perc;
    Fixed4 MS;      // dry-matter kg
    Fixed4 Precio;  // the ingredient's value for the price nutrient
    Fixed4 Costo;   // Precio × Valor
};

struct MixNutrient {
    int32_t Codigo = 0;
    std::string Nombre, Unidad;
    int32_t ITipo = 0;
    Fixed4 Valor;
    std::optional<Fixed4> RMin, RMax;  // empty until limits are loaded
    bool EsRestr = false;
};

// False when the mix row does not exist.
bool ReadMixHeader(Database& db, int32_t mm, MixHeader& out);
// The lines by ingredient name, with the price of each for `priceNut`.
std::vector<MixLine> ReadMixLines(Database& db, int32_t mm, int32_t priceNut);
// Writes Valor, Red, DefRed, Perc and MS of one line.
void UpdateMixLine(Database& db, int32_t mm, const MixLine& line);
// Multiplies every line's Valor by `factor` ("&Llevar a ...").
void ScaleMixLines(Database& db, int32_t mm, double factor);
// The group's nutrients in display order, with their type.
std::vector<MixNutrient> GroupMixNutrients(Database& db, int32_t cat);
// Every value of the given ingredients: [ingredient][nutrient], missing ones absent.
struct IngredientValue {
    int32_t Ins = 0, Nut = 0;
    Fixed4 Valor;
};
std::vector<IngredientValue> ValuesOfMixIngredients(Database& db, int32_t mm);
// A new mix row; its code.
int32_t InsertMix(Database& db, const std::string& nombre, int32_t cat, bool enMS);
// The properties page: the name (30 characters) and the basis of the mix.
void UpdateMixRow(Database& db, int32_t mm, const std::string& nombre, bool enMS);
// One line of the mix.
void DeleteMixLine(Database& db, int32_t mm, int32_t ins);

namespace catalog_queries {
// The manual mixes of the group :Codigo by name (sort line 4).
ListQuery mixList();
}  // namespace catalog_queries

}  // namespace vexa
