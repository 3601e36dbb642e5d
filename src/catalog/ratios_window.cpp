#include "catalog/ratios_window.h"

#include "catalog/ratio_dialog.h"

namespace vexa {

RatiosWindow::RatiosWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : ListWindow("Relaciones", "Relaciones", logic_,
                 {{"Nombre", "Nombre", ""},
                  {"NomN1", "Primer nutriente", ""},
                  {"NomN2", "Segundo nutriente", ""}},
                 parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmRel");
    bindList();
    action("DataSetEdit1")->setShortcut(QKeySequence(Qt::Key_Return));
    action("DataSetInsert1")->setShortcut(QKeySequence(Qt::Key_Insert));
    action("DataSetDelete1")->setShortcut(QKeySequence(Qt::Key_Delete));
    hideAction("DataSetPost1");
    hideAction("DataSetCancel1");
    logic_.editDialog = [this](RatioList& l) {
        RatioDialog d(l, this);
        return d.exec() == QDialog::Accepted;
    };
    logic_.open();
    grid_->setColumnWidth(0, 260);
    grid_->setColumnWidth(1, 200);
}

}  // namespace vexa
