#include "catalog/nutrient_list.h"

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/catalog_queries.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

NutrientList::NutrientList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActNut), dm_(dm) {
    setQuery(catalog_queries::nutrientList());
    ignoresSort = true;  // always the user's order
    searchFields = {"Nombre", "Unidad"};
    searchMatch = Match::Anywhere;
}

NutrientEdit NutrientList::currentEdit() const {
    return {text("Nombre"), text("Unidad"), static_cast<int>(integer("Tipo"))};
}

void NutrientList::applyEdit(const NutrientEdit& e) {
    setField("Nombre", utf8Left(e.Nombre, fieldWidth("Nut", "Nombre")));
    setField("Unidad", utf8Left(e.Unidad, fieldWidth("Nut", "Unidad")));
    setField("Tipo", static_cast<int64_t>(e.Tipo));
    post();
}

bool NutrientList::wEditar() {
    bool ok = editDialog && editDialog(*this);
    if (!ok || editing()) cancel();
    return ok && !editing() && !lastWriteRefused();
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

void NutrientList::writeDependents(bool wasInsert) {
    if (!wasInsert) return;
    // The new nutrient, its zero values and its place in every group are one change.
    newCode_ = dm_.MaxCodigo("NUT", "CODIGO");
    dm_.AgregarNutATodos(newCode_);
    dm_.HabilitarEnGrupos(newCode_, "EN");
}

void NutrientList::afterPost(bool wasInsert) {
    if (wasInsert) {
        reopen();
        locate("Codigo", int64_t{newCode_});
        catalogContext().nutrientsChanged = true;
    } else if (editWithDialog) {
        reopen();
    }
}

bool NutrientList::confirmDelete() {
    return dialogs().askYesNo("¿Desea borrar el nutriente?");
}

void NutrientList::deleteDependents() {
    dm_.BorrarNutriente(currentCode());
}

void NutrientList::afterDelete() {
    catalogContext().nutrientsChanged = true;
}

void NutrientList::exchange(int step) {
    if (current() < 0 || !canModify()) return;
    editWithDialog = false;
    struct DialogsBack {
        bool& flag;
        ~DialogsBack() { flag = true; }
    } back{editWithDialog};
    int pos = current();
    int64_t p = integer("Orden");
    // Both rows change or neither does.
    atomically([&] {
        setCurrent(pos + step);  // at either end this stays on the same record
        int64_t q = integer("Orden");
        edit();
        setField("Orden", p);
        if (!post()) return false;
        setCurrent(pos);
        edit();
        setField("Orden", q);
        return post();
    });
}

void NutrientList::copy() {
    if (current() < 0 || !canModify()) return;
    int32_t code = 0;
    // The copy and its place in every group are one change.
    bool ok = atomically([&] {
        code = dm_.CopiarNutriente(currentCode());
        if (code != 0) dm_.HabilitarEnGrupos(code, "EN");
        return code != 0;
    });
    reopen();
    if (!ok) return;
    catalogContext().modified();
    catalogContext().nutrientsChanged = true;
    locate("Codigo", int64_t{code});
    edit();
}

}  // namespace vexa
