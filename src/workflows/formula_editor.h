#pragma once
// TfrmFor without widgets: one formula, its ingredient and nutrient restrictions, the run and
// its reports. The window gives it the dialogs (as functions) and the report document.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "catalog/requests.h"
#include "catalog/value_entry.h"
#include "store/formula_editor_queries.h"
#include "store/mix_object2.h"
#include "store/ratio_queries.h"

namespace vexa {

class Database;
class Tdm;

// The four checks of the restriction rows; each returns the message, or "" when it passes.
std::string checkNegative(std::optional<double> v);
std::string checkAbove(std::optional<double> v, double limit);  // the ingredient upper limit
std::string checkMinMax(std::optional<double> min, std::optional<double> max);
std::string checkBothEmpty(std::optional<double> min, std::optional<double> max);

// One line of the suggestions dialog.
struct SuggestionLine {
    std::string tipo, minMax, nombre, unidad, actual, sugerido;
};

class FormulaEditor {
public:
    FormulaEditor(Database& db, Tdm& dm, RequestSink& requests, bool readOnly);
    ~FormulaEditor();

    // Opens `formula` for `group` (0: the workspace's default group). False when there is no
    // such formula: the editor stays empty and cannot run.
    bool open(int formula, int group);
    bool loaded() const { return row_.has_value(); }
    bool readOnly() const { return readOnly_; }
    const FormulaRow& formula() const { return *row_; }
    int group() const { return group_; }
    std::string caption() const;

    // Ingredient grid: stored percents shown in the entry unit.
    const std::vector<RestrictionRow>& ingredients() const { return ingredients_; }
    const std::vector<RestrictionRow>& nutrients() const { return nutrients_; }
    bool inKilograms() const;
    std::string ingredientUnit() const { return inKilograms() ? "Kg." : "%"; }
    double toDisplay(double stored) const;
    double toStored(double shown) const;
    double upperLimit() const { return toDisplay(100.0); }
    std::optional<Fixed4> price(int cni) const;
    // The result shown: in a read-only workspace the run's own, since nothing was stored.
    std::optional<Fixed4> result(bool ingredient, int row) const;
    bool outOfRange(bool ingredient, int cni) const;
    void sort(bool ingredients, RestrictionSort by);
    void reload();

    // Dialogs. Ingredient: name, min, max, limit → min, max. Nutrient: name, min, max (0 or
    // empty: none) → min, max (empty: none). Suggestions → true for "&Cambiar y Reformular".
    std::function<std::optional<std::pair<double, double>>(const std::string&, double, double,
                                                           double)>
        ingredientDialog;
    std::function<std::optional<std::pair<std::optional<double>, std::optional<double>>>(
        const std::string&, std::optional<double>, std::optional<double>)>
        nutrientDialog;
    std::function<bool(const std::vector<SuggestionLine>&)> suggestionsDialog;
    ChoiceDialogFn choiceDialog;
    std::function<void()> markModified;

    bool canEdit() const { return loaded() && !readOnly_; }
    // E&ditar on a row; false when cancelled or refused (the message was shown).
    bool editIngredient(int row);
    bool editNutrient(int row);
    // Stores a nutrient row after the four checks; false (message shown) when refused.
    bool postNutrient(int cni, std::optional<double> min, std::optional<double> max);
    bool postIngredient(int cni, double shownMin, double shownMax);
    void insertIngredients();
    void insertNutrients();
    void deleteRow(bool ingredient, int row);
    // "Copiar restric.": the chosen formula's restrictions of that kind replace this one's;
    // choosing this formula itself changes nothing. `chooser` gets the group's formulas and
    // returns a code or -1.
    std::function<int(const std::vector<FormulaChoice>&)> formulaChooser;
    void copyRestrictions(bool ingredient);
    // "Cambiar Precio": the value dialog on the current ingredient's price.
    ValueDialogFn valueDialog;
    void changePrice(int row);
    // "Factorización": the nutrient dialog on `row`, then the other nutrients' limits scaled by
    // the same proportions (a limit that was empty or zero before or after scales nothing).
    void factor(int row);
    // "&Guardar insumo": a new ingredient with the ration's nutrient content, in the group.
    // `dialog` gets the preset (formula name, rounding 0) and returns the name and rounding.
    std::function<std::optional<std::pair<std::string, int>>(const std::string&, int)>
        saveIngredientDialog;
    bool saveAsIngredient();

    // Ratio grid ("Restricciones de relaciones"): the formula's ratio restrictions (RRN).
    struct RatioTerms {
        std::optional<double> minN1, minN2, maxN1, maxN2;  // empty second terms count as 1
    };
    const std::vector<FormulaRatioRow>& ratios() const { return ratios_; }
    // The ratio the last run found ("x : 1"); none before a run or when it had no value.
    std::optional<Fixed4> ratioResult(int row) const;
    bool ratioOutOfRange(int code) const;
    // The dialog: ratio name, first and second nutrient names and the terms → the new terms.
    std::function<std::optional<RatioTerms>(const std::string&, const std::string&,
                                            const std::string&, const RatioTerms&)>
        ratioDialog;
    bool editRatio(int row);
    // Stores the terms after the checks; false (message shown) when refused.
    bool postRatio(int code, const RatioTerms& terms);
    // The group's enabled ratios with both nutrients in the group, not yet restricted.
    void insertRatios();
    // Why "&Insertar" has no ratio to offer, for the user.
    std::string whyNoRatioToInsert(const std::set<int>& restricted) const;
    void deleteRatio(int row);
    void copyRatios();

    // F9. Returns true when the suggestions were accepted and written: the caller runs again
    // once the current handler has returned.
    bool canRun() const { return loaded() && !ingredients_.empty(); }
    bool run(ReportDocument& doc);
    bool hasResults() const { return mix_ != nullptr && hasResults_; }
    bool resultColumnsShown() const { return resultsShown_; }
    TMixObject2* mix() const { return mix_.get(); }
    // What the status bar says after the run ("" when the results were stored).
    const std::string& runStatus() const { return runStatus_; }
    std::vector<SuggestionLine> suggestionLines() const;
    void applySuggestionsToRestrictions();

    enum class Report {
        Solution,
        Content,
        Contribution,
        Summary,
        PriceSensitivity,
        IngredientSensitivity,
        NutrientSensitivity
    };
    void writeReport(Report r);
    bool accumulate() const { return accumulate_; }
    void setAccumulate(bool on);

    // Properties page: the name only; Ultima and Valor stay as the last run stored them.
    bool rename(const std::string& name);
    // Closing and deactivation: the formulas list refreshes its counts and last run.
    void notifyLists();

    std::string databaseName;
    ReportIdentity identity;

private:
    bool checkedIngredient(double shownMin, double shownMax);
    Database& db_;
    Tdm& dm_;
    RequestSink& requests_;
    bool readOnly_;
    std::optional<FormulaRow> row_;
    int group_ = 0;
    std::vector<RestrictionRow> ingredients_, nutrients_;
    std::vector<FormulaRatioRow> ratios_;
    std::map<int, Fixed4> runRatio_;
    std::set<int> outRatio_;
    void applyRatioSuggestions();
    RestrictionSort sortIns_ = RestrictionSort::Code, sortNut_ = RestrictionSort::Code;
    std::map<int32_t, Fixed4> prices_;
    std::unique_ptr<TMixObject2> mix_;
    ContentTable content_;
    bool hasResults_ = false, resultsShown_ = false, accumulate_ = false;
    std::string runStatus_;
    std::map<int, Fixed4> runIns_, runNut_;
    std::set<int> outIns_, outNut_;
};

}  // namespace vexa
