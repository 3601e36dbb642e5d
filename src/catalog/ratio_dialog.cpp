#include "catalog/ratio_dialog.h"

#include "catalog/dialog_buttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "store/catalog_queries.h"
#include "store/group_queries.h"

namespace vexa {

RatioDialog::RatioDialog(RatioList& list, QWidget* parent) : QDialog(parent), list_(list) {
    setWindowTitle("Editar relación");
    auto* form = new QFormLayout(this);
    name = new QLineEdit(this);
    name->setObjectName("name");
    name->setMaxLength(fieldWidth("Rel", "Nombre"));
    nut1 = new QComboBox(this);
    nut1->setObjectName("nut1");
    nut2 = new QComboBox(this);
    nut2->setObjectName("nut2");
    for (const CodeName& n : nutrientsByName(list.db())) {
        nut1->addItem(qs(n.name), n.code);
        nut2->addItem(qs(n.name), n.code);
    }
    form->addRow("&Nombre:", name);
    form->addRow("&Primer nutriente:", nut1);
    form->addRow("&Segundo nutriente:", nut2);
    form->addRow(acceptCancelButtons(this, false));
    const RatioEdit e = list.currentEdit();
    name->setText(qs(e.Nombre));
    nut1->setCurrentIndex(nut1->findData(e.Nut1));
    nut2->setCurrentIndex(nut2->findData(e.Nut2));
    enterMovesFocus(this);
}

void RatioDialog::accept() {
    try {
        list_.applyEdit(
            {ss(name->text()), nut1->currentData().toInt(), nut2->currentData().toInt()});
    } catch (const std::exception& ex) {
        dialogs().showError(ex.what());
        return;
    }
    QDialog::accept();
}

}  // namespace vexa
