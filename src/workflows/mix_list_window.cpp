#include "workflows/mix_list_window.h"

#include "catalog/dialog_buttons.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalog/dialog_keys.h"
#include "catalog/qt_dialogs.h"

namespace vexa {

// ---- TfrmEdMM

NewMixDialog::NewMixDialog(const std::string& preset, bool enMS, bool showBasis, QWidget* parent)
    : QDialog(parent) {
    setObjectName("TfrmEdMM");
    setWindowTitle("Insertar mezcla manual");
    auto* box = new QVBoxLayout(this);
    auto* label = new QLabel("&Nombre:", this);
    name = new QLineEdit(this);
    name->setObjectName("name");
    name->setMaxLength(fieldWidth("MM", "Nombre"));
    name->setMinimumWidth(name->fontMetrics().averageCharWidth() * 40);
    name->setText(qs(preset));
    name->selectAll();
    label->setBuddy(name);
    box->addWidget(label);
    box->addWidget(name);
    auto* basisLabel = new QLabel("Mezclar en base :", this);
    basis = new QComboBox(this);
    basis->setObjectName("basis");
    basis->addItems({"Base Fresca", "Base Seca"});
    basis->setCurrentIndex(enMS ? 1 : 0);
    basisLabel->setVisible(showBasis);
    basis->setVisible(showBasis);
    box->addWidget(basisLabel);
    box->addWidget(basis);
    box->addWidget(acceptCancelButtons(this, true));
    enterMovesFocus(this);
}

std::optional<NewMixAnswer> NewMixDialog::ask(const std::string& preset, bool enMS, bool showBasis,
                                              QWidget* parent) {
    NewMixDialog d(preset, enMS, showBasis, parent);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    NewMixAnswer a{ss(d.name->text()), std::nullopt};
    if (showBasis) a.enMS = d.basis->currentIndex() == 1;
    return a;
}

// ---- TfrmMM

MixListWindow::MixListWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : ListWindow("Lista de mezclas manuales", "Mezcla manual", logic_, {{"Nombre", "Nombre", ""}},
                 parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmMM");
    bindList();
    recordMenu_->setTitle("&Mezclas");
    hideAction("DataSetPost1");
    hideAction("DataSetCancel1");
    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    QAction* edit = action("DataSetEdit1");
    disconnect(edit, &QAction::triggered, nullptr, nullptr);
    connect(edit, &QAction::triggered, this,
            [this] { runCommand([this] { logic_.openCurrent(); }); });
    QAction* copy =
        addCommand("acCopiar", "C&opiar", "", "Copiar mezcla manual", [this] { logic_.copy(); });
    recordMenu_->addAction(copy);
    addSideButton(copy);

    auto* row = new QWidget(this);
    auto* form = new QFormLayout(row);
    form->setContentsMargins(6, 4, 6, 0);
    groupBox_ = new QComboBox(row);
    groupBox_->setObjectName("groupBox");
    groupBox_->setMinimumWidth(280);
    form->addRow("&Grupo", groupBox_);
    body_->insertWidget(1, row);

    logic_.newMixDialog = [this](const std::string& preset, bool enMS, bool showBasis) {
        return NewMixDialog::ask(preset, enMS, showBasis, this);
    };
    logic_.reloadGroups();
    logic_.selectGroup(-1);
    fillGroupBox();
    connect(groupBox_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0) runCommand([&] { logic_.selectGroup(groupBox_->itemData(i).toInt()); });
    });
    grid_->setColumnWidth(0, 300);
    updateActions();
}

void MixListWindow::fillGroupBox() {
    QSignalBlocker block(groupBox_);
    groupBox_->clear();
    for (const CodeName& g : logic_.groups()) groupBox_->addItem(qs(g.name), g.code);
    groupBox_->setCurrentIndex(groupBox_->findData(logic_.group()));
}

void MixListWindow::selectItem(qint64 code) {
    logic_.reloadGroups();
    if (!logic_.selectGroup(static_cast<int>(code))) return;
    fillGroupBox();
    updateActions();
}

void MixListWindow::refreshInfo() {
    logic_.ActualizarInfo();
    fillGroupBox();
    updateActions();
}

void MixListWindow::onDoubleClick() {
    logic_.openCurrent();
}

void MixListWindow::updateActions() {
    ListWindow::updateActions();
    bool hasRow = logic_.current() >= 0 && !logic_.editing();
    if (QAction* a = action("DataSetEdit1")) a->setEnabled(hasRow);
    if (QAction* a = action("DataSetInsert1")) a->setEnabled(logic_.canInsert());
    if (QAction* a = action("acCopiar")) a->setEnabled(logic_.canCopy());
}

}  // namespace vexa
