#include "workflows/group_list.h"

#include <stdexcept>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/group_queries.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

GroupList::GroupList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActCat), dm_(dm) {
    setQuery(catalog_queries::groupList());
    searchFields = {"Nombre"};
}

void GroupList::show() {
    fresh_ = 0;
    priceItems_ = vexa::priceItems(db());
    open();
    editWithDialog = false;
}

std::string GroupList::priceName(int row) const {
    auto code = static_cast<int32_t>(toNumber(value(row, "Precio"), -1));
    for (const CodeName& p : priceItems_)
        if (p.code == code) return p.name;
    return {};
}

bool GroupList::writeField(int row, const std::string& f, SqlValue v) {
    if (!canModify() || row < 0 || row >= rowCount()) return false;
    fresh_ = 0;
    if (row != current() || !editing()) {
        if (editing()) post();
        setCurrent(row);
        if (!edit()) return false;
    }
    setField(f, std::move(v));
    return post();
}

bool GroupList::setName(int row, const std::string& name) {
    return writeField(row, "Nombre", utf8Left(name, fieldWidth("Cat", "Nombre")));
}

bool GroupList::setPriceItem(int row, int nutrient) {
    return writeField(row, "Precio", int64_t{nutrient});
}

bool GroupList::addGroup() {
    if (!canModify() || editing() || !insert()) return false;
    setField("Nombre", std::string("Nuevo grupo"));
    setField("Precio", int64_t{catalogContext().workspace().Precio});
    setField("EnMS", int64_t{0});
    if (!post()) return false;
    fresh_ = newCode_;
    return true;
}

bool GroupList::discardNew() {
    if (fresh_ == 0 || !locate("Codigo", int64_t{fresh_})) return false;
    fresh_ = 0;
    quiet_ = true;
    bool gone = remove();
    quiet_ = false;
    return gone;
}

void GroupList::afterPost(bool wasInsert) {
    if (wasInsert) {
        // The new row's code comes with the list read again.
        reopen();
        locate("Codigo", int64_t{newCode_});
    }
    requests_.postApp(kAppRefreshWindow, 3);
}

bool GroupList::copy() {
    if (!canCopy()) return false;
    fresh_ = 0;
    int32_t code = 0;
    const size_t failedBefore = dm_.failedWrites().size();
    atomically([&] {
        code = dm_.CopiarGrupo(currentCode());
        if (code == 0)
            throw std::runtime_error("No se pudo copiar el grupo" +
                                     (dm_.failedWrites().size() > failedBefore
                                          ? ": " + dm_.failedWrites().back().cause
                                          : std::string()));
        return true;
    });
    catalogContext().modified();
    reopen();
    locate("Codigo", int64_t{code});
    requests_.postApp(kAppRefreshWindow, 3);
    return true;
}

void GroupList::writeDependents(bool wasInsert) {
    if (wasInsert) newCode_ = static_cast<int32_t>(db().lastInsertRowId());
}

bool GroupList::confirmDelete() {
    return quiet_ || dialogs().askYesNo("¿Desea borrar el grupo?");
}

void GroupList::deleteDependents() {
    const int32_t cat = currentCode();
    dm_.BorrarGrupo(cat);
    // The service goes on past a formula that will not go; the group then stays whole.
    if (!formulasOfGroup(db(), cat).empty())
        throw std::runtime_error("no se pudieron borrar las fórmulas del grupo");
}

void GroupList::afterDelete() {
    requests_.postApp(kAppRefreshWindow, 3);
}

void GroupList::showFormulas() {
    if (current() >= 0) requests_.postApp(kAppOpenFormulas, currentCode());
}

void GroupList::showMixes() {
    if (current() >= 0) requests_.postApp(kAppOpenMixList, currentCode());
}

}  // namespace vexa
