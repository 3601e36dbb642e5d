// The formula editor's third grid: the formula's ratio restrictions, their dialog and checks,
// insertion from the group's ratios, deletion, copying and the run's suggestions for them.
#include "catalog/dialogs.h"
#include "engine/name_kind.h"
#include "engine/suggestions.h"
#include "store/tdm.h"
#include "workflows/formula_editor.h"

#include <algorithm>

namespace vexa {

namespace {

std::optional<double> asDouble(Fixed4 v, bool present = true) {
    if (!present) return std::nullopt;
    return v.toDouble();
}

}  // namespace

std::optional<Fixed4> FormulaEditor::ratioResult(int row) const {
    if (!hasResults() || row < 0 || row >= static_cast<int>(ratios_.size())) return std::nullopt;
    auto it = runRatio_.find(ratios_[static_cast<size_t>(row)].ratio.code);
    if (it == runRatio_.end()) return std::nullopt;
    return it->second;
}

bool FormulaEditor::ratioOutOfRange(int code) const {
    return hasResults() && outRatio_.count(code) > 0;
}

bool FormulaEditor::editRatio(int row) {
    if (!canEdit() || row < 0 || row >= static_cast<int>(ratios_.size()) || !ratioDialog)
        return false;
    const FormulaRatioRow r = ratios_[static_cast<size_t>(row)];
    RatioTerms terms{asDouble(r.minN1), asDouble(r.minN2, !r.minN2.isZero()),
                     asDouble(r.maxN1, r.hasMax()), asDouble(r.maxN2, r.hasMax())};
    auto answer = ratioDialog(r.ratio.name, dm_.NombreDe(kNameNutrient, r.ratio.nut1),
                              dm_.NombreDe(kNameNutrient, r.ratio.nut2), terms);
    if (!answer) return false;
    return postRatio(r.ratio.code, *answer);
}

bool FormulaEditor::postRatio(int code, const RatioTerms& t) {
    if (!canEdit()) return false;
    auto f = [](std::optional<double> v) { return Fixed4::fromDouble(v.value_or(0)); };
    std::optional<double> maxN1 = t.maxN1;
    if (maxN1 && *maxN1 == 0) maxN1.reset();  // a maximum of 0 is no maximum
    std::string msg;
    for (std::optional<double> v : {t.minN1, t.minN2, t.maxN1, t.maxN2})
        if (msg.empty()) msg = checkNegative(v);
    if (msg.empty()) msg = checkBothEmpty(t.minN1, maxN1);
    if (msg.empty() && maxN1 && ratioMinAboveMax(f(t.minN1), f(t.minN2), f(maxN1), f(t.maxN2)))
        msg = "Error: Valor mínimo mayor que valor máximo";
    if (!msg.empty()) {
        dialogs().showError(msg);
        return false;
    }
    FormulaRatioRow row;
    for (const FormulaRatioRow& r : ratios_)
        if (r.ratio.code == code) row = r;
    if (row.ratio.code == 0) {
        auto info = findRatio(db_, code);
        if (!info) return false;
        row.ratio = *info;
    }
    row.minN1 = f(t.minN1);
    row.minN2 = f(t.minN2);
    row.maxN1 = maxN1 ? f(maxN1) : Fixed4();
    row.maxN2 = maxN1 ? f(t.maxN2) : Fixed4();
    try {
        saveFormulaRatio(db_, row_->Codigo, row);
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
        return false;
    }
    if (markModified) markModified();
    reload();
    return true;
}

void FormulaEditor::insertRatios() {
    if (!canEdit()) return;
    std::vector<Candidate> all;
    for (const RatioInfo& r : insertableRatios(db_, group_)) all.push_back({r.code, r.name});
    std::set<int> restricted;
    for (const auto& r : ratios_) restricted.insert(r.ratio.code);
    if (std::none_of(all.begin(), all.end(),
                     [&](const Candidate& c) { return restricted.count(c.code) == 0; })) {
        dialogs().showInfo(whyNoRatioToInsert(restricted));
        return;
    }
    const ChoiceSpec spec{"Insertar relaciones", "&Relación", "Lista de relaciones disponibles",
                          "&Insertar"};
    for (int code : chooseMissing(spec, all, restricted, choiceDialog)) {
        auto info = findRatio(db_, code);
        if (!info) continue;
        // a new row is 1 : 1 at least until the user gives its terms
        FormulaRatioRow row;
        row.ratio = *info;
        row.minN1 = row.minN2 = Fixed4::fromInt(1);
        try {
            saveFormulaRatio(db_, row_->Codigo, row);
        } catch (const std::exception& e) {
            dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
            return;
        }
        if (markModified) markModified();
        reload();
        for (size_t i = 0; i < ratios_.size(); ++i)
            if (ratios_[i].ratio.code == code) editRatio(static_cast<int>(i));
    }
}

std::string FormulaEditor::whyNoRatioToInsert(const std::set<int>& restricted) const {
    const std::string group = dm_.NombreDe(kNameGroup, group_);
    const std::vector<int32_t> enabled = groupRatios(db_, group_);
    std::vector<std::string> lines;
    for (const RatioInfo& r : ratiosByName(db_)) {
        if (restricted.count(r.code)) continue;
        if (std::find(enabled.begin(), enabled.end(), r.code) == enabled.end())
            lines.push_back("La relación " + r.name + " no está habilitada para el grupo " + group +
                            " (ventana de grupos, Relaciones).");
        else
            lines.push_back("La relación " + r.name + " necesita sus dos nutrientes habilitados " +
                            "en el grupo " + group + ".");
    }
    if (!lines.empty()) {
        std::string text = "No hay relaciones que insertar.";
        for (const std::string& l : lines) text += "\n" + l;
        return text;
    }
    return restricted.empty()
               ? std::string("No hay relaciones en el catálogo: créelas en la ventana Relaciones.")
               : "Todas las relaciones habilitadas para el grupo " + group +
                     " ya están en la fórmula.";
}

void FormulaEditor::deleteRatio(int row) {
    if (!canEdit() || row < 0 || row >= static_cast<int>(ratios_.size())) return;
    try {
        deleteFormulaRatio(db_, row_->Codigo, ratios_[static_cast<size_t>(row)].ratio.code);
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se borró la restricción: ") + e.what());
        return;
    }
    if (markModified) markModified();
    reload();
}

void FormulaEditor::copyRatios() {
    if (!canEdit() || !formulaChooser) return;
    std::vector<FormulaChoice> list = formulasWithCounts(db_, group_, false);
    for (FormulaChoice& c : list)
        c.restrictions = static_cast<int>(formulaRatios(db_, c.Codigo).size());
    int source = formulaChooser(list);
    if (source < 0 || source == row_->Codigo) return;
    try {
        replaceFormulaRatios(db_, source, row_->Codigo);
    } catch (const std::exception& e) {
        dialogs().showError(std::string("No se copiaron las restricciones: ") + e.what());
        return;
    }
    if (markModified) markModified();
    reload();
}

void FormulaEditor::applyRatioSuggestions() {
    std::vector<RatioBounds> bounds;
    for (const FormulaRatioRow& r : ratios_) bounds.push_back(r.bounds());
    std::vector<RestrictionBounds> none1, none2;
    applySuggestions(mix_->Suggestions, none1, none2, bounds);
    for (const TRecom& s : mix_->Suggestions) {
        if (s.Clase != kClaseRelacion) continue;
        for (size_t i = 0; i < ratios_.size(); ++i) {
            if (ratios_[i].ratio.code != s.Indice) continue;
            FormulaRatioRow row = ratios_[i];
            row.minN1 = bounds[i].minN1;
            row.minN2 = bounds[i].minN2;
            row.maxN1 = bounds[i].maxN1;
            row.maxN2 = bounds[i].maxN2;
            try {
                saveFormulaRatio(db_, row_->Codigo, row);
            } catch (const std::exception& e) {
                dialogs().showError(std::string("No se guardó la restricción: ") + e.what());
            }
            break;
        }
    }
}

}  // namespace vexa
