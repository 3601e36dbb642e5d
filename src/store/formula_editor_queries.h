#pragma once
// The formula editor's reads and writes: the formula row, its two restriction lists with their
// names, the prices of the formula's price item, and the single-row changes of the restriction
// dialogs. Sorting takes a column of the list, never text from the caller.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/fixed4.h"

namespace vexa {

class Database;

struct FormulaRow {
    int32_t Codigo = 0;
    std::string Nombre;
    int32_t Cat = 0;
    int32_t Precio = 0;
    std::optional<double> Cons;
    int32_t DefCon = 0;
    std::string Ultima;  // as stored, "" when never run
    std::optional<double> Valor;
};

struct RestrictionRow {
    int32_t CNI = 0;
    std::string Nombre;
    std::string Unidad;  // nutrients only
    std::optional<Fixed4> Min, Max, Resul;
};

// Which stored column orders a restriction list.
enum class RestrictionSort { Code, Name, Min, Max, Result };

std::optional<FormulaRow> readFormulaRow(Database& db, int32_t code);
// The properties page: only the name is the user's; the run's Ultima and Valor are left as
// they stand in the table. Returns false when no row was changed.
bool renameFormula(Database& db, int32_t code, const std::string& name);

// `ingredients` true: RIn joined with Ins; false: RNu joined with Nut.
std::vector<RestrictionRow> readRestrictions(Database& db, int32_t formula, bool ingredients,
                                             RestrictionSort sort = RestrictionSort::Code);
void updateRestriction(Database& db, bool ingredients, int32_t formula, int32_t cni,
                       std::optional<Fixed4> min, std::optional<Fixed4> max);
void deleteRestriction(Database& db, bool ingredients, int32_t formula, int32_t cni);

// Every ingredient's value for the price item `nut`.
std::map<int32_t, Fixed4> ingredientPrices(Database& db, int32_t nut);

struct FormulaChoice {
    int32_t Codigo = 0;
    std::string Nombre;
    int restrictions = 0;  // of the chosen kind; 0 shows empty
};
// The formulas of a group with their count of ingredient (or nutrient) restrictions.
std::vector<FormulaChoice> formulasWithCounts(Database& db, int32_t cat, bool ingredients);

}  // namespace vexa
