#pragma once
// The queries that the catalogue windows and the shell read the tables through, kept beside
// the tables: each list window's query with its three update statements, the pick lists,
// single values and record counts. Windows name what they want; the SQL stays here.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/fixed4.h"
#include "store/sqlite_db.h"

namespace vexa {

// One column of a user sort: a field of the list's query, ascending unless descending.
struct SortKey {
    std::string field;
    bool descending = false;
};

// A list window's query, one entry per line, the ordering expression alone on its sort line,
// and the statements that write a row back: new values as :Field, the values read as
// :OLD_Field.
struct ListQuery {
    std::vector<std::string> lines;
    int sortLine = 0;
    std::string modify, insert, remove;
    // Fields stored as text that hold whole numbers (Ins.Redondeo): sorted as numbers.
    std::vector<std::string> numericText;

    std::string text() const;
    // Replaces the sort line with the keys; false (nothing changed) without a sort line or
    // keys. The caller hands only field names that the query returns.
    bool orderBy(const std::vector<SortKey>& keys);
};

namespace catalog_queries {
// "SELECT *", "FROM NUT", "ORDER BY", "ORDEN".
ListQuery nutrientList();
// The ingredients by name, with the number of values each one has (NNut).
ListQuery ingredientList();
// The values of the ingredient :Codigo in the user's nutrient order.
ListQuery ingredientValues();
// The values of the nutrient :Codigo by ingredient name.
ListQuery nutrientValues();
}  // namespace catalog_queries

struct CodeName {
    int32_t code = 0;
    std::string name;
};

// Every nutrient / ingredient / group / formula, in code order.
std::vector<CodeName> allNutrients(Database& db);
std::vector<CodeName> allIngredients(Database& db);
std::vector<CodeName> allGroups(Database& db);
std::vector<CodeName> allFormulas(Database& db);
bool groupExists(Database& db, int32_t cat);
// The formulas of a group in code order.
std::vector<int32_t> formulasOfGroup(Database& db, int32_t cat);
// The pick lists: ingredients by name, ingredient types (TI), nutrient types (TN).
std::vector<CodeName> ingredientsByName(Database& db);
std::vector<CodeName> ingredientTypes(Database& db);
std::vector<CodeName> nutrientTypes(Database& db);
// Nutrients as "name, unit" in that order; price items (type 1) only when asked.
std::vector<CodeName> nutrientsWithUnit(Database& db, bool pricesOnly);
// Nutrients of one type by name (the price and dry-matter choices of the properties).
std::vector<CodeName> nutrientsOfType(Database& db, int32_t tipo);
// The Val of (ingredient, nutrient); nullopt when there is no row.
std::optional<Fixed4> storedValue(Database& db, int32_t ins, int32_t nut);

struct RecordCounts {
    int nutrients = 0, ingredients = 0, groups = 0, formulas = 0, mixes = 0;
};
RecordCounts countRecords(Database& db);

// The width of a text field as the schema defines it ("Nut", "Nombre" -> 25); 0 when the
// table or field is unknown or not text.
int fieldWidth(std::string_view table, std::string_view field);

}  // namespace vexa
