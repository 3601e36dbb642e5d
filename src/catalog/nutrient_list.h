#pragma once
// TfrmNut without widgets: the nutrients in the user's order, with new, edit, delete,
// copy and the exchange of places.
#include <functional>
#include <string>

#include "catalog/record_list.h"

namespace vexa {

class Tdm;

// What TfrmEdNut edits.
struct NutrientEdit {
    std::string Nombre;
    std::string Unidad;
    int Tipo = 0;
};

class NutrientList : public RecordList {
public:
    NutrientList(Database& db, Tdm& dm, RequestSink& requests);

    // The edit dialog: returns true when it wrote its values back with applyEdit.
    std::function<bool(NutrientList&)> editDialog;
    NutrientEdit currentEdit() const;
    // Writes the values into the record being edited (cut to the field sizes) and posts it.
    void applyEdit(const NutrientEdit& e);

    void moveUp() { exchange(-1); }    // "&Subir"
    void moveDown() { exchange(+1); }  // "&Bajar"
    void copy();                       // "Copiar"
    int currentCode() const { return static_cast<int>(integer("Codigo")); }

protected:
    bool wEditar() override;
    void onNewRecord() override;
    void afterInsert() override;
    void writeDependents(bool wasInsert) override;
    void afterPost(bool wasInsert) override;
    bool confirmDelete() override;
    void deleteDependents() override;
    void afterDelete() override;

private:
    void exchange(int step);
    Tdm& dm_;
    int32_t newCode_ = 0;
};

}  // namespace vexa
