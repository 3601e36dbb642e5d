#include "catalog/nutrient_list.h"

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

NutrientList::NutrientList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActNut), dm_(dm) {
    setQuery({"SELECT *", "FROM NUT", "ORDER BY", "ORDEN"});
    setSortLine(3);
    ignoresSort = true;  // always the user's order
    setUpdateSql(
        "UPDATE NUT SET Nombre = :Nombre, Unidad = :Unidad, ItId = :ItId, Tipo = :Tipo, "
        "Orden = :Orden WHERE Codigo = :OLD_Codigo",
        "INSERT INTO NUT (Nombre, Unidad, ItId, Tipo, Orden) "
        "VALUES (:Nombre, :Unidad, :ItId, :Tipo, :Orden)",
        "DELETE FROM NUT WHERE Codigo = :OLD_Codigo");
    searchFields = {"Nombre", "Unidad"};
    searchMatch = Match::Anywhere;
}

NutrientEdit NutrientList::currentEdit() const {
    return {text("Nombre"), text("Unidad"), static_cast<int>(integer("Tipo"))};
}

void NutrientList::applyEdit(const NutrientEdit& e) {
    setField("Nombre", utf8Left(e.Nombre, 25));
    setField("Unidad", utf8Left(e.Unidad, 12));
    setField("Tipo", static_cast<int64_t>(e.Tipo));
    post();
}

bool NutrientList::wEditar() {
    bool ok = editDialog && editDialog(*this);
    if (!ok || editing()) cancel();
    return ok && !editing();
}

void NutrientList::onNewRecord() {
    int32_t top = dm_.MaxOrdenNut();
    setField("Nombre", std::string("Nuevo nutriente"));
    setField("Unidad", std::string("%"));
    setField("Tipo", int64_t{0});
    setField("Orden", static_cast<int64_t>(top) + 1);
    setField("ItId", int64_t{0});
}

void NutrientList::afterInsert() {
    wEditar();
}

void NutrientList::afterPost(bool wasInsert) {
    if (wasInsert) {
        int32_t code = dm_.MaxCodigo("NUT", "CODIGO");
        dm_.AgregarNutATodos(code);
        dm_.HabilitarEnGrupos(code, "EN");
        reopen();
        locate("Codigo", int64_t{code});
        catalogContext().nutrientsChanged = true;
    } else if (editWithDialog) {
        reopen();
    }
}

bool NutrientList::beforeDelete() {
    if (!dialogs().askYesNo("¿Desea borrar el nutriente?")) return false;
    dm_.BorrarNutriente(currentCode());
    catalogContext().nutrientsChanged = true;
    return true;
}

void NutrientList::exchange(int step) {
    if (current() < 0 || !canModify()) return;
    editWithDialog = false;
    int pos = current();
    int64_t p = integer("Orden");
    setCurrent(pos + step);  // at either end this stays on the same record
    int64_t q = integer("Orden");
    edit();
    setField("Orden", p);
    post();
    setCurrent(pos);
    edit();
    setField("Orden", q);
    post();
    editWithDialog = true;
}

void NutrientList::copy() {
    if (current() < 0 || !canModify()) return;
    int32_t code = dm_.CopiarNutriente(currentCode());
    reopen();
    if (code == 0) return;
    dm_.HabilitarEnGrupos(code, "EN");
    catalogContext().nutrientsChanged = true;
    locate("Codigo", int64_t{code});
    edit();
}

}  // namespace vexa
