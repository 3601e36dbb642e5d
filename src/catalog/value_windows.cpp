#include "catalog/value_windows.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QMdiSubWindow>
#include <QToolButton>

#include "catalog/catalog_context.h"
#include "catalog/qt_dialogs.h"
#include "catalog/requests.h"
#include "catalog/value_dialogs.h"

namespace vexa {

namespace {

QComboBox* addSelector(QVBoxLayout* body, QWidget* parent, const QString& label) {
    auto* row = new QWidget(parent);
    auto* form = new QFormLayout(row);
    form->setContentsMargins(6, 4, 6, 0);
    auto* box = new QComboBox(row);
    box->setMinimumWidth(280);
    form->addRow(label, box);
    body->insertWidget(1, row);
    return box;
}

void fill(QComboBox* box, const std::vector<Candidate>& items) {
    QSignalBlocker block(box);
    box->clear();
    for (const Candidate& c : items) box->addItem(qs(c.name), c.code);
}

}  // namespace

IngredientValuesWindow::IngredientValuesWindow(Database& db, Tdm& dm, RequestSink& requests,
                                               QWidget* parent)
    : ListWindow("Ver contenido nutricional por insumo", "Contenido nutricional", logic_,
                 {{"Nombre", "Nombre", ""}, {"Unidad", "Unidad", ""}, {"Valor", "Valor", "0.0000"}},
                 parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmVals");
    bindList();
    recordMenu_->setTitle("Contenido nutricional");
    selector_ = addSelector(body_, this, "Insumo seleccionado");
    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    for (const char* n : {"DataSetInsert1", "DataSetPost1", "DataSetCancel1"}) hideAction(n);
    QAction* ins = addCommand("acInsAll", "&Insertar", "", "", [this] { logic_.insertMissing(); });
    recordMenu_->addAction(ins);
    addSideButton(ins);
    strip_ = new QWidget(this);
    auto* row = new QHBoxLayout(strip_);
    row->setContentsMargins(4, 2, 4, 2);
    for (const char* n : {"DataSetEdit1", "acInsAll", "DataSetDelete1"}) {
        auto* b = new QToolButton(strip_);
        b->setDefaultAction(action(n));
        row->addWidget(b);
    }
    row->addStretch(1);
    body_->insertWidget(2, strip_);
    strip_->hide();

    logic_.valueDialog = [this](const ValueEntry& e) { return ValueDialog::ask(e, this); };
    logic_.choiceDialog = [this](const ChoiceSpec& s, const std::vector<Candidate>& l) {
        return ChoiceDialog::ask(s, l, this);
    };
    fillSelector();
    connect(selector_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0) runCommand([&] { logic_.selectIngredient(selector_->itemData(i).toInt()); });
    });
    grid_->setColumnWidth(0, 220);
}

void IngredientValuesWindow::fillSelector() {
    fill(selector_, ingredientLookup(logic_.db()));
}

void IngredientValuesWindow::selectItem(qint64 code) {
    CatalogContext& ctx = catalogContext();
    int i = selector_->findData(static_cast<int>(code));
    if (i < 0 || ctx.ingredientsChanged) {
        // A new ingredient is not in the lookup yet, a deleted one must leave it.
        fillSelector();
        ctx.ingredientsChanged = false;
        i = selector_->findData(static_cast<int>(code));
    }
    if (i < 0) return;
    if (i == selector_->currentIndex() && logic_.selected() == code) return;
    selector_->setCurrentIndex(i);
    if (logic_.selected() != code) logic_.selectIngredient(static_cast<int>(code));
}

void IngredientValuesWindow::showEvent(QShowEvent* e) {
    ListWindow::showEvent(e);
    if (logic_.selected() == 0 && selector_->count() > 0) {
        selector_->setCurrentIndex(0);
        logic_.selectIngredient(selector_->itemData(0).toInt());
    }
    setSideBySide(catalogContext().sideBySide);
}

void IngredientValuesWindow::setSideBySide(bool on) {
    sideBySide_ = on;
    side_->setVisible(!on);
    strip_->setVisible(on);
}

