#include "workflows/formula_editor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "catalog/dialogs.h"
#include "catalog/value_lists.h"
#include "engine/engine_error.h"
#include "engine/name_kind.h"
#include "engine/suggestions.h"
#include "store/group_queries.h"
#include "store/sqlite_db.h"
#include "store/tdm.h"

namespace vexa {

namespace {

constexpr double kTolerance = 0.0001;

std::optional<double> asDouble(const std::optional<Fixed4>& v) {
    if (!v) return std::nullopt;
    return v->toDouble();
}

std::string format4(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

}  // namespace

std::string checkNegative(std::optional<double> v) {
    return v && *v < 0 ? "Error: No se permiten valores negativos" : "";
}

std::string checkAbove(std::optional<double> v, double limit) {
    if (!v || *v <= limit + kTolerance / 2) return "";
    return format4("Error: No se permiten valores mayores a %8.4f", limit);
}

std::string checkMinMax(std::optional<double> min, std::optional<double> max) {
    if (min && max && *min - *max >= kTolerance - 1e-9)
        return "Error: Valor mínimo mayor que valor máximo";
    return "";
}

std::string checkBothEmpty(std::optional<double> min, std::optional<double> max) {
    if (!min && (!max || *max == 0)) return "Error: No se admiten ambos valores nulos";
    return "";
}

FormulaEditor::FormulaEditor(Database& db, Tdm& dm, RequestSink& requests, bool readOnly)
    : db_(db), dm_(dm), requests_(requests), readOnly_(readOnly) {}

FormulaEditor::~FormulaEditor() = default;

bool FormulaEditor::open(int formula, int group) {
    group_ = group != 0 ? group : dm_.dbDef().Categoria;
    row_ = formula > 0 ? readFormulaRow(db_, formula) : std::nullopt;
    if (!row_) {
        ingredients_.clear();
        nutrients_.clear();
        ratios_.clear();
        return false;
    }
    reload();
    return true;
}

std::string FormulaEditor::caption() const {
    std::string name = row_ ? row_->Nombre : std::string();
    return "Fórmula : " + name + " -- Grupo " + dm_.NombreDe(kNameGroup, group_);
}

void FormulaEditor::reload() {
    if (!row_) return;
    // Prices change in other windows; the Precio column and the export follow them.
    prices_ = ingredientPrices(db_, dm_.PrecioGrupo(row_->Cat));
    ingredients_ = readRestrictions(db_, row_->Codigo, true, sortIns_);
    nutrients_ = readRestrictions(db_, row_->Codigo, false, sortNut_);
    ratios_ = formulaRatios(db_, row_->Codigo);
}

void FormulaEditor::sort(bool ingredients, RestrictionSort by) {
    (ingredients ? sortIns_ : sortNut_) = by;
    reload();
}

bool FormulaEditor::inKilograms() const {
    return row_ && row_->DefCon != 0;
}

double FormulaEditor::toDisplay(double stored) const {
    return inKilograms() ? row_->Cons.value_or(0) * stored / 100.0 : stored;
}

double FormulaEditor::toStored(double shown) const {
    if (!inKilograms()) return shown;
    double cons = row_->Cons.value_or(0);
    return cons != 0 ? shown / cons * 100.0 : 0.0;
}

std::optional<Fixed4> FormulaEditor::price(int cni) const {
    auto it = prices_.find(cni);
    if (it == prices_.end()) return std::nullopt;
    return it->second;
}

std::optional<Fixed4> FormulaEditor::result(bool ingredient, int row) const {
    const auto& rows = ingredient ? ingredients_ : nutrients_;
    if (row < 0 || row >= static_cast<int>(rows.size())) return std::nullopt;
    if (readOnly_ && hasResults()) {
        const auto& run = ingredient ? runIns_ : runNut_;
        auto it = run.find(rows[static_cast<size_t>(row)].CNI);
        if (it != run.end()) return it->second;
        return std::nullopt;
    }
    return rows[static_cast<size_t>(row)].Resul;
}

bool FormulaEditor::outOfRange(bool ingredient, int cni) const {
    if (!hasResults()) return false;
    return (ingredient ? outIns_ : outNut_).count(cni) > 0;
}

// ---- editing

bool FormulaEditor::checkedIngredient(double shownMin, double shownMax) {
    for (const std::string& msg :
         {checkNegative(shownMin), checkAbove(shownMin, upperLimit()), checkNegative(shownMax),
          checkAbove(shownMax, upperLimit()), checkMinMax(shownMin, shownMax)}) {
        if (!msg.empty()) {
            dialogs().showError(msg);
            return false;
        }
    }
    return true;
}

bool FormulaEditor::postIngredient(int cni, double shownMin, double shownMax) {
    if (!canEdit() || !checkedIngredient(shownMin, shownMax)) return false;
    try {
        updateRestriction(db_, true, row_->Codigo, cni, Fixed4::fromDouble(toStored(shownMin)),
                          Fixed4::fromDouble(toStored(shownMax)));
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
        return false;
    }
    if (markModified) markModified();
    reload();
    return true;
}

bool FormulaEditor::postNutrient(int cni, std::optional<double> min, std::optional<double> max) {
    if (!canEdit()) return false;
    if (max && *max == 0) max.reset();  // 0 is no maximum
    for (const std::string& msg : {checkNegative(min), checkNegative(max), checkMinMax(min, max),
                                   checkBothEmpty(min, max)}) {
        if (!msg.empty()) {
            dialogs().showError(msg);
            return false;
        }
    }
    std::optional<Fixed4> fmax;
    if (max) fmax = Fixed4::fromDouble(*max);
    try {
        updateRestriction(db_, false, row_->Codigo, cni, Fixed4::fromDouble(min.value_or(0)), fmax);
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
        return false;
    }
    if (markModified) markModified();
    reload();
    return true;
}

bool FormulaEditor::editIngredient(int row) {
    if (!canEdit() || row < 0 || row >= static_cast<int>(ingredients_.size()) || !ingredientDialog)
        return false;
    const RestrictionRow r = ingredients_[static_cast<size_t>(row)];
    auto answer = ingredientDialog(r.Nombre.substr(0, 25), toDisplay(asDouble(r.Min).value_or(0)),
                                   toDisplay(asDouble(r.Max).value_or(0)), upperLimit());
    if (!answer) return false;
    return postIngredient(r.CNI, answer->first, answer->second);
}

bool FormulaEditor::editNutrient(int row) {
    if (!canEdit() || row < 0 || row >= static_cast<int>(nutrients_.size()) || !nutrientDialog)
        return false;
    const RestrictionRow r = nutrients_[static_cast<size_t>(row)];
    auto answer = nutrientDialog(r.Nombre.substr(0, 25), asDouble(r.Min), asDouble(r.Max));
    if (!answer) return false;
    return postNutrient(r.CNI, answer->first.value_or(0), answer->second);
}

void FormulaEditor::insertIngredients() {
    if (!canEdit()) return;
    std::set<int> members;
    for (int c : groupMembers(db_, "EI", group_)) members.insert(c);
    std::vector<Candidate> all;
    for (const Candidate& c : ingredientLookup(db_))
        if (members.count(c.code)) all.push_back(c);
    std::set<int> restricted;
    for (const auto& r : ingredients_) restricted.insert(r.CNI);
    for (int code : chooseMissing(ChoiceSpec::ingredients(), all, restricted, choiceDialog)) {
        dm_.AgregarRestrIns(row_->Codigo, code, Fixed4(), Fixed4::fromInt(100), Fixed4());
        if (markModified) markModified();
        reload();
        for (size_t i = 0; i < ingredients_.size(); ++i)
            if (ingredients_[i].CNI == code) editIngredient(static_cast<int>(i));
    }
}

void FormulaEditor::insertNutrients() {
    if (!canEdit()) return;
    std::set<int> members;
    for (int c : groupMembers(db_, "EN", group_)) members.insert(c);
    std::vector<Candidate> all;
    for (const Candidate& c : nutrientLookup(db_, false))
        if (members.count(c.code)) all.push_back(c);
    std::set<int> restricted;
    for (const auto& r : nutrients_) restricted.insert(r.CNI);
    for (int code : chooseMissing(ChoiceSpec::nutrients(), all, restricted, choiceDialog)) {
        dm_.AgregarRestrNut(row_->Codigo, code, Fixed4(), Fixed4(), Fixed4());
        // A new nutrient row has no maximum until the user gives one.
        updateRestriction(db_, false, row_->Codigo, code, Fixed4(), std::nullopt);
        if (markModified) markModified();
        reload();
        for (size_t i = 0; i < nutrients_.size(); ++i)
            if (nutrients_[i].CNI == code) editNutrient(static_cast<int>(i));
    }
}

void FormulaEditor::deleteRow(bool ingredient, int row) {
    const auto& rows = ingredient ? ingredients_ : nutrients_;
    if (!canEdit() || row < 0 || row >= static_cast<int>(rows.size())) return;
    try {
        deleteRestriction(db_, ingredient, row_->Codigo, rows[static_cast<size_t>(row)].CNI);
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se borró la restricción: ") + e.what());
        return;
    }
    if (markModified) markModified();
    reload();
}

void FormulaEditor::copyRestrictions(bool ingredient) {
    if (!canEdit() || !formulaChooser) return;
    int source = formulaChooser(formulasWithCounts(db_, group_, ingredient));
    if (source < 0 || source == row_->Codigo) return;
    if (ingredient)
        dm_.ReemplazarRestrIns(source, row_->Codigo);
    else
        dm_.ReemplazarRestrNut(source, row_->Codigo);
    if (markModified) markModified();
    reload();
}

void FormulaEditor::changePrice(int row) {
    if (!canEdit() || !canRun() || !valueDialog || row < 0 ||
        row >= static_cast<int>(ingredients_.size()))
        return;
    const RestrictionRow& r = ingredients_[static_cast<size_t>(row)];
    int nut = dm_.PrecioGrupo(row_->Cat);
    std::optional<Fixed4> old = price(r.CNI);
    ValueEntry e;
    e.itemName = r.Nombre;
    e.value = old ? old->toDouble() : 0.0;
    e.unit = dm_.UnidadNutriente(nut);
    e.step = 0.01;
    auto answer = valueDialog(e);
    if (!answer) return;
    const size_t before = dm_.failedWrites().size();
    if (old)
        dm_.ActualizarValor(r.CNI, nut, Fixed4::fromDouble(answer->value));
    else
        dm_.AgregarValor(r.CNI, nut, Fixed4::fromDouble(answer->value));
    if (dm_.failedWrites().size() > before) {
        std::vector<FailedWrite> lost(dm_.failedWrites().begin() + static_cast<long>(before),
                                      dm_.failedWrites().end());
        dialogs().showError("No se guardó el precio: " + describeFailedWrites(lost));
    } else if (markModified) {
        markModified();
    }
    reload();
    requests_.postApp(kAppRefreshWindow, kRefreshValues);  // other formulas show this price
}

void FormulaEditor::factor(int row) {
    if (!canEdit() || row < 0 || row >= static_cast<int>(nutrients_.size())) return;
    const RestrictionRow old = nutrients_[static_cast<size_t>(row)];
    if (!editNutrient(row)) return;
    std::optional<RestrictionRow> edited;
    for (const auto& r : nutrients_)
        if (r.CNI == old.CNI) edited = r;
    if (!edited) return;
    auto ratio = [](const std::optional<Fixed4>& before,
                    const std::optional<Fixed4>& after) -> std::optional<Fixed4> {
        if (!before || !after || before->isZero() || after->isZero()) return std::nullopt;
        return *after / *before;  // rounded to 4 decimals
    };
    const std::optional<Fixed4> rMin = ratio(old.Min, edited->Min);
    const std::optional<Fixed4> rMax = ratio(old.Max, edited->Max);
    for (const RestrictionRow& r : std::vector<RestrictionRow>(nutrients_)) {
        if (r.CNI == old.CNI) continue;
        std::optional<Fixed4> min = r.Min, max = r.Max;
        if (min && rMin) min = *min * *rMin;
        if (max && rMax) max = *max * *rMax;
        try {
            updateRestriction(db_, false, row_->Codigo, r.CNI, min, max);
        } catch (const std::exception& e) {
            dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
        }
    }
    if (markModified) markModified();
    reload();
}

bool FormulaEditor::saveAsIngredient() {
    if (!hasResults() || !canEdit() || !saveIngredientDialog) return false;
    auto answer = saveIngredientDialog(row_->Nombre, 0);
    if (!answer) return false;
    const size_t before = dm_.failedWrites().size();
    auto failed = [&] {
        if (dm_.failedWrites().size() == before) return false;
        std::vector<FailedWrite> lost(dm_.failedWrites().begin() + static_cast<long>(before),
                                      dm_.failedWrites().end());
        dialogs().showError("No se guardó el insumo: " + describeFailedWrites(lost));
        return true;
    };
    if (!dm_.AgregarInsumo(answer->first.substr(0, 25), std::to_string(answer->second).substr(0, 2),
                           0)) {
        failed();
        return false;
    }
    const int32_t code = dm_.MaxCodigo("Ins", "Codigo");
    dm_.AgregarInsATodos(code);
    dm_.HabilitarInsumo(group_, code);
    // After a batch, the new ingredient is the batch as it will be mixed.
    const ContentTable& content =
        mix_->LastBatch() ? mix_->LastBatch()->table : mix_->NutrientContent();
    for (const ContentRecord& c : content)
        dm_.ActualizarValor(code, c.Codigo, Fixed4::fromDouble(c.Valor));
    if (markModified) markModified();
    return !failed();
}

// ---- the run

bool FormulaEditor::run(ReportDocument& doc) {
    if (!canRun()) return false;
    resultsShown_ = true;
    mix_.reset();
    hasResults_ = false;
    runStatus_.clear();
    content_.clear();
    auto mix = std::make_unique<TMixObject2>(doc, row_->Codigo, dm_);
    mix->Content = &content_;
    mix->AppendReport = false;
    mix->GroupCode = group_;
    mix->StoreResults = !readOnly_;
    mix->DatabaseName = databaseName;
    mix->Identity = identity;
    try {
        mix->Mix();
    } catch (const std::exception& e) {
        reload();
        dialogs().showError(e.what());
        return false;
    }
    mix_ = std::move(mix);
    hasResults_ = true;
    runIns_.clear();
    runNut_.clear();
    outIns_.clear();
    outNut_.clear();
    for (const TInsumo& g : mix_->Ingredients) {
        runIns_[g.Codigo] = g.Cantidad;
        if (g.Fuera) outIns_.insert(g.Codigo);
    }
    for (const TNutriente& n : mix_->Nutrients) {
        runNut_[n.Codigo] = n.Cantidad;
        if (n.Fuera) outNut_.insert(n.Codigo);
    }
    runRatio_.clear();
    outRatio_.clear();
    for (const TRelacion& r : mix_->Ratios) {
        if (!r.SinValor) runRatio_[r.Codigo] = r.Cantidad;
        if (r.Fuera) outRatio_.insert(r.Codigo);
    }
    if (readOnly_) {
        runStatus_ = "Modo de sólo lectura: los resultados no se guardaron.";
    } else if (!mix_->resultsSaved()) {
        runStatus_ = "Los resultados no se guardaron.";
        dialogs().showError("No se guardaron los resultados de la fórmula: " +
                            describeFailedWrites(mix_->unsavedResults()));
    } else if (markModified) {
        markModified();
    }
    if (!readOnly_) row_ = readFormulaRow(db_, row_->Codigo).value_or(*row_);
    reload();
    mix_->WriteHeader();
    mix_->WriteSolution();
    if (!mix_->Feasible && !mix_->Suggestions.empty() && suggestionsDialog &&
        suggestionsDialog(suggestionLines())) {
        applySuggestionsToRestrictions();
        return true;
    }
    return false;
}

std::vector<SuggestionLine> FormulaEditor::suggestionLines() const {
    std::vector<SuggestionLine> lines;
    if (!mix_) return lines;
    for (const TRecom& s : mix_->Suggestions) {
        SuggestionLine l;
        l.tipo = s.Clase == kClaseTotal      ? "Rest 100%"
                 : s.Clase == kClaseInsumo   ? "Rest Insumo"
                 : s.Clase == kClaseRelacion ? "Rest Relación"
                                             : "Rest Nutriente";
        l.minMax = s.Tipo == kTipoMin ? "Mínimo" : s.Tipo == kTipoMax ? "Máximo" : "Igualdad";
        if (s.Clase == kClaseInsumo) l.nombre = dm_.NombreDe(kNameIngredient, s.Indice);
        if (s.Clase == kClaseNutriente) l.nombre = dm_.NombreDe(kNameNutrient, s.Indice);
        if (s.Clase == kClaseRelacion) l.nombre = dm_.NombreDe(kNameRatio, s.Indice);
        l.unidad = s.Clase == kClaseNutriente ? dm_.UnidadNutriente(s.Indice)
                   : s.Clase == kClaseRelacion
                       ? ": " + (s.SugeridoN2.isZero() ? std::string("1")
                                                       : format4("%.4f", s.SugeridoN2.toDouble()))
                       : "%";
        l.actual = format4("%10.4f", (s.Sugerido + s.Faltante).toDouble());
        l.sugerido = format4("%10.4f", s.Sugerido.toDouble());
        lines.push_back(std::move(l));
    }
    std::stable_sort(
        lines.begin(), lines.end(),
        [](const SuggestionLine& a, const SuggestionLine& b) { return a.tipo < b.tipo; });
    return lines;
}

void FormulaEditor::applySuggestionsToRestrictions() {
    if (!mix_ || !canEdit()) return;
    auto bounds = [](const std::vector<RestrictionRow>& rows) {
        std::vector<RestrictionBounds> out;
        for (const auto& r : rows)
            out.push_back({r.CNI, r.Min.value_or(Fixed4()), r.Max.value_or(Fixed4())});
        return out;
    };
    std::vector<RestrictionBounds> ins = bounds(ingredients_), nut = bounds(nutrients_);
    applySuggestions(mix_->Suggestions, ins, nut);
    // Only the rows a suggestion names are written; an empty nutrient maximum stays empty
    // unless the suggestion sets it.
    for (const TRecom& s : mix_->Suggestions) {
        bool ingredient = s.Clase == kClaseInsumo;
        if (!ingredient && s.Clase != kClaseNutriente) continue;
        const auto& rows = ingredient ? ingredients_ : nutrients_;
        const auto& b = ingredient ? ins : nut;
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].CNI != s.Indice) continue;
            std::optional<Fixed4> max = rows[i].Max;
            if (s.Tipo == kTipoMax || s.Tipo == kTipoIgual) max = b[i].max;
            try {
                updateRestriction(db_, ingredient, row_->Codigo, rows[i].CNI, b[i].min, max);
            } catch (const std::exception& e) {
                dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
            }
            break;
        }
    }
    applyRatioSuggestions();
    if (markModified) markModified();
    reload();
}

