#pragma once
// A mix object fed from a whole formula held in memory: built in code or read from a JSON
// formula file. The tests and vexa-cli use it; the desktop program uses the database-backed
// descendant instead.
#include "engine/mix_object.h"
#include "vexa_version.h"

#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexa {

struct FormulaIngredient {
    int32_t code = 0;
    std::string name;
    Fixed4 min;                         // 0 when absent
    Fixed4 max = Fixed4::fromInt(100);  // 100 when absent
    Fixed4 price;                       // per kg
    Fixed4 dryMatter;                   // % dry matter
    std::map<int32_t, Fixed4> values;   // nutrient code → value; missing counts as 0
};

struct FormulaNutrient {
    int32_t code = 0;
    std::string name;
    std::string unit;
    Fixed4 min;  // 0: none
    Fixed4 max;  // 0: none
};

// A ratio restriction: level(nut1) / level(nut2) between min and max (both "n1 : n2"; a
// second term of 0 counts as 1; a max of 0 : 0 means none). Both nutrients must be among the
// formula's nutrients.
struct FormulaRatio {
    int32_t code = 0;
    std::string name;
    int32_t nut1 = 0, nut2 = 0;
    Fixed4 minN1, minN2;
    Fixed4 maxN1, maxN2;
    bool hasMax() const { return !maxN1.isZero() || !maxN2.isZero(); }
};

struct Formula {
    std::string name;
    bool useDryMatter = false;
    bool asFed = false;
    std::string priceUnit = "$/Kg";             // unit printed after the cost
    Fixed4 feedWeight = Fixed4::fromInt(1000);  // kg, for the contribution report by weight
    std::vector<FormulaIngredient> ingredients;
    std::vector<FormulaNutrient> nutrients;
    std::vector<FormulaRatio> ratios;
};

// A formula file that cannot be used; what() is one line naming the problem.
class FormulaFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Parses a formula from JSON text or a file. Throws FormulaFileError.
Formula parseFormulaJson(std::string_view text);
Formula loadFormulaFile(const std::filesystem::path& path);

// The suggestions of a run written into the formula's bounds, by the rule of applySuggestions
// (engine/suggestions.h). Returns how many were applied.
int applySuggestions(const std::vector<TRecom>& suggestions, Formula& formula);

// One row of the nutrient content of the ration (every nutrient of the formula).
struct NutrientContentRow {
    int32_t Codigo = 0;
    std::string Nombre;
    std::string Unidad;
    double Valor = 0.0;
    bool EsRestr = false;
    int32_t NutId = -1;  // position in Nutrients when restricted
};

class MemoryMixObject : public TMixObject {
public:
    MemoryMixObject(ReportDocument& report, Formula formula, int32_t formulaCode = 1);

    const Formula& formula() const { return formula_; }
    const std::vector<NutrientContentRow>& NutrientContent() const { return content_; }
    // Identity printed in the title block of the header.
    ReportIdentity Identity;
    // Title line of the header and the "Base de datos" name.
    std::string ProductTitle = kProductTitle;
    std::string DatabaseName;

    void CountIngredientRows(int32_t& count, Fixed4& sumMax) override;
    void CountNutrientRows() override;
    void AddNutrientRows(ProgrammeCounters& c) override;
    void FillNutrientContent() override;
    void LoadIngredients() override;
    void WriteHeader() override;
    Fixed4 NutrientValue(int32_t ingredient, int32_t nutrient) override;
    void OpenValues() override;
    std::string ItemName(int32_t kind, int32_t code) override;
    std::string NutrientUnit(int32_t code) override;
    std::string ReportFormat(int32_t index) override;
    void SaveResults() override;

private:
    const FormulaIngredient* findIngredient(int32_t code) const;
    const FormulaNutrient* findNutrient(int32_t code) const;
    const FormulaRatio* findRatio(int32_t code) const;

    Formula formula_;
    std::map<int32_t, size_t> ingredientIndex_, nutrientIndex_;
    std::vector<RestrictionBounds> ingredientBounds_, nutrientBounds_;  // formula order
    std::vector<NutrientContentRow> content_;
    // Values of the formula's nutrients, ingredient by ingredient, and the slot of each code.
    std::vector<Fixed4> values_;
    std::vector<int32_t> ingredientSlot_, nutrientSlot_;
};

}  // namespace vexa
