#pragma once
// TfrmCat without widgets: the groups, edited in place (name and price item); new groups,
// copies with everything in them, deletes with everything in them, and the requests of the
// header buttons.
#include <functional>
#include <string>
#include <vector>

#include "catalog/record_list.h"
#include "store/catalog_queries.h"

namespace vexa {

class Tdm;

class GroupList : public RecordList {
public:
    GroupList(Database& db, Tdm& dm, RequestSink& requests);

    // Opens the price items and the list; from then on a group enters edit state without a
    // dialog (it is edited in the grid).
    void show();
    const std::vector<CodeName>& priceItems() const { return priceItems_; }
    // NPx ("Ítem Precio"): the name of the row's price item, empty when it is none of them.
    std::string priceName(int row) const;

    // In-place edits of one row, written at once; false when the store refused (told).
    bool setName(int row, const std::string& name);
    bool setPriceItem(int row, int nutrient);

    // "&Nuevo": a group named "Nuevo grupo" with the workspace's price item, written at once
    // and left current for its name to be typed in the grid.
    bool addGroup();
    // Escape while the new group's name is first typed: the group is not kept.
    bool discardNew();
    // "C&opiar": the copy with its members, formulas and mixes; the list stands on it.
    bool copy();
    bool canCopy() const { return canModify() && current() >= 0 && !editing(); }

    // The header buttons' requests: the formulas (8) and the manual mixes (9) of the group.
    void showFormulas();
    void showMixes();
    int currentCode() const { return static_cast<int>(integer("Codigo")); }
    std::string currentName() const { return text("Nombre"); }

protected:
    void writeDependents(bool wasInsert) override;
    void afterPost(bool wasInsert) override;
    bool confirmDelete() override;
    void deleteDependents() override;
    void afterDelete() override;

private:
    bool writeField(int row, const std::string& field, SqlValue v);
    Tdm& dm_;
    std::vector<CodeName> priceItems_;
    int32_t newCode_ = 0;
    int32_t fresh_ = 0;   // the group "&Nuevo" just wrote, until it is edited or left
    bool quiet_ = false;  // a delete that asks nothing
};

}  // namespace vexa