void FormulaEditor::writeReport(Report r) {
    if (!hasResults()) return;
    mix_->WriteHeader();
    switch (r) {
        case Report::Solution:
            mix_->WriteSolution();
            break;
        case Report::Content:
            mix_->WriteNutrientContent(false);
            mix_->WriteLastBatchContent();
            break;
        case Report::Contribution:
            mix_->WriteNutrientContribution(false);
            break;
        case Report::Summary:
            mix_->WriteFullReport();
            mix_->WriteLastBatchContent();
            break;
        case Report::PriceSensitivity:
            mix_->WritePriceSensitivity();
            break;
        case Report::IngredientSensitivity:
            mix_->WriteIngredientSensitivity();
            break;
        case Report::NutrientSensitivity:
            mix_->WriteNutrientSensitivity();
            break;
    }
}

void FormulaEditor::setAccumulate(bool on) {
    accumulate_ = on;
    if (mix_) mix_->AppendReport = on;
}

bool FormulaEditor::rename(const std::string& name) {
    if (!canEdit()) return false;
    try {
        if (!renameFormula(db_, row_->Codigo, name)) return false;
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se guardó la fórmula: ") + e.what());
        return false;
    }
    if (markModified) markModified();
    row_ = readFormulaRow(db_, row_->Codigo).value_or(*row_);
    return true;
}

void FormulaEditor::notifyLists() {
    requests_.postApp(kAppRefreshWindow, 4);
}

}  // namespace vexa
