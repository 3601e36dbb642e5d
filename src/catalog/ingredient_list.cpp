#include "catalog/ingredient_list.h"

#include <algorithm>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/catalog_queries.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

int clampRedondeo(int r) {
    return std::clamp(r, -4, 4);
}

IngredientList::IngredientList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActIns), dm_(dm) {
    setQuery(catalog_queries::ingredientList());
    searchFields = {"NOMBRE", "REDONDEO"};
    searchMatch = Match::Beginning;
}

int IngredientList::valueCount(int64_t code) const {
    for (int r = 0; r < rowCount(); ++r)
        if (toNumber(value(r, "CODIGO")) == static_cast<double>(code))
            return static_cast<int>(toNumber(value(r, "NNut")));
    return 0;
}

IngredientEdit IngredientList::currentEdit() const {
    int r = 0;
    try {
        r = std::stoi(text("REDONDEO"));
    } catch (const std::exception&) {
    }
    return {text("NOMBRE"), clampRedondeo(r)};
}

void IngredientList::applyEdit(const IngredientEdit& e) {
    setField("NOMBRE", utf8Left(e.Nombre, fieldWidth("Ins", "Nombre")));
    setField("REDONDEO", std::to_string(clampRedondeo(e.Redondeo)));
    post();
}

bool IngredientList::wEditar() {
    bool ok = editDialog && editDialog(*this);
    if (!ok || editing()) cancel();
    return ok && !editing() && !lastWriteRefused();
}

void IngredientList::onNewRecord() {
    setField("NOMBRE", std::string("Nuevo insumo"));
    setField("REDONDEO", std::string("0"));
    setField("ITID", int64_t{0});
}

void IngredientList::writeDependents(bool wasInsert) {
    if (!wasInsert) return;
    // The new ingredient, its zero values and its place in every group are one change.
    newCode_ = dm_.MaxCodigo("INS", "CODIGO");
    dm_.AgregarInsATodos(newCode_);
    dm_.HabilitarEnGrupos(newCode_, "EI");
}

void IngredientList::afterInsert() {
    if (!wEditar()) return;
    catalogContext().ingredientsChanged = true;
    ActualizarInfo();
    locate("CODIGO", int64_t{newCode_});
    requests_.postApp(kAppShowIngredientValues, newCode_);
}

void IngredientList::ActualizarInfo() {
    SqlValue keep = editing() ? SqlValue{} : field("CODIGO");
    reopen();  // the value counts come with the rows
    if (!std::holds_alternative<std::monostate>(keep)) locate("CODIGO", keep);
}

bool IngredientList::confirmDelete() {
    return dialogs().askYesNo("¿Desea borrar el insumo?");
}

void IngredientList::deleteDependents() {
    dm_.BorrarInsumo(currentCode());
}

void IngredientList::afterDelete() {
    catalogContext().ingredientsChanged = true;
    // The values beside the list must not go on showing the ingredient that is gone.
    followRow();
}

void IngredientList::copy() {
    if (current() < 0 || !canModify()) return;
    int32_t code = 0;
    // The copy and its place in every group are one change.
    bool ok = atomically([&] {
        code = dm_.CopiarInsumo(currentCode());
        if (code != 0) dm_.HabilitarEnGrupos(code, "EI");
        return code != 0;
    });
    ActualizarInfo();
    if (!ok) return;
    catalogContext().modified();
    catalogContext().ingredientsChanged = true;
    locate("CODIGO", int64_t{code});
    edit();
}

bool IngredientList::verContenido(bool onlyChildWindow) {
    if (!canShowContent()) return false;
    requests_.postApp(kAppShowIngredientValues, currentCode());
    catalogContext().sideBySide = onlyChildWindow;
    return onlyChildWindow;
}

void IngredientList::followRow() {
    if (catalogContext().sideBySide && current() >= 0)
        requests_.postApp(kAppFollowIngredient, currentCode());
}

}  // namespace vexa
