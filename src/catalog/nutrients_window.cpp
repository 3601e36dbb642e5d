#include "catalog/nutrients_window.h"

#include "reports/report_module.h"

#include <QToolButton>

#include "catalog/nutrient_dialog.h"
#include "catalog/qt_dialogs.h"
#include "store/catalog_queries.h"
#include "store/tdm.h"

namespace vexa {

NutrientsWindow::NutrientsWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : ListWindow("Nutrientes", "Nutrientes", logic_,
                 {{"Nombre", "Nombre", ""},
                  {"Unidad", "Unidad", ""},
                  {"Tipo", "Tipo", "",
                   [this](int row) {
                       auto it =
                           typeNames_.find(static_cast<int>(toNumber(logic_.value(row, "Tipo"))));
                       return it == typeNames_.end() ? QString() : it->second;
                   }}},
                 parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmNut");
    bindList();
    // The shared type lookup is read when the window is created.
    for (const CodeName& t : nutrientTypes(db)) typeNames_[t.code] = qs(t.name);

    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    action("DataSetInsert1")->setShortcut(QKeySequence(Qt::Key_Insert));
    action("DataSetDelete1")->setShortcut(QKeySequence(Qt::Key_Delete));
    hideAction("DataSetPost1");
    hideAction("DataSetCancel1");
    QAction* up = addCommand("acOrdenS", "&Subir", "", "", [this] { logic_.moveUp(); });
    QAction* down = addCommand("acOrdenB", "&Bajar", "", "", [this] { logic_.moveDown(); });
    QAction* copy = addCommand("acCopiar", "Copiar", "", "", [this] { logic_.copy(); });
    QAction* rep = addCommand("acRep", "Reporte", "Ctrl+R", "", [this] {
        if (auto& run = reportCommandRunner()) run(0, this);
    });
    recordMenu_->addSeparator();
    recordMenu_->addAction(up);
    recordMenu_->addAction(down);
    addSideButton(up);
    addSideButton(down);
    addSideButton(copy);
    // Here the export is one of the "Funciones".
    delete side_->findChild<QToolButton*>("side_acEExport");
    auto* functions = new QToolButton(side_);
    functions->setText("Funciones");
    functions->setToolTip("Editar");
    functions->setPopupMode(QToolButton::InstantPopup);
    auto* pop = new QMenu(functions);
    pop->addAction(action("acEExport"));
    pop->addAction(rep);
    functions->setMenu(pop);
    functions->setMinimumWidth(96);
    sideLayout_->insertWidget(sideLayout_->count() - 1, functions);

    logic_.editDialog = [this](NutrientList& l) {
        NutrientDialog d(l, this);
        return d.exec() == QDialog::Accepted;
    };
    logic_.open();
    grid_->setColumnWidth(0, 240);
    grid_->setColumnWidth(1, 120);
}

void NutrientsWindow::updateActions() {
    ListWindow::updateActions();
    bool can = logic_.canModify() && logic_.current() >= 0 && !logic_.editing();
    for (const char* n : {"acOrdenS", "acOrdenB", "acCopiar"})
        if (QAction* a = action(n)) a->setEnabled(can);
}

}  // namespace vexa
