#include "workflows/formulas_window.h"

#include <QDateTime>
#include <QFormLayout>
#include <QLocale>
#include <QMdiSubWindow>

#include "catalog/catalog_context.h"

#include "catalog/qt_dialogs.h"
#include "workflows/new_formula_dialog.h"

namespace vexa {

QString formulationTime(const std::string& stored) {
    if (stored.empty()) return {};
    QDateTime t = QDateTime::fromString(qs(stored), "yyyy-MM-dd HH:mm:ss");
    if (!t.isValid()) return qs(stored);
    return QLocale().toString(t, QLocale::ShortFormat);
}

FormulasWindow::FormulasWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : ListWindow(
          "Fórmulas", "Fórmulas", logic_,
          {{"Nombre", "Nombre", ""},
           {"NRIns", "R. Ins", "0", [this](int row) { return qs(logic_.ingredientCount(row)); }},
           {"NRNuts", "R. Nutr", "0", [this](int row) { return qs(logic_.nutrientCount(row)); }},
           {"Ultima", "Ultima formulación", "",
            [this](int row) { return formulationTime(toText(logic_.value(row, "Ultima"))); },
            "Ultima"},
           {"Valor", "Valor", "0.0000"}},
          parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmLR");
    bindList();
    recordMenu_->setTitle("&Fórmulas");
    hideAction("DataSetPost1");
    hideAction("DataSetCancel1");
    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    // "E&ditar" opens the formula editor; the list itself never edits a formula.
    QAction* edit = action("DataSetEdit1");
    disconnect(edit, &QAction::triggered, nullptr, nullptr);
    connect(edit, &QAction::triggered, this,
            [this] { runCommand([this] { logic_.openCurrent(); }); });
    QAction* copy =
        addCommand("acCopiar", "C&opiar", "", "Copiar fórmula", [this] { logic_.copy(); });
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

    logic_.newFormulaDialog = [this](const std::string& preset) {
        return NewFormulaDialog::ask(preset, this);
    };
    // Showing: the groups read again, the first one chosen, the list opened.
    logic_.reloadGroups();
    logic_.selectGroup(-1);
    fillGroupBox();
    connect(groupBox_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0) runCommand([&] { logic_.selectGroup(groupBox_->itemData(i).toInt()); });
    });
    // Beside the ingredients and their values the window comes up in normal state.
    if (catalogContext().sideBySide)
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->showNormal();
            },
            Qt::QueuedConnection);
    grid_->setColumnWidth(0, 300);
    grid_->setColumnWidth(1, 70);
    grid_->setColumnWidth(2, 70);
    grid_->setColumnWidth(3, 170);
    updateActions();
}

void FormulasWindow::fillGroupBox() {
    QSignalBlocker block(groupBox_);
    groupBox_->clear();
    for (const CodeName& g : logic_.groups()) groupBox_->addItem(qs(g.name), g.code);
    groupBox_->setCurrentIndex(groupBox_->findData(logic_.group()));
}

void FormulasWindow::selectItem(qint64 code) {
    logic_.reloadGroups();
    if (code != -1 && !logic_.selectGroup(static_cast<int>(code))) return;
    if (code == -1) logic_.ActualizarInfo();
    fillGroupBox();
    updateActions();
}

void FormulasWindow::refreshInfo() {
    logic_.ActualizarInfo();
    fillGroupBox();
    updateActions();
}

void FormulasWindow::onDoubleClick() {
    logic_.openCurrent();
}

void FormulasWindow::updateActions() {
    ListWindow::updateActions();
    bool hasRow = logic_.current() >= 0 && !logic_.editing();
    if (QAction* a = action("DataSetEdit1")) a->setEnabled(hasRow);
    if (QAction* a = action("DataSetInsert1")) a->setEnabled(logic_.canInsert());
    if (QAction* a = action("acCopiar")) a->setEnabled(logic_.canCopy());
}

}  // namespace vexa