void IngredientValuesWindow::setActiveChild(bool active) {
    ListWindow::setActiveChild(active);
    CatalogContext& ctx = catalogContext();
    if (active && ctx.ingredientsChanged) {
        int keep = logic_.selected();
        fillSelector();
        ctx.ingredientsChanged = false;
        int i = selector_->findData(keep);
        selector_->setCurrentIndex(i < 0 ? 0 : i);
        if (selector_->count() > 0) logic_.selectIngredient(selector_->currentData().toInt());
    }
}

void IngredientValuesWindow::childRequest(int code, qint64) {
    if (code == kChildBeforeSave) {
        closeWindow();
    } else if (code == kChildLeaveSideBySide) {
        setSideBySide(false);
        if (!catalogContext().sideBySide)
            if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->showMaximized();
    }
}

void IngredientValuesWindow::updateActions() {
    ListWindow::updateActions();
    if (QAction* a = action("acInsAll"))
        a->setEnabled(logic_.canModify() && logic_.selected() != 0);
}

void IngredientValuesWindow::closeEvent(QCloseEvent* e) {
    ListWindow::closeEvent(e);
    logic_.requestsSink().postApp(kAppRefreshWindow, 1);
    if (sideBySide_) {
        catalogContext().sideBySide = false;
        logic_.requestsSink().postApp(kAppLeaveSideBySide, 0);
    }
}

NutrientValuesWindow::NutrientValuesWindow(Database& db, Tdm& dm, RequestSink& requests,
                                           QWidget* parent)
    : ListWindow("Ver valores por nutrientes", "Contenido nutricional (por Nutriente)", logic_,
                 {{"Nombre", "Insumo", ""}, {"Valor", "Contenido", "0.0000"}}, parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmValN");
    bindList();
    recordMenu_->setTitle("C&ontenido por nutriente");
    selector_ = addSelector(body_, this, "Nutriente seleccionado");
    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    for (const char* n : {"DataSetInsert1", "DataSetPost1", "DataSetCancel1", "DataSetFirst1",
                          "DataSetNext1", "DataSetLast1"})
        hideAction(n);
    QAction* ins = addCommand("acInsAll", "&Insertar", "", "", [this] { logic_.insertMissing(); });
    recordMenu_->addAction(ins);
    addSideButton(ins);
    logic_.valueDialog = [this](const ValueEntry& e) { return ValueDialog::ask(e, this); };
    logic_.choiceDialog = [this](const ChoiceSpec& s, const std::vector<Candidate>& l) {
        return ChoiceDialog::ask(s, l, this);
    };
    fillSelector();
    connect(selector_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0) runCommand([&] { logic_.selectNutrient(selector_->itemData(i).toInt()); });
    });
    if (selector_->count() > 0) logic_.selectNutrient(selector_->itemData(0).toInt());
    grid_->setColumnWidth(0, 260);
}

void NutrientValuesWindow::fillSelector() {
    fill(selector_, nutrientLookup(logic_.db(), priceMode_));
}

void NutrientValuesWindow::selectItem(qint64 code) {
    if (code == -1) {
        priceMode_ = true;
        fillSelector();
        code = catalogContext().workspace().Precio;
    }
    int i = selector_->findData(static_cast<int>(code));
    if (i < 0) i = selector_->count() > 0 ? 0 : -1;
    if (i < 0) return;
    QSignalBlocker block(selector_);
    selector_->setCurrentIndex(i);
    logic_.selectNutrient(selector_->itemData(i).toInt());
}

void NutrientValuesWindow::setActiveChild(bool active) {
    ListWindow::setActiveChild(active);
    CatalogContext& ctx = catalogContext();
    if (active && ctx.nutrientsChanged) {
        int keep = logic_.selected();
        fillSelector();
        ctx.nutrientsChanged = false;
        selectItem(keep);
    }
}

void NutrientValuesWindow::childRequest(int code, qint64 arg) {
    if (code == kChildBeforeSave)
        closeWindow();
    else
        ListWindow::childRequest(code, arg);
}

void NutrientValuesWindow::updateActions() {
    ListWindow::updateActions();
    if (QAction* a = action("acInsAll"))
        a->setEnabled(logic_.canModify() && logic_.selected() != 0);
}

}  // namespace vexa
