#include "workflows/mix_list.h"

#include <stdexcept>

#include "catalog/catalog_context.h"
#include "catalog/requests.h"
#include "engine/utf8.h"
#include "store/manual_mix_store.h"
#include "store/tdm.h"

namespace vexa {

MixList::MixList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActMM), dm_(dm) {
    setQuery(catalog_queries::mixList());
    searchFields = {"Nombre"};
    setParam("Codigo", int64_t{0});
}

void MixList::reloadGroups() {
    groups_ = allGroups(db());
}

bool MixList::selectGroup(int cat) {
    if (cat == -1) cat = group_;
    bool found = false;
    for (const CodeName& g : groups_) found = found || g.code == cat;
    if (!found && cat != group_) return false;
    if (!found) cat = groups_.empty() ? 0 : groups_.front().code;
    if (editing()) post();
    group_ = cat;
    setParam("Codigo", int64_t{cat});
    open();
    return true;
}

void MixList::ActualizarInfo() {
    SqlValue keep = editing() ? SqlValue{} : field("Codigo");
    reloadGroups();
    bool still = false;
    for (const CodeName& g : groups_) still = still || g.code == group_;
    if (!still) {
        selectGroup(groups_.empty() ? 0 : groups_.front().code);
        return;
    }
    if (isOpen()) reopen();
    if (!std::holds_alternative<std::monostate>(keep)) locate("Codigo", keep);
}

void MixList::requestWindow(int mix) {
    // The request carries each code in 16 bits: a larger one would open another mix.
    if (mix < 0 || mix > 0xFFFF || group_ < 0 || group_ > 0xFFFF)
        throw std::runtime_error("Error: La mezcla " + std::to_string(mix) +
                                 " no se puede abrir: su código pasa de 65535");
    requests_.postApp(kAppOpenMix, packLowHigh(mix, group_));
}

void MixList::openCurrent() {
    if (current() < 0 || editing()) return;
    requestWindow(currentCode());
}

bool MixList::wEditar() {
    if (inserting()) {
        const bool showBasis = dm_.GrupoEnMS(group_) != 0;
        auto answer = newMixDialog ? newMixDialog(text("Nombre"), integer("EnMS") == 1, showBasis)
                                   : std::nullopt;
        if (!answer) {
            cancel();
            pendingNew_ = false;
            return false;
        }
        setField("Nombre", utf8Left(answer->name, fieldWidth("MM", "Nombre")));
        if (showBasis && answer->enMS) setField("EnMS", int64_t{*answer->enMS ? 1 : 0});
        if (!post()) {
            pendingNew_ = false;
            return false;
        }
        if (pendingNew_) {
            pendingNew_ = false;
            ActualizarInfo();
            locate("Codigo", int64_t{newCode_});
            requestWindow(newCode_);
        }
        return true;
    }
    // Never edited in place: the mix window does.
    cancel();
    requestWindow(currentCode());
    return false;
}

void MixList::onNewRecord() {
    setField("Cat", int64_t{group_});
    setField("Nombre", std::string("Nueva mezcla"));
    setField("EnMS", int64_t{0});
    pendingNew_ = true;
}

void MixList::afterInsert() {
    wEditar();
}

void MixList::writeDependents(bool wasInsert) {
    if (wasInsert) newCode_ = static_cast<int32_t>(db().lastInsertRowId());
}

void MixList::deleteDependents() {
    dm_.BorrarMezcla(currentCode());
}

void MixList::copy() {
    if (!canCopy()) return;
    int32_t code = 0;
    const size_t failedBefore = dm_.failedWrites().size();
    atomically([&] {
        code = dm_.CopiarMezcla(currentCode(), -1);
        if (code == 0 || dm_.failedWrites().size() > failedBefore)
            throw std::runtime_error("No se pudo copiar la mezcla" +
                                     (dm_.failedWrites().size() > failedBefore
                                          ? ": " + dm_.failedWrites().back().cause
                                          : std::string()));
        return true;
    });
    ActualizarInfo();
    catalogContext().modified();
    locate("Codigo", int64_t{code});
    openCurrent();
}

}  // namespace vexa
