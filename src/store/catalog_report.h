#pragma once
// The catalogue reports: which definition each command runs, the data sets q1-q5 it is given,
// the parameters, and the filling of a definition (a Mustache HTML template) into a page.
// No GUI toolkit: vexa-cli runs the same reports.
#include "store/db_def.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

class Database;

// What the single-item reports ask the user to choose.
enum class ReportItem { All, Ingredient, Nutrient, Group, Formula, Price, DryMatter };

struct ReportCommand {
    const char* action;   // the menu command's name
    const char* caption;  // its text
    int tag;
    const char* definition;  // file name in the report folder
    ReportItem item;
};

// The eleven commands of the "&Reportes" menu that run a definition.
const std::vector<ReportCommand>& reportCommands();
// By tag; nullptr when no command has it.
const ReportCommand* reportCommandByTag(int tag);
// By a name given on the command line: the definition's stem and a few words ("precios",
// "materia-seca", ...) or the tag; nullptr when unknown.
const ReportCommand* reportCommandByName(std::string_view name);
// The names reportCommandByName takes, for the help text.
std::string reportCommandNames();

struct ReportCell {
    bool null = true;
    bool number = false;
    double value = 0;
    std::string text;
};

struct ReportDataSet {
    std::vector<std::string> columns;
    std::vector<std::vector<ReportCell>> rows;
    int column(std::string_view name) const;  // -1 when absent (case ignored)
};

struct ReportData {
    const ReportCommand* command = nullptr;
    std::vector<ReportDataSet> sets;            // q1 to q5, as many as the definition uses
    std::map<std::string, std::string> params;  // "Usuario", "DB", and "Grupo" for a formula
    // Saved as text or a web page, the page itself carries the header (no printed pages).
    bool fileHeader = false;
};

// Runs the queries of the command for `code` (the chosen item; ignored by the lists of
// everything). Price and dry-matter lists use def.Precio / def.MS and have no rows when unset.
// `groupName` is "Grupo" of the formula report.
ReportData loadReportData(Database& db, const TDBDef& def, const ReportCommand& cmd, int32_t code,
                          const std::string& user, const std::string& groupName = {});

// The list of the choice window for a kind (Codigo, Nombre), and the group's formulas.
struct ReportChoice {
    int32_t code;
    std::string name;
};
std::vector<ReportChoice> reportChoices(Database& db, ReportItem kind, int32_t group = 0);
std::string groupNameOf(Database& db, int32_t group);
// The group of a formula, 0 when there is no such formula.
int32_t formulaGroupOf(Database& db, int32_t formula);

// The default definitions kept as resources, by file name.
const std::map<std::string, std::string_view>& defaultReportTemplates();
// Writes every missing definition into the folder (created when missing). Returns the names
// written; throws std::runtime_error when the folder or a file cannot be written.
std::vector<std::string> writeMissingReportTemplates(const std::filesystem::path& folder);

// Reads the definition from the folder (falling back to the resource only when the folder has
// none) and fills it. Throws std::runtime_error naming the file when it cannot be read or
// parsed. Numbers are written with `decimalPoint`.
std::string fillReport(const std::filesystem::path& folder, const ReportData& data,
                       char decimalPoint = '.', const std::string& date = {});
// The same from a template text.
std::string fillReportTemplate(const std::string& templ, const std::string& fileName,
                               const ReportData& data, char decimalPoint, const std::string& date);

// A plain text rendering of a filled page: table rows become lines with the cells in columns.
std::string reportHtmlToText(const std::string& html);

}  // namespace vexa

namespace vexa {

// The ingredient-by-nutrient listing: one column per chosen ingredient (in the order given),
// one row per chosen nutrient; a value of an ingredient that was not chosen is left out.
struct IngredientNutrientRow {
    std::string nutrient;
    std::string unit;  // empty when the nutrient has no values
    std::vector<std::optional<double>> values;
};
struct IngredientNutrientTable {
    std::vector<std::string> columns;  // "Nutrientes", "Unidad", then the ingredients' names
    std::vector<IngredientNutrientRow> rows;
};
// The lists of the two check-list choices (Codigo, Nombre), in name order.
std::vector<ReportChoice> listIngredientsForListing(Database& db);
std::vector<ReportChoice> listNutrientsForListing(Database& db);
IngredientNutrientTable ingredientNutrientTable(Database& db,
                                                const std::vector<ReportChoice>& ingredients,
                                                const std::vector<ReportChoice>& nutrients);

}  // namespace vexa
