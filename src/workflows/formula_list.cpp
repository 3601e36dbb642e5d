#include "workflows/formula_list.h"

#include <stdexcept>

#include "catalog/catalog_context.h"
#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/group_queries.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

namespace {

std::string countText(const std::map<int32_t, int>& counts, int32_t code) {
    auto it = counts.find(code);
    return it == counts.end() || it->second == 0 ? std::string() : std::to_string(it->second);
}

}  // namespace

FormulaList::FormulaList(Database& db, Tdm& dm, RequestSink& requests)
    : RecordList(db, requests, kActLR), dm_(dm) {
    setQuery(catalog_queries::formulaList());
    searchFields = {"Nombre"};
    setParam("Codigo", int64_t{0});
}

void FormulaList::reloadGroups() {
    groups_ = allGroups(db());
}

bool FormulaList::selectGroup(int cat) {
    if (cat == -1) cat = group_;
    bool found = false;
    for (const CodeName& g : groups_) found = found || g.code == cat;
    if (!found && cat != group_) return false;
    if (!found) cat = groups_.empty() ? 0 : groups_.front().code;
    if (editing()) post();
    group_ = cat;
    setParam("Codigo", int64_t{cat});
    reloadCounts();
    open();
    return true;
}

void FormulaList::reloadCounts() {
    nri_ = restrictionCounts(db(), "RIn");
    nrn_ = restrictionCounts(db(), "RNu");
}

std::string FormulaList::ingredientCount(int row) const {
    return countText(nri_, static_cast<int32_t>(toNumber(value(row, "Codigo"))));
}

std::string FormulaList::nutrientCount(int row) const {
    return countText(nrn_, static_cast<int32_t>(toNumber(value(row, "Codigo"))));
}

void FormulaList::ActualizarInfo() {
    SqlValue keep = editing() ? SqlValue{} : field("Codigo");
    reloadCounts();
    reloadGroups();
    // A group that is gone leaves the box on the first one.
    bool still = false;
    for (const CodeName& g : groups_) still = still || g.code == group_;
    if (!still) {
        selectGroup(groups_.empty() ? 0 : groups_.front().code);
        return;
    }
    if (isOpen()) reopen();
    if (!std::holds_alternative<std::monostate>(keep)) locate("Codigo", keep);
}

void FormulaList::requestEditor(int formula) {
    // The request carries each code in 16 bits: a larger one would open another formula.
    if (formula < 0 || formula > 0xFFFF || group_ < 0 || group_ > 0xFFFF)
        throw std::runtime_error("Error: La fórmula " + std::to_string(formula) + " del grupo " +
                                 std::to_string(group_) +
                                 " no se puede abrir: su código pasa de 65535");
    requests_.postApp(kAppOpenFormula, packLowHigh(formula, group_));
}

void FormulaList::openCurrent() {
    if (current() < 0 || editing()) return;
    pendingNew_ = false;
    requestEditor(currentCode());
}

bool FormulaList::wEditar() {
    if (inserting()) {
        auto name = newFormulaDialog ? newFormulaDialog(text("Nombre")) : std::nullopt;
        if (!name) {
            cancel();
            pendingNew_ = false;
            return false;
        }
        setField("Nombre", utf8Left(*name, fieldWidth("LR", "Nombre")));
        if (!post()) {
            pendingNew_ = false;
            return false;
        }
        if (pendingNew_) {
            ActualizarInfo();
            locate("Codigo", int64_t{newCode_});
            requestEditor(newCode_);
            pendingNew_ = false;
        }
        return true;
    }
    // The list never edits a formula in place: the editor does.
    pendingNew_ = false;
    cancel();
    requestEditor(currentCode());
    return false;
}

void FormulaList::onNewRecord() {
    WorkspaceProps p = catalogContext().workspace();
    setField("Cat", int64_t{group_});
    setField("Nombre", std::string("Nueva fórmula"));
    setField("Precio", int64_t{p.Precio});
    setField("MS", int64_t{p.MS});
    pendingNew_ = true;
}

void FormulaList::afterInsert() {
    wEditar();
}

void FormulaList::writeDependents(bool wasInsert) {
    if (wasInsert) newCode_ = static_cast<int32_t>(db().lastInsertRowId());
}

bool FormulaList::confirmDelete() {
    // A formula goes with all its restrictions: one key press must not lose them.
    return dialogs().askYesNo("¿Desea borrar la fórmula?");
}

void FormulaList::deleteDependents() {
    dm_.BorrarRestricciones(currentCode());
}

void FormulaList::copy() {
    if (!canCopy()) return;
    int32_t code = 0;
    const size_t failedBefore = dm_.failedWrites().size();
    atomically([&] {
        code = dm_.CopiarFormula(currentCode(), -1);
        // The copy's own row was refused: nothing was written, and the user must know.
        if (code == 0)
            throw std::runtime_error("No se pudo copiar la fórmula" +
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
