#include "catalog/value_dialogs.h"

#include "catalog/dialog_buttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalog/dialog_keys.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"

namespace vexa {

ValueDialog::ValueDialog(const ValueEntry& e, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Editar contenido nutricional");
    auto* form = new QFormLayout(this);
    auto* name = new QLabel(qs(e.itemName), this);
    QFont f = name->font();
    f.setBold(true);
    name->setFont(f);
    form->addRow(qs(e.label), name);
    auto* row = new QWidget(this);
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    value = new NumberBox(row);
    value->setDecimals(4);
    value->setRange(-1e9, 1e9);
    value->setSingleStep(e.step);
    value->setAlignment(Qt::AlignRight);
    value->setValue(e.value);
    auto* zero = new QToolButton(row);
    zero->setText("0");
    zero->setToolTip("Establecer valor igual a 0 ");
    connect(zero, &QToolButton::clicked, this, [this] { value->setValue(0); });
    h->addWidget(value, 1);
    h->addWidget(zero);
    form->addRow("&Valor", row);
    form->addRow(new QLabel("Unidad: " + qs(e.unit), this));
    auto* basis = new QGroupBox("Valor en", this);
    auto* bl = new QVBoxLayout(basis);
    fresh = new QRadioButton("En base &fresca", basis);
    dry = new QRadioButton("En base &seca", basis);
    (e.basis == 1 ? dry : fresh)->setChecked(true);
    bl->addWidget(fresh);
    bl->addWidget(dry);
    basis->setVisible(e.showBasis);
    form->addRow(basis);
    form->addRow(acceptCancelButtons(this, false));
    enterMovesFocus(this);
    value->setFocus();
    value->selectAll();
}

ValueAnswer ValueDialog::answer() const {
    return {value->value(), dry->isChecked() ? 1 : 0};
}

void ValueDialog::accept() {
    if (auto why = value->problem()) {
        dialogs().showError(*why);
        value->setFocus();
        return;
    }
    value->interpretText();
    try {
        checkEnteredValue(value->value());
    } catch (const std::exception& ex) {
        dialogs().showError(ex.what());
        return;
    }
    QDialog::accept();
}

std::optional<ValueAnswer> ValueDialog::ask(const ValueEntry& e, QWidget* parent) {
    ValueDialog d(e, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.answer();
}

ChoiceDialog::ChoiceDialog(const ChoiceSpec& spec, const std::vector<Candidate>& list,
                           QWidget* parent)
    : QDialog(parent), list_(list) {
    setWindowTitle(qs(spec.caption));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout();
    typed = new QLineEdit(this);
    form->addRow(qs(spec.textLabel), typed);
    v->addLayout(form);
    table = new QTableWidget(static_cast<int>(list.size()), 1, this);
    table->setHorizontalHeaderLabels({qs(spec.listTitle)});
    table->horizontalHeader()->setStretchLastSection(true);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    for (size_t i = 0; i < list.size(); ++i) {
        auto* item = new QTableWidgetItem(qs(list[i].name));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
        item->setData(Qt::UserRole, list[i].code);
        table->setItem(static_cast<int>(i), 0, item);
    }
    if (!list.empty()) table->setCurrentCell(0, 0);
    connect(table, &QTableWidget::cellClicked, this, [this](int r, int) {
        auto* it = table->item(r, 0);
        it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    table->installEventFilter(this);
    connect(typed, &QLineEdit::textEdited, this, [this](const QString& t) {
        int r = findTyped(list_, ss(t));
        if (r >= 0) table->setCurrentCell(r, 0);
    });
    v->addWidget(table, 1);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(qs(spec.okCaption), QDialogButtonBox::AcceptRole);
    buttons->addButton("&Cancelar", QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    v->addWidget(buttons);
    resize(380, 460);
}

bool ChoiceDialog::eventFilter(QObject* o, QEvent* e) {
    if (o == table && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
        if (auto* it = table->item(table->currentRow(), 0))
            it->setCheckState(it->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        return true;
    }
    return QDialog::eventFilter(o, e);
}

std::vector<int> ChoiceDialog::checkedCodes() const {
    std::vector<int> out;
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, 0)->checkState() == Qt::Checked)
            out.push_back(table->item(r, 0)->data(Qt::UserRole).toInt());
    return out;
}

std::vector<int> ChoiceDialog::ask(const ChoiceSpec& spec, const std::vector<Candidate>& list,
                                   QWidget* parent) {
    ChoiceDialog d(spec, list, parent);
    if (d.exec() != QDialog::Accepted) return {};
    return d.checkedCodes();
}

}  // namespace vexa
