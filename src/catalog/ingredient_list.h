#pragma once
// TfrmIns without widgets: the ingredients by name, with new, edit, delete, copy and the
// hand-over to the values-by-ingredient window.
#include <functional>
#include <map>
#include <string>

#include "catalog/record_list.h"

namespace vexa {

class Tdm;

// What TfrmEdIns edits, and what TfrmSaveIns asks for.
struct IngredientEdit {
    std::string Nombre;
    int Redondeo = 0;  // -4 to 4
};

class IngredientList : public RecordList {
public:
    IngredientList(Database& db, Tdm& dm, RequestSink& requests);

    std::function<bool(IngredientList&)> editDialog;
    IngredientEdit currentEdit() const;
    void applyEdit(const IngredientEdit& e);

    void copy();  // "C&opiar"
    // "Ver c&ontenido nutricional": posts the request for the values window; returns whether
    // side-by-side mode is now on (it is when this is the only child window).
    bool verContenido(bool onlyChildWindow);
    bool canShowContent() const { return isOpen() && rowCount() > 0 && !inserting(); }
    // A row clicked in side-by-side mode: the values window follows.
    void followRow();
    int currentCode() const { return static_cast<int>(integer("CODIGO")); }
    int valueCount(int64_t code) const;  // the "Nutrientes" column
    void ActualizarInfo() override;

protected:
    bool wEditar() override;
    void onNewRecord() override;
    void afterInsert() override;
    bool beforeDelete() override;
    void afterDelete() override;

private:
    void readCounts();
    Tdm& dm_;
    std::map<int64_t, int> counts_;
};

// Keeps a rounding factor in the range -4 to 4.
int clampRedondeo(int r);

}  // namespace vexa
