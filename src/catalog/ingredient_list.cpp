#include "catalog/ingredient_list.h"

#include <algorithm>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

int clampRedondeo(int r) {
    return std::clamp(r, -4, 4);
}

IngredientList::IngredientList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActIns), dm_(dm) {
    setQuery({"SELECT CODIGO, NOMBRE, REDONDEO, ITID", "FROM INS", "ORDER BY", "NOMBRE"});
    setSortLine(3);
    setUpdateSql(
        "UPDATE INS SET NOMBRE = :NOMBRE, REDONDEO = :REDONDEO, ITID = :ITID "
        "WHERE CODIGO = :OLD_CODIGO",
        "INSERT INTO INS (NOMBRE, REDONDEO, ITID) VALUES (:NOMBRE, :REDONDEO, :ITID)",
        "DELETE FROM INS WHERE CODIGO = :OLD_CODIGO");
    searchFields = {"NOMBRE", "REDONDEO"};
    searchMatch = Match::Beginning;
    readCounts();
}

void IngredientList::readCounts() {
    counts_.clear();
    Statement st = db().prepare(tdm_sql::qNutxIns);
    while (st.step()) counts_[st.getInt64(0)] = st.getInt(1);
}

int IngredientList::valueCount(int64_t code) const {
    auto it = counts_.find(code);
    return it == counts_.end() ? 0 : it->second;
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
    setField("NOMBRE", utf8Left(e.Nombre, 25));
    setField("REDONDEO", std::to_string(clampRedondeo(e.Redondeo)));
    post();
}

bool IngredientList::wEditar() {
    bool ok = editDialog && editDialog(*this);
    if (!ok || editing()) cancel();
    return ok && !editing();
}

void IngredientList::onNewRecord() {
    setField("NOMBRE", std::string("Nuevo insumo"));
    setField("REDONDEO", std::string("0"));
    setField("ITID", int64_t{0});
}

void IngredientList::afterInsert() {
    if (!wEditar()) return;
    int32_t code = dm_.MaxCodigo("INS", "CODIGO");
    dm_.AgregarInsATodos(code);
    dm_.HabilitarEnGrupos(code, "EI");
    catalogContext().ingredientsChanged = true;
    ActualizarInfo();
    locate("CODIGO", int64_t{code});
    requests_.postApp(kAppShowIngredientValues, code);
}

void IngredientList::ActualizarInfo() {
    SqlValue keep = editing() ? SqlValue{} : field("CODIGO");
    readCounts();
    reopen();
    if (!std::holds_alternative<std::monostate>(keep)) locate("CODIGO", keep);
}

bool IngredientList::beforeDelete() {
    if (!dialogs().askYesNo("¿Desea borrar el insumo?")) return false;
    dm_.BorrarInsumo(currentCode());
    catalogContext().ingredientsChanged = true;
    return true;
}

void IngredientList::afterDelete() {
    // The values beside the list must not go on showing the ingredient that is gone.
    followRow();
}

void IngredientList::copy() {
    if (current() < 0 || !canModify()) return;
    int32_t code = dm_.CopiarInsumo(currentCode());
    ActualizarInfo();
    if (code == 0) return;
    dm_.HabilitarEnGrupos(code, "EI");
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
