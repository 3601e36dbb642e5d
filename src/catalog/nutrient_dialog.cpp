#include "catalog/nutrient_dialog.h"

#include "catalog/dialog_buttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "store/catalog_queries.h"
#include "store/tdm.h"

namespace vexa {

NutrientDialog::NutrientDialog(NutrientList& list, QWidget* parent) : QDialog(parent), list_(list) {
    setWindowTitle("Editar nutriente");
    auto* form = new QFormLayout(this);
    name = new QLineEdit(this);
    name->setMaxLength(fieldWidth("Nut", "Nombre"));
    unit = new QLineEdit(this);
    unit->setMaxLength(fieldWidth("Nut", "Unidad"));
    type = new QComboBox(this);
    for (const CodeName& t : nutrientTypes(list.db())) type->addItem(qs(t.name), t.code);
    form->addRow("&Nombre:", name);
    form->addRow("&Unidad:", unit);
    form->addRow("&Tipo", type);
    form->addRow(acceptCancelButtons(this, false));
    for (auto* l : {name, unit}) {
        l->setObjectName(l == name ? "name" : "unit");
    }
    NutrientEdit e = list.currentEdit();
    name->setText(qs(e.Nombre));
    unit->setText(qs(e.Unidad));
    type->setCurrentIndex(std::max(0, type->findData(e.Tipo)));
    enterMovesFocus(this);
}

void NutrientDialog::accept() {
    try {
        list_.applyEdit({ss(name->text()), ss(unit->text()), type->currentData().toInt()});
    } catch (const std::exception& ex) {
        dialogs().showError(ex.what());
        return;
    }
    QDialog::accept();
}

}  // namespace vexa
