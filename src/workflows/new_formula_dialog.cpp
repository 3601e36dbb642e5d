#include "workflows/new_formula_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalog/dialog_keys.h"
#include "catalog/qt_dialogs.h"
#include "store/catalog_queries.h"

namespace vexa {

NewFormulaDialog::NewFormulaDialog(const std::string& preset, QWidget* parent) : QDialog(parent) {
    setObjectName("TfrmEdForm");
    setWindowTitle("Insertar fórmula");
    auto* box = new QVBoxLayout(this);
    auto* label = new QLabel("&Nombre de la fórmula:", this);
    name = new QLineEdit(this);
    name->setObjectName("name");
    name->setMaxLength(fieldWidth("LR", "Nombre"));
    name->setMinimumWidth(name->fontMetrics().averageCharWidth() * 44);
    name->setText(qs(preset));
    name->selectAll();
    label->setBuddy(name);
    box->addWidget(label);
    box->addWidget(name);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton("&Aceptar", QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton("&Cancelar", QDialogButtonBox::RejectRole);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    box->addWidget(buttons);
    enterMovesFocus(this);
}

std::optional<std::string> NewFormulaDialog::ask(const std::string& preset, QWidget* parent) {
    NewFormulaDialog d(preset, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return ss(d.name->text());
}

}  // namespace vexa
