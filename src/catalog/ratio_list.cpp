#include "catalog/ratio_list.h"

#include <stdexcept>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/ratio_queries.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

RatioList::RatioList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActRel), dm_(dm) {
    setQuery(catalog_queries::ratioList());
    searchFields = {"Nombre", "NomN1", "NomN2"};
    searchMatch = Match::Anywhere;
}

RatioEdit RatioList::currentEdit() const {
    return {text("Nombre"), static_cast<int>(integer("Nut1")), static_cast<int>(integer("Nut2"))};
}

void RatioList::applyEdit(const RatioEdit& e) {
    if (e.Nut1 <= 0 || e.Nut2 <= 0)
        throw std::runtime_error("Error: Elija los dos nutrientes de la relación");
    if (e.Nut1 == e.Nut2)
        throw std::runtime_error("Error: Los dos nutrientes de la relación deben ser distintos");
    setField("Nombre", utf8Left(e.Nombre, fieldWidth("Rel", "Nombre")));
    setField("Nut1", static_cast<int64_t>(e.Nut1));
    setField("Nut2", static_cast<int64_t>(e.Nut2));
    post();
}

bool RatioList::wEditar() {
    bool ok = editDialog && editDialog(*this);
    if (!ok || editing()) cancel();
    return ok && !editing() && !lastWriteRefused();
}

void RatioList::onNewRecord() {
    setField("Nombre", std::string("Nueva relación"));
    setField("Nut1", int64_t{0});
    setField("Nut2", int64_t{0});
}

void RatioList::afterInsert() {
    wEditar();
}

void RatioList::afterPost(bool wasInsert) {
    // the nutrient names of the row come from the query
    const int64_t code = wasInsert ? dm_.MaxCodigo("REL", "CODIGO") : integer("Codigo");
    reopen();
    locate("Codigo", code);
}

bool RatioList::confirmDelete() {
    return dialogs().askYesNo("¿Desea borrar la relación?");
}

void RatioList::deleteDependents() {
    dm_.BorrarRelacion(currentCode());
}

}  // namespace vexa
