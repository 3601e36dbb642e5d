#include "catalog/value_entry.h"

#include "store/name_order.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "catalog/catalog_context.h"
#include "catalog/record_list.h"
#include "engine/fixed4.h"
#include "store/catalog_queries.h"
#include "store/tdm.h"

namespace vexa {

namespace {

ValueEntry entryFor(Tdm& dm, const std::string& label, const std::string& name, double value,
                    int nutrient) {
    WorkspaceProps p = catalogContext().workspace();
    ValueEntry e;
    e.label = label;
    e.itemName = name;
    e.value = value;
    e.unit = dm.UnidadNutriente(nutrient);
    e.showBasis = p.UsarMS;
    e.basis = p.EnBaseFresca ? 1 : 0;
    return e;
}

bool storeAnswer(RecordList& row, Tdm& dm, const std::optional<ValueAnswer>& a) {
    if (!a) {
        row.cancel();
        return false;
    }
    checkEnteredValue(a->value);
    int ins = static_cast<int>(row.integer("Ins"));
    WorkspaceProps p = catalogContext().workspace();
    int basis = p.UsarMS ? a->basis : (p.EnBaseFresca ? 1 : 0);
    Fixed4 v = dm.ConvertirBase(ins, basis, Fixed4::fromDouble(a->value));
    row.setField("Valor", v.toDouble());
    return row.post();
}

}  // namespace

void checkEnteredValue(double v) {
    if (v < 0) throw std::runtime_error("Error: El Valor no puede ser negativo");
}

bool editValueByIngredient(RecordList& row, Tdm& dm, const ValueDialogFn& dialog) {
    int nut = static_cast<int>(row.integer("Nut"));
    ValueEntry e = entryFor(dm, "Nutriente", row.text("Nombre"), row.number("Valor"), nut);
    return storeAnswer(row, dm, dialog ? dialog(e) : std::nullopt);
}

bool editValueByNutrient(RecordList& row, Tdm& dm, int nutrient, const ValueDialogFn& dialog) {
    ValueEntry e = entryFor(dm, "Insumo", row.text("Nombre"), row.number("Valor"), nutrient);
    return storeAnswer(row, dm, dialog ? dialog(e) : std::nullopt);
}

bool changePrice(Tdm& dm, int ingredient, int priceNutrient, const ValueDialogFn& dialog) {
    double current = storedValue(dm.db(), ingredient, priceNutrient).value_or(Fixed4()).toDouble();
    ValueEntry e =
        entryFor(dm, "Insumo", dm.NombreDe(kNameIngredient, ingredient), current, priceNutrient);
    e.showBasis = false;
    e.step = 0.01;
    auto a = dialog ? dialog(e) : std::nullopt;
    if (!a) return false;
    checkEnteredValue(a->value);
    if (!dm.ActualizarValor(ingredient, priceNutrient, Fixed4::fromDouble(a->value)))
        throw std::runtime_error("No se pudo guardar el precio.");
    return true;
}

bool addPrice(Tdm& dm, int ingredient, int priceNutrient, const ValueDialogFn& dialog) {
    ValueEntry e =
        entryFor(dm, "Insumo", dm.NombreDe(kNameIngredient, ingredient), 0, priceNutrient);
    e.showBasis = false;
    e.step = 0.01;
    auto a = dialog ? dialog(e) : std::nullopt;
    if (!a) return false;
    checkEnteredValue(a->value);
    if (!dm.AgregarValor(ingredient, priceNutrient, Fixed4::fromDouble(a->value)))
        throw std::runtime_error("No se pudo guardar el precio.");
    return true;
}

std::vector<Candidate> buildCandidates(const std::vector<Candidate>& all,
                                       const std::set<int>& excluded) {
    std::vector<Candidate> out;
    for (const Candidate& c : all)
        if (!excluded.count(c.code)) out.push_back(c);
    if (out.empty()) return out;
    std::stable_sort(out.begin(), out.end(), [](const Candidate& a, const Candidate& b) {
        return compareNames(a.name, b.name) < 0;
    });
    std::erase_if(out, [](const Candidate& c) { return c.name.empty(); });
    return out;
}

ChoiceSpec ChoiceSpec::nutrients() {
    return {"Insertar nutrientes", "&Nutriente", "Lista de nutrientes disponibles", "&Insertar"};
}

ChoiceSpec ChoiceSpec::ingredients() {
    return {"Insertar insumos", "&Insumo", "Lista de insumos disponibles", "Insertar"};
}

std::vector<int> chooseMissing(const ChoiceSpec& spec, const std::vector<Candidate>& all,
                               const std::set<int>& excluded, const ChoiceDialogFn& dialog) {
    std::vector<Candidate> list = buildCandidates(all, excluded);
    if (list.empty() || !dialog) return {};
    return dialog(spec, list);
}

int findTyped(const std::vector<Candidate>& list, const std::string& typed) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].name.rfind(typed, 0) == 0) return static_cast<int>(i);
    return -1;
}

}  // namespace vexa
