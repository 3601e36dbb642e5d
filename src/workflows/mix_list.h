#pragma once
// TfrmMM without widgets: the manual mixes of the group chosen in the group box; new mixes,
// copies and deletes. A mix always opens in its own window through the main window
// (request 18), never in the list.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "catalog/record_list.h"
#include "store/catalog_queries.h"

namespace vexa {

class Tdm;

// What the new-mix dialog returns: the name, and the basis when the choice was shown.
struct NewMixAnswer {
    std::string name;
    std::optional<bool> enMS;
};

class MixList : public RecordList {
public:
    MixList(Database& db, Tdm& dm, RequestSink& requests);

    // TfrmEdMM: the preset name and basis, and whether the basis choice is shown (the group
    // mixes on a dry-matter basis); nothing on cancel.
    std::function<std::optional<NewMixAnswer>(const std::string& preset, bool enMS, bool showBasis)>
        newMixDialog;

    const std::vector<CodeName>& groups() const { return groups_; }
    int group() const { return group_; }
    // Shows the mixes of `cat`; -1 keeps the current group (the first when there is none).
    bool selectGroup(int cat);
    void reloadGroups();

    // "E&ditar", Enter, a double click: the mix opens in its window.
    void openCurrent();
    // "C&opiar": a copy with its lines in the same group, opened.
    void copy();
    bool canCopy() const { return canModify() && current() >= 0 && !editing(); }
    bool canInsert() const { return canModify() && group_ != 0 && !editing(); }
    int currentCode() const { return static_cast<int>(integer("Codigo")); }

    void ActualizarInfo() override;

protected:
    bool wEditar() override;
    void onNewRecord() override;
    void afterInsert() override;
    void writeDependents(bool wasInsert) override;
    void deleteDependents() override;

private:
    void requestWindow(int mix);

    Tdm& dm_;
    std::vector<CodeName> groups_;
    int group_ = 0;
    bool pendingNew_ = false;
    int32_t newCode_ = 0;
};

}  // namespace vexa
