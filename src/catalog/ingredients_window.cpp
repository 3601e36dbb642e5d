#include "catalog/ingredients_window.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolButton>

#include "catalog/catalog_context.h"
#include "catalog/ingredient_dialogs.h"
#include "catalog/mdi_tiling.h"
#include "catalog/requests.h"

namespace vexa {

IngredientsWindow::IngredientsWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : ListWindow(
          "Insumos", "Insumos", logic_,
          {{"NOMBRE", "Nombre", ""}, {"REDONDEO", "Redondeo", "0"}, {"NNut", "Nutrientes", "0"}},
          parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmIns");
    bindList();
    recordMenu_->setTitle("&Insumo");
    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    hideAction("DataSetPost1");
    hideAction("DataSetCancel1");
    QAction* copy =
        addCommand("acCopiar", "C&opiar", "", "Copiar insumo", [this] { logic_.copy(); });
    QAction* ver =
        addCommand("acVerCN", "Ver c&ontenido nutricional", "", "", [this] { verContenido(); });
    recordMenu_->addSeparator();
    recordMenu_->addAction(ver);
    addSideButton(copy);
    addSideButton(ver);

    // The button strip stands in for the side panel in side-by-side mode.
    strip_ = new QWidget(this);
    auto* row = new QHBoxLayout(strip_);
    row->setContentsMargins(4, 2, 4, 2);
    for (const char* n : {"DataSetEdit1", "DataSetInsert1", "DataSetDelete1", "acCopiar"}) {
        auto* b = new QToolButton(strip_);
        b->setDefaultAction(action(n));
        row->addWidget(b);
    }
    row->addStretch(1);
    body_->insertWidget(1, strip_);
    strip_->hide();

    logic_.editDialog = [this](IngredientList& l) {
        IngredientDialog d(l, this);
        return d.exec() == QDialog::Accepted;
    };
    logic_.open();
    grid_->setColumnWidth(0, 240);
}

void IngredientsWindow::updateActions() {
    ListWindow::updateActions();
    bool can = logic_.canModify() && logic_.current() >= 0 && !logic_.editing();
    if (QAction* a = action("acCopiar")) a->setEnabled(can);
    if (QAction* a = action("acVerCN")) a->setEnabled(logic_.canShowContent());
}

void IngredientsWindow::onDoubleClick() {
    if (logic_.rowCount() > 0) verContenido();
}

void IngredientsWindow::onRowClicked(int) {
    if (!sideBySide_) return;
    logic_.followRow();
    QCoreApplication::processEvents();
}

void IngredientsWindow::verContenido() {
    QMdiArea* area = nullptr;
    for (QWidget* p = parentWidget(); p && !area; p = p->parentWidget())
        area = qobject_cast<QMdiArea*>(p);
    bool only = area && area->subWindowList().size() == 1;
    bool on = logic_.verContenido(only);
    setSideBySide(on);
    if (!on || !area) return;
    QCoreApplication::processEvents();  // the values window opens
    QList<QMdiSubWindow*> list = area->subWindowList(QMdiArea::CreationOrder);
    std::vector<QRect> rects = tileRects(list.size(), area->viewport()->rect(), true);
    for (int i = 0; i < list.size(); ++i) {
        list[i]->showNormal();
        list[i]->setGeometry(rects[i]);
    }
}

void IngredientsWindow::setSideBySide(bool on) {
    sideBySide_ = on;
    side_->setVisible(!on);
    strip_->setVisible(on);
    if (on) {
        setFocus();
    } else if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
        frame->showMaximized();
    }
}

void IngredientsWindow::childRequest(int code, qint64 arg) {
    if (code == kChildLeaveSideBySide) {
        if (sideBySide_) setSideBySide(false);
        catalogContext().sideBySide = false;
        return;
    }
    ListWindow::childRequest(code, arg);
}

void IngredientsWindow::setActiveChild(bool active) {
    // In side-by-side mode the command stays disabled while the pair is shown.
    if (active || !sideBySide_) ListWindow::setActiveChild(active);
}

void IngredientsWindow::closeEvent(QCloseEvent* e) {
    if (sideBySide_) {
        catalogContext().sideBySide = false;
        logic_.requestsSink().postApp(kAppLeaveSideBySide, 0);
    }
    ListWindow::closeEvent(e);
}

}  // namespace vexa
