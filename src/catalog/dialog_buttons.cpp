#include "catalog/dialog_buttons.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

namespace vexa {

QDialogButtonBox* acceptCancelButtons(QDialog* dialog, bool acceptIsDefault) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton("&Aceptar", QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancelar", QDialogButtonBox::RejectRole);
    ok->setDefault(acceptIsDefault);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace vexa
