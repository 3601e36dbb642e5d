#include "engine/memory_mix_object.h"

#include "engine/suggestions.h"

namespace vexa {

MemoryMixObject::MemoryMixObject(ReportDocument& report, Formula formula, int32_t formulaCode)
    : TMixObject(report, formulaCode), formula_(std::move(formula)) {
    for (size_t i = 0; i < formula_.ingredients.size(); ++i) {
        const FormulaIngredient& ing = formula_.ingredients[i];
        ingredientIndex_.emplace(ing.code, i);
        ingredientBounds_.push_back({ing.code, ing.min, ing.max});
    }
    for (size_t i = 0; i < formula_.nutrients.size(); ++i) {
        const FormulaNutrient& n = formula_.nutrients[i];
        nutrientIndex_.emplace(n.code, i);
        nutrientBounds_.push_back({n.code, n.min, n.max});
    }
    for (const FormulaRatio& r : formula_.ratios)
        RatioRestrictions.push_back({r.code, r.nut1, r.nut2, r.minN1, r.minN2, r.maxN1, r.maxN2});
    UseDryMatter = formula_.useDryMatter;
    AsFedFormula = formula_.asFed;
    FeedWeight = formula_.feedWeight;
    PriceNutrient = 0;  // prices come with the ingredients
    DryMatterNutrient = 0;
    DatabaseName = "";
}

const FormulaIngredient* MemoryMixObject::findIngredient(int32_t code) const {
    auto it = ingredientIndex_.find(code);
    return it == ingredientIndex_.end() ? nullptr : &formula_.ingredients[it->second];
}

const FormulaRatio* MemoryMixObject::findRatio(int32_t code) const {
    for (const FormulaRatio& r : formula_.ratios)
        if (r.code == code) return &r;
    return nullptr;
}

const FormulaNutrient* MemoryMixObject::findNutrient(int32_t code) const {
    auto it = nutrientIndex_.find(code);
    return it == nutrientIndex_.end() ? nullptr : &formula_.nutrients[it->second];
}

void MemoryMixObject::CountIngredientRows(int32_t& count, Fixed4& sumMax) {
    CountIngredientRowsOf(ingredientBounds_, count, sumMax);
}

void MemoryMixObject::CountNutrientRows() {
    CountNutrientRowsOf(nutrientBounds_);
}

void MemoryMixObject::LoadIngredients() {
    LoadIngredientsOf(ingredientBounds_, [&](TInsumo& it, size_t i) {
        it.Precio = formula_.ingredients[i].price;
        if (UseDryMatter) it.MS = formula_.ingredients[i].dryMatter;
    });
}

void MemoryMixObject::AddNutrientRows(ProgrammeCounters& c) {
    AddNutrientRowsOf(nutrientBounds_, c);
}

void MemoryMixObject::FillNutrientContent() {
    // Every nutrient of the formula is in the nutrient list, so each one is "restricted" here
    // (possibly without bounds) and its level comes from the solution.
    content_.clear();
    for (size_t p = 0; p < Nutrients.size(); ++p) {
        const FormulaNutrient* n = findNutrient(Nutrients[p].Codigo);
        NutrientContentRow row;
        row.Codigo = Nutrients[p].Codigo;
        row.Nombre = n ? n->name : "";
        row.Unidad = n ? n->unit : "";
        row.Valor = Nutrients[p].Cantidad.toDouble();
        row.EsRestr = true;
        row.NutId = static_cast<int32_t>(p);
        content_.push_back(row);
    }
}

void MemoryMixObject::WriteHeader() {
    WriteStandardHeader(ProductTitle, Identity, DatabaseName, 0);
}

Fixed4 MemoryMixObject::NutrientValue(int32_t ingredient, int32_t nutrient) {
    // The run asks for each value several times: from the dense table when both codes have a
    // slot in it.
    const size_t nutrients = formula_.nutrients.size();
    if (!values_.empty() && ingredient >= 0 && nutrient >= 0 &&
        static_cast<size_t>(ingredient) < ingredientSlot_.size() &&
        static_cast<size_t>(nutrient) < nutrientSlot_.size()) {
        const int32_t i = ingredientSlot_[static_cast<size_t>(ingredient)];
        const int32_t n = nutrientSlot_[static_cast<size_t>(nutrient)];
        if (i >= 0 && n >= 0)
            return values_[static_cast<size_t>(i) * nutrients + static_cast<size_t>(n)];
    }
    const FormulaIngredient* ing = findIngredient(ingredient);
    if (!ing) return Fixed4();
    auto it = ing->values.find(nutrient);
    return it == ing->values.end() ? Fixed4() : it->second;
}

void MemoryMixObject::OpenValues() {
    // Codes as slots only while they stay small; large codes go through the maps.
    constexpr int32_t kMaxSlot = 1 << 16;
    auto slots = [](const std::map<int32_t, size_t>& index, std::vector<int32_t>& slot) {
        slot.clear();
        if (index.empty() || index.begin()->first < 0 || index.rbegin()->first >= kMaxSlot) return;
        slot.assign(static_cast<size_t>(index.rbegin()->first) + 1, -1);
        for (const auto& [code, i] : index)
            slot[static_cast<size_t>(code)] = static_cast<int32_t>(i);
    };
    slots(ingredientIndex_, ingredientSlot_);
    slots(nutrientIndex_, nutrientSlot_);
    const size_t nutrients = formula_.nutrients.size();
    values_.assign(formula_.ingredients.size() * nutrients, Fixed4());
    for (size_t i = 0; i < formula_.ingredients.size(); ++i)
        for (const auto& [code, v] : formula_.ingredients[i].values)
            if (auto it = nutrientIndex_.find(code); it != nutrientIndex_.end())
                values_[i * nutrients + it->second] = v;
}

std::string MemoryMixObject::ItemName(int32_t kind, int32_t code) {
    switch (kind) {
        case kNameIngredient: {
            const FormulaIngredient* ing = findIngredient(code);
            return ing ? ing->name : "";
        }
        case kNameNutrient: {
            const FormulaNutrient* n = findNutrient(code);
            return n ? n->name : "";
        }
        case kNameRatio: {
            const FormulaRatio* r = findRatio(code);
            return r ? r->name : "";
        }
        case kNameFormula:
            return formula_.name;
        default:
            return "";
    }
}

std::string MemoryMixObject::NutrientUnit(int32_t code) {
    if (code == PriceNutrient) return formula_.priceUnit;
    const FormulaNutrient* n = findNutrient(code);
    return n ? n->unit : "";
}

std::string MemoryMixObject::ReportFormat(int32_t index) {
    // The leading part of the solution lines: the name in 25 characters, then the share under
    // the "%" of the heading.
    if (index == 6) return "%-25s  %8.4f";
    return "";
}

void MemoryMixObject::SaveResults() {}

int applySuggestions(const std::vector<TRecom>& suggestions, Formula& formula) {
    std::vector<RestrictionBounds> ingredients, nutrients;
    for (const FormulaIngredient& i : formula.ingredients)
        ingredients.push_back({i.code, i.min, i.max});
    for (const FormulaNutrient& n : formula.nutrients) nutrients.push_back({n.code, n.min, n.max});
    std::vector<RatioBounds> ratios;
    for (const FormulaRatio& r : formula.ratios)
        ratios.push_back({r.code, r.nut1, r.nut2, r.minN1, r.minN2, r.maxN1, r.maxN2});
    const int applied = applySuggestions(suggestions, ingredients, nutrients, ratios);
    for (size_t k = 0; k < ingredients.size(); ++k) {
        formula.ingredients[k].min = ingredients[k].min;
        formula.ingredients[k].max = ingredients[k].max;
    }
    for (size_t k = 0; k < nutrients.size(); ++k) {
        formula.nutrients[k].min = nutrients[k].min;
        formula.nutrients[k].max = nutrients[k].max;
    }
    for (size_t k = 0; k < ratios.size(); ++k) {
        FormulaRatio& r = formula.ratios[k];
        r.minN1 = ratios[k].minN1;
        r.minN2 = ratios[k].minN2;
        r.maxN1 = ratios[k].maxN1;
        r.maxN2 = ratios[k].maxN2;
    }
    return applied;
}

}  // namespace vexa
