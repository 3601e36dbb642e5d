#include "workflows/member_list_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"

namespace vexa {

namespace {

class MemberModel : public QAbstractTableModel {
public:
    MemberModel(MemberList& list, QObject* parent) : QAbstractTableModel(parent), list_(list) {}
    int rowCount(const QModelIndex& p) const override {
        return p.isValid() ? 0 : static_cast<int>(list_.rows().size());
    }
    int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid()) return {};
        const MemberList::Row& r = list_.rows().at(i.row());
        if (i.column() == 0 && role == Qt::CheckStateRole)
            return r.Sel ? Qt::Checked : Qt::Unchecked;
        if (i.column() == 1 && role == Qt::DisplayRole) return qs(r.Nombre);
        return {};
    }
    QVariant headerData(int s, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal) return {};
        return s == 0 ? QString("Seleccionado") : QString("Nombre");
    }
    void reset() {
        beginResetModel();
        endResetModel();
    }

private:
    MemberList& list_;
};

}  // namespace

MemberListDialog::MemberListDialog(MemberList& list, bool readOnly, QWidget* parent)
    : QDialog(parent), list_(list), readOnly_(readOnly) {
    setObjectName(list.kind() == MemberList::Kind::Ingredients ? "TfrmListaI"
                  : list.kind() == MemberList::Kind::Ratios    ? "TfrmListaR"
                                                               : "TfrmListaN");
    setWindowTitle(qs(list.caption()));
    auto* box = new QVBoxLayout(this);
    model_ = new MemberModel(list, this);
    grid_ = new QTableView(this);
    grid_->setModel(model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->setColumnWidth(0, 110);
    grid_->installEventFilter(this);
    box->addWidget(grid_, 1);

    auto* row = new QHBoxLayout();
    selectAllButton = new QPushButton("Seleccionar Todos", this);
    clearAllButton = new QPushButton("Deseleccionar Todos", this);
    okButton = new QPushButton("Aceptar", this);
    cancelButton = new QPushButton("Cancelar", this);
    for (QPushButton* b : {selectAllButton, clearAllButton, okButton, cancelButton})
        b->setAutoDefault(false);
    row->addWidget(selectAllButton);
    row->addWidget(clearAllButton);
    row->addStretch(1);
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    box->addLayout(row);
    for (QPushButton* b : {selectAllButton, clearAllButton, okButton}) b->setEnabled(!readOnly);

    auto all = [this](bool on) {
        int keep = list_.current();
        list_.selectAll(on);
        refresh();
        if (keep >= 0) grid_->selectRow(keep);
    };
    connect(selectAllButton, &QPushButton::clicked, this, [all] { all(true); });
    connect(clearAllButton, &QPushButton::clicked, this, [all] { all(false); });
    connect(okButton, &QPushButton::clicked, this, &MemberListDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(grid_, &QTableView::clicked, this,
            [this](const QModelIndex& i) { toggleCurrent(i.row()); });
    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& i) {
                if (i.isValid()) list_.setCurrent(i.row());
            });
    resize(460, 520);
    if (list_.current() >= 0) grid_->selectRow(list_.current());
}

void MemberListDialog::refresh() {
    static_cast<MemberModel*>(model_)->reset();
}

void MemberListDialog::toggleCurrent(int row) {
    if (readOnly_ || row < 0) return;
    list_.toggle(row);
    refresh();
    grid_->selectRow(row);
}

bool MemberListDialog::eventFilter(QObject* o, QEvent* e) {
    if (o == grid_ && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
        toggleCurrent(grid_->currentIndex().row());
        return true;
    }
    return QDialog::eventFilter(o, e);
}

void MemberListDialog::accept() {
    if (readOnly_) return;
    try {
        list_.save();
    } catch (const std::exception& ex) {
        // Nothing was written; the marks stay for another try or "Cancelar".
        dialogs().showError("No se pudo guardar la lista del grupo: " + std::string(ex.what()));
        return;
    }
    QDialog::accept();
}

}  // namespace vexa
