#include "catalog/ingredient_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/number_box.h"
#include "catalog/qt_dialogs.h"
#include "store/catalog_queries.h"
#include "store/shared_procs.h"
#include "store/tdm.h"

namespace vexa {

namespace {
QSpinBox* roundingBox(QWidget* parent, int value) {
    auto* s = new IntegerBox(parent);
    s->setRange(-4, 4);
    s->setValue(clampRedondeo(value));
    return s;
}
}  // namespace

IngredientDialog::IngredientDialog(IngredientList& list, QWidget* parent)
    : QDialog(parent), list_(list) {
    setWindowTitle("Editar propiedades de insumo");
    auto* form = new QFormLayout(this);
    IngredientEdit e = list.currentEdit();
    name = new QLineEdit(qs(e.Nombre), this);
    name->setMaxLength(fieldWidth("Ins", "Nombre"));
    rounding = roundingBox(this, e.Redondeo);
    type = new QComboBox(this);
    for (const CodeName& t : ingredientTypes(list.db())) type->addItem(qs(t.name), t.code);
    type->setCurrentIndex(std::max(0, type->findData(static_cast<int>(list.integer("ITID")))));
    type->setEnabled(false);
    form->addRow("&Nombre", name);
    form->addRow("&Factor de redondeo", rounding);
    form->addRow("&Tipo de insumo", type);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("Aceptar", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancelar", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    enterMovesFocus(this);
}

void IngredientDialog::accept() {
    try {
        list_.applyEdit({ss(name->text()), rounding->value()});
    } catch (const std::exception& ex) {
        dialogs().showError(ex.what());
        return;
    }
    QDialog::accept();
}

SaveIngredientDialog::SaveIngredientDialog(const IngredientEdit& preset, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Guardar como insumo");
    auto* form = new QFormLayout(this);
    auto* text = new QLabel(
        "Para crear un nuevo insumo a partir del contenido nutricional de la mezcla o fórmula, "
        "ingrese el nombre del nuevo insumo y el factor de redondeo del mismo",
        this);
    text->setWordWrap(true);
    form->addRow(text);
    name = new QLineEdit(qs(preset.Nombre), this);
    name->setMaxLength(fieldWidth("Ins", "Nombre"));
    rounding = roundingBox(this, preset.Redondeo);
    form->addRow("&Nombre del insumo", name);
    form->addRow("&Factor de redondeo", rounding);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancelar", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
    enterMovesFocus(this);
}

IngredientEdit SaveIngredientDialog::values() const {
    return {utf8Left(ss(name->text()), fieldWidth("Ins", "Nombre")),
            clampRedondeo(rounding->value())};
}

std::optional<IngredientEdit> SaveIngredientDialog::ask(const IngredientEdit& preset,
                                                        QWidget* parent) {
    SaveIngredientDialog d(preset, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.values();
}

}  // namespace vexa
