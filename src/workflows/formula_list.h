#pragma once
// TfrmLR without widgets: the formulas of the group chosen in the group box, with their
// restriction counts; new formulas, copies and deletes; every formula opens in the formula
// editor through the main window (request 16), never in the list.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "catalog/record_list.h"
#include "store/catalog_queries.h"

namespace vexa {

class Tdm;

class FormulaList : public RecordList {
public:
    FormulaList(Database& db, Tdm& dm, RequestSink& requests);

    // TfrmEdForm: given the preset name, the name the user accepted, or nothing on cancel.
    std::function<std::optional<std::string>(const std::string& preset)> newFormulaDialog;

    // The group box: the shared groups, and the group whose formulas are listed (0: none).
    const std::vector<CodeName>& groups() const { return groups_; }
    int group() const { return group_; }
    // Shows the formulas of `cat`; -1 keeps the current group (the first when there is none).
    // False when there is no such group.
    bool selectGroup(int cat);
    // Re-reads the group box; the current group stays when it still exists.
    void reloadGroups();

    // "R. Ins" / "R. Nutr": empty when the formula has no restrictions of that kind.
    std::string ingredientCount(int row) const;
    std::string nutrientCount(int row) const;

    // "E&ditar", a double click: the formula editor opens on the current formula.
    void openCurrent();
    // "C&opiar": a copy in the same group with its restrictions, opened in the editor.
    void copy();
    bool canCopy() const { return canModify() && current() >= 0 && !editing(); }
    // "N&uevo" needs a group to put the formula in.
    bool canInsert() const { return canModify() && group_ != 0 && !editing(); }
    bool pendingNewFormula() const { return pendingNew_; }
    int currentCode() const { return static_cast<int>(integer("Codigo")); }

    void ActualizarInfo() override;

protected:
    bool wEditar() override;
    void onNewRecord() override;
    void afterInsert() override;
    void writeDependents(bool wasInsert) override;
    bool confirmDelete() override;
    void deleteDependents() override;

private:
    void requestEditor(int formula);
    void reloadCounts();

    Tdm& dm_;
    std::vector<CodeName> groups_;
    int group_ = 0;
    std::map<int32_t, int> nri_, nrn_;
    bool pendingNew_ = false;
    int32_t newCode_ = 0;
};

}  // namespace vexa
