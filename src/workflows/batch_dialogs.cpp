#include "workflows/batch_dialogs.h"

#include "catalog/number_box.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vexa {

BatchDialog::BatchDialog(BatchTable& table, bool workspaceDryMatter, QWidget* parent)
    : QDialog(parent), table_(table) {
    setWindowTitle("Preparar un batch o lote");
    auto* lay = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "Ingresar la cantidad en Kgs. a preparar de la mezcla al mínimo costo. Puede cambiar el "
        "factor de redondeo por defecto para cada insumo");
    intro->setWordWrap(true);
    lay->addWidget(intro);

    auto* qty = new QHBoxLayout;
    quantity_ = new NumberBox;
    quantity_->setObjectName("cantidad");
    quantity_->setDecimals(2);
    quantity_->setRange(0, 1e9);
    quantity_->setSingleStep(50);
    quantity_->setValue(1000);
    auto* qtyLabel = new QLabel("&Preparar");
    qtyLabel->setBuddy(quantity_);
    qty->addWidget(qtyLabel);
    qty->addWidget(quantity_);
    qty->addWidget(new QLabel("Kgs."));
    qty->addStretch();
    lay->addLayout(qty);

    auto* basis = new QGroupBox("E&xpresado en");
    auto* bl = new QHBoxLayout(basis);
    asFed_ = new QRadioButton("&Tal como ofrecido");
    dry_ = new QRadioButton("&Base seca");
    asFed_->setChecked(true);
    bl->addWidget(asFed_);
    bl->addWidget(dry_);
    basis->setVisible(workspaceDryMatter);
    basis->setEnabled(table.dryMatter);
    lay->addWidget(basis);

    content_ = new QCheckBox("&Incluir contenido nutricional");
    content_->setObjectName("contenido");
    lay->addWidget(content_);

    grid_ = new QTableWidget(static_cast<int>(table.rows.size()), 2);
    grid_->setHorizontalHeaderLabels({"Insumo", "Redondeo"});
    grid_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int i = 0; i < grid_->rowCount(); ++i) {
        auto* name = new QTableWidgetItem(QString::fromStdString(table.rows[i].Insumo));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        grid_->setItem(i, 0, name);
        auto* red = new QSpinBox;
        red->setRange(-4, 4);
        red->setValue(table.rows[i].Red);
        grid_->setCellWidget(i, 1, red);
    }
    lay->addWidget(grid_);

    auto* buttons = new QDialogButtonBox;
    auto* make = buttons->addButton("&Hacer lote", QDialogButtonBox::AcceptRole);
    auto* cancel = buttons->addButton("Cancelar", QDialogButtonBox::RejectRole);
    auto* send = buttons->addButton("&Enviar a Lotexa", QDialogButtonBox::ActionRole);
    make->setObjectName("hacer");
    cancel->setObjectName("cancelar");
    send->setObjectName("enviar");
    make->setDefault(true);
    connect(make, &QPushButton::clicked, this, [this] { finish(MakeBatch); });
    connect(send, &QPushButton::clicked, this, [this] { finish(SendToGroup); });
    connect(cancel, &QPushButton::clicked, this, [this] { done(Cancelled); });
    lay->addWidget(buttons);
    for (QWidget* w : {static_cast<QWidget*>(quantity_), static_cast<QWidget*>(asFed_),
                       static_cast<QWidget*>(dry_), static_cast<QWidget*>(content_)})
        w->installEventFilter(this);
    resize(460, 420);
}

void BatchDialog::finish(int result) {
    for (int i = 0; i < grid_->rowCount(); ++i)
        table_.rows[i].Red = static_cast<QSpinBox*>(grid_->cellWidget(i, 1))->value();
    done(result);
}

double BatchDialog::quantity() const {
    return quantity_->value();
}
QString BatchDialog::quantityText() const {
    return quantity_->text();
}
BatchBasis BatchDialog::basis() const {
    return dry_->isChecked() && table_.dryMatter ? BatchBasis::DryMatter : BatchBasis::AsFed;
}
bool BatchDialog::includeContent() const {
    return content_->isChecked();
}

bool BatchDialog::eventFilter(QObject* watched, QEvent* event) {
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

BatchGroupDialog::BatchGroupDialog(Database& db, const std::string& dietName, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle("Enviar dieta a un lote...");
    auto* lay = new QVBoxLayout(this);
    auto* intro = new QLabel(
        "Un lote es una agrupación de dietas o fórmulas las cuales se manejarán en grupo, es "
        "decir Ud. las preparará en conjunto. Un lote muestra la información del total "
        "requerimientos de los insumos que Ud. necesitará para preparar todas las dietas que "
        "éste contiene.");
    intro->setWordWrap(true);
    lay->addWidget(intro);
    lay->addWidget(new QLabel("Nombre de la dieta:"));
    name_ = new QLineEdit(QString::fromStdString(dietName));
    name_->setMaxLength(30);
    lay->addWidget(name_);
    existing_ = new QRadioButton("Enviar la dieta a un lote existente");
    lay->addWidget(existing_);
    list_ = new QListWidget;
    for (const BatchGroup& g : ListBatchGroups(db)) {
        auto* item = new QListWidgetItem(QString::fromStdString(g.Nombre));
        item->setData(Qt::UserRole, g.Codigo);
        list_->addItem(item);
    }
    lay->addWidget(list_);
    new_ = new QRadioButton("Enviar la dieta a un lote nuevo");
    lay->addWidget(new_);
    newName_ = new QLineEdit;
    newName_->setMaxLength(30);
    lay->addWidget(newName_);
    connect(new_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) newName_->setFocus();
    });
    if (list_->count() == 0) {
        new_->setChecked(true);
        existing_->setEnabled(false);
    } else {
        existing_->setChecked(true);
        list_->setCurrentRow(0);
    }
    auto* buttons = new QDialogButtonBox;
    auto* ok = buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancelar", QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    lay->addWidget(buttons);
}

BatchGroupChoice BatchGroupDialog::choice() const {
    BatchGroupChoice c;
    c.dietName = name_->text().left(30).toStdString();
    if (existing_->isChecked() && list_->currentItem())
        c.existingGroup = list_->currentItem()->data(Qt::UserRole).toInt();
    else
        c.newGroupName = newName_->text().left(30).toStdString();
    return c;
}

}  // namespace vexa

#include "catalog/dialogs.h"

namespace vexa {

bool PrepareBatch(TMixObject2& mix, Tdm& dm, QWidget* parent) {
    BatchSession session(mix, dm);
    BatchDialog d(session.table(), dm.dbDef().UsarMS, parent);
    const int result = d.exec();
    if (result == BatchDialog::MakeBatch) {
        const std::string err = session.writeReport(d.quantity(), d.quantityText().toStdString(),
                                                    d.basis(), d.includeContent());
        if (!err.empty()) dialogs().showError(err);
        return err.empty();
    }
    if (result != BatchDialog::SendToGroup) return false;
    BatchGroupDialog g(dm.db(), session.dietName(), parent);
    if (g.exec() != QDialog::Accepted) return false;
    const std::string err = session.send(d.quantity(), d.basis(), g.choice());
    if (!err.empty()) dialogs().showError(err);
    return err.empty();
}

}  // namespace vexa
