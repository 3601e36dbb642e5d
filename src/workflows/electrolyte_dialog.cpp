#include "workflows/electrolyte_dialog.h"

#include "catalog/record_list.h"

#include "catalog/dialogs.h"
#include "catalog/requests.h"
#include "store/request_codes.h"
#include "store/tdm.h"
#include "workflows/electrolyte_balance.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vexa {

ElectrolyteDialog::ElectrolyteDialog(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : QDialog(parent), db_(db), dm_(dm), requests_(requests) {
    setWindowTitle("Balance electrolítico para monogástricos");
    setMinimumWidth(560);
    auto* lay = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "Esta opción permite el  cálculo del balance electrolítico para todos los insumos de su "
        "base de datos. Para ello es necesario que indique donde desea almacenar el valor del BE "
        "y señalar también los valores correspondientes para Sodio, Potasio y Cloro.");
    intro->setWordWrap(true);
    lay->addWidget(intro);

    auto* step1 = new QGroupBox("Paso 1");
    auto* l1 = new QVBoxLayout(step1);
    auto* t1 = new QLabel(
        "Elija un nutriente que tomará los valores del balance electrolítico para monogástricos "
        "(aves y cerdos)");
    t1->setWordWrap(true);
    t1->setMinimumHeight(t1->fontMetrics().lineSpacing() * 2 + 4);  // two lines, never clipped
    l1->addWidget(t1);
    createNew_ = new QRadioButton("Crear un nuevo nutriente para BE");
    fromList_ = new QRadioButton("Escoger un nutriente de la lista");
    createNew_->setChecked(true);
    l1->addWidget(createNew_);
    l1->addWidget(fromList_);
    auto* targetRow = new QFormLayout;
    target_ = chooser(true);
    targetLabel_ = new QLabel("&Balance electrolítico");
    targetLabel_->setBuddy(target_);
    targetRow->addRow(targetLabel_, target_);
    l1->addLayout(targetRow);
    target_->setVisible(false);
    targetLabel_->setVisible(false);
    connect(fromList_, &QRadioButton::toggled, this, [this](bool on) {
        target_->setVisible(on);
        targetLabel_->setVisible(on);
    });
    lay->addWidget(step1);

    auto* step2 = new QGroupBox("Paso 2");
    auto* l2 = new QFormLayout(step2);
    l2->addRow(new QLabel("Seleccione los siguientes NUTRIENTES que existen en su base datos"));
    sodium_ = chooser(true);
    chlorine_ = chooser(true);
    potassium_ = chooser(true);
    l2->addRow("&Sodio", sodium_);
    l2->addRow("&Cloro", chlorine_);
    l2->addRow("&Potasio", potassium_);
    lay->addWidget(step2);

    auto* step3 = new QGroupBox("Paso 3");
    auto* l3 = new QVBoxLayout(step3);
    l3->addWidget(new QLabel("Presione el botón Proceder"));
    lay->addWidget(step3);

    auto* note = new QLabel(
        "Importante: es necesario que los nutrientes SODIO, POTASIO y CLORO deban estar en la "
        "base de datos, sino no se puede proceder con el cálculo.");
    note->setWordWrap(true);
    lay->addWidget(note);

    auto* buttons = new QDialogButtonBox;
    auto* go = buttons->addButton("P&roceder", QDialogButtonBox::AcceptRole);
    auto* out = buttons->addButton("S&alir", QDialogButtonBox::RejectRole);
    go->setObjectName("proceder");
    out->setObjectName("salir");
    go->setDefault(true);
    connect(go, &QPushButton::clicked, this, &ElectrolyteDialog::proceed);
    connect(out, &QPushButton::clicked, this, &QDialog::reject);
    lay->addWidget(buttons);
    // Nutrients named as the balance needs them are chosen already (accents and case aside),
    // and an existing balance nutrient is offered as the target.
    preselect(sodium_, "Sodio");
    preselect(chlorine_, "Cloro");
    preselect(potassium_, "Potasio");
    if (preselect(target_, "Balance electrolítico")) fromList_->setChecked(true);
    for (QWidget* w : {static_cast<QWidget*>(createNew_), static_cast<QWidget*>(fromList_),
                       static_cast<QWidget*>(target_), static_cast<QWidget*>(sodium_),
                       static_cast<QWidget*>(chlorine_), static_cast<QWidget*>(potassium_)})
        w->installEventFilter(this);
}

QComboBox* ElectrolyteDialog::chooser(bool withBlank) {
    auto* box = new QComboBox;
    if (withBlank) box->addItem(QString(), 0);
    Statement q = db_.prepare(tdm_sql::qNutUni);
    while (q.step()) box->addItem(QString::fromStdString(q.getText("NomUni")), q.getInt("Codigo"));
    return box;
}

bool ElectrolyteDialog::preselect(QComboBox* box, const std::string& name) {
    const std::string wanted = foldForSearch(name);
    for (int i = 0; i < box->count(); ++i) {
        // "Nombre, Unidad": the name is what comes before the last ", ".
        const QString text = box->itemText(i);
        const int comma = text.lastIndexOf(QStringLiteral(", "));
        const QString itemName = comma < 0 ? text : text.left(comma);
        if (foldForSearch(itemName.trimmed().toStdString()) == wanted) {
            box->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

bool ElectrolyteDialog::eventFilter(QObject* watched, QEvent* event) {
    // Enter moves to the next control, except on buttons.
    if (event->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ElectrolyteDialog::proceed() {
    BalanceChoice c;
    c.sodio = sodium_->currentData().toInt();
    c.potasio = potassium_->currentData().toInt();
    c.cloro = chlorine_->currentData().toInt();
    c.destino = target_->currentData().toInt();
    c.crearNuevo = createNew_->isChecked();
    const BalanceOutcome r =
        RunElectrolyteBalance(dm_, c, [](const std::string& q) { return dialogs().askYesNo(q); });
    switch (r.kind) {
        case BalanceOutcome::Kind::Declined:
            return;
        case BalanceOutcome::Kind::MissingSources:
        case BalanceOutcome::Kind::Failed:
            dialogs().showError(r.message);
            return;
        case BalanceOutcome::Kind::Done:
            dialogs().showInfo(r.message);
            requests_.postApp(kAppSelectNutrient, r.destino);
            accept();
            return;
    }
}

}  // namespace vexa
