#pragma once
// The ratio catalogue without widgets: named ratios between two nutrients (Rel) by name, with
// new, edit and delete; a ratio's restrictions and group enablings go with it.
#include <functional>
#include <string>

#include "catalog/record_list.h"

namespace vexa {

class Tdm;

// What the ratio dialog edits.
struct RatioEdit {
    std::string Nombre;
    int Nut1 = 0, Nut2 = 0;
};

class RatioList : public RecordList {
public:
    RatioList(Database& db, Tdm& dm, RequestSink& requests);

    // The edit dialog: returns true when it wrote its values back with applyEdit.
    std::function<bool(RatioList&)> editDialog;
    RatioEdit currentEdit() const;
    // Writes the values into the record being edited and posts it. Throws with the message
    // when the two nutrients are the same or one is missing.
    void applyEdit(const RatioEdit& e);
    int currentCode() const { return static_cast<int>(integer("Codigo")); }

protected:
    bool wEditar() override;
    void onNewRecord() override;
    void afterInsert() override;
    void afterPost(bool wasInsert) override;
    bool confirmDelete() override;
    void deleteDependents() override;

private:
    Tdm& dm_;
};

}  // namespace vexa
