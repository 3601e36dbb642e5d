#include "workflows/groups_window.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QStyledItemDelegate>

#include "catalog/qt_dialogs.h"
#include "store/catalog_queries.h"
#include "workflows/member_list_dialog.h"

namespace vexa {

namespace {

// The name is typed within the field's width; the price item is chosen from the price items.
class GroupDelegate : public QStyledItemDelegate {
public:
    GroupDelegate(GroupList& list, QObject* parent) : QStyledItemDelegate(parent), list_(list) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& o,
                          const QModelIndex& i) const override {
        if (i.column() == 1) {
            auto* box = new QComboBox(parent);
            box->setObjectName("priceItem");
            for (const CodeName& p : list_.priceItems()) box->addItem(qs(p.name), p.code);
            return box;
        }
        QWidget* w = QStyledItemDelegate::createEditor(parent, o, i);
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            line->setObjectName("groupName");
            line->setMaxLength(fieldWidth("Cat", "Nombre"));
        }
        return w;
    }
    void setEditorData(QWidget* editor, const QModelIndex& i) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            int code = static_cast<int>(toNumber(list_.value(i.row(), "Precio"), -1));
            box->setCurrentIndex(std::max(0, box->findData(code)));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, i);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* m, const QModelIndex& i) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            if (box->currentIndex() >= 0) m->setData(i, box->currentData(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, m, i);
    }

private:
    GroupList& list_;
};

GridColumn editable(const char* field, const char* title,
                    std::function<bool(int, const QVariant&)> setter,
                    std::function<QString(int)> lookup = {}) {
    GridColumn c{field, title, ""};
    c.lookup = std::move(lookup);
    c.setter = std::move(setter);
    return c;
}

}  // namespace

GroupsWindow::GroupsWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent)
    : ListWindow(
          "Grupos", "Grupos", logic_,
          {editable("Nombre", "Nombre",
                    [this](int row, const QVariant& v) {
                        return later(
                            [this, row, name = ss(v.toString())] { logic_.setName(row, name); });
                    }),
           editable(
               "NPx", "Ítem Precio",
               [this](int row, const QVariant& v) {
                   return later([this, row, code = v.toInt()] { logic_.setPriceItem(row, code); });
               },
               [this](int row) { return qs(logic_.priceName(row)); })},
          parent),
      logic_(db, dm, requests) {
    setObjectName("TfrmCat");
    bindList();
    recordMenu_->setTitle("&Grupos");
    hideAction("DataSetPost1");
    hideAction("DataSetCancel1");
    QAction* edit = action("DataSetEdit1");
    disconnect(edit, &QAction::triggered, nullptr, nullptr);
    connect(edit, &QAction::triggered, this, [this] { runCommand([this] { editName(); }); });
    QAction* ins = action("DataSetInsert1");
    disconnect(ins, &QAction::triggered, nullptr, nullptr);
    connect(ins, &QAction::triggered, this, [this] {
        runCommand([this] {
            if (logic_.addGroup()) editName();
        });
    });
    QAction* copy = addCommand("acCopiar", "C&opiar", "Ctrl+C", "Copiar este grupo", [this] {
        if (logic_.copy()) editName();
    });
    recordMenu_->addAction(copy);
    addSideButton(copy);

    auto* strip = new QWidget(this);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(4, 4, 4, 0);
    nutrientsButton = new QPushButton("Nutrientes", strip);
    ingredientsButton = new QPushButton("Insumos", strip);
    formulasButton = new QPushButton("&Formulas", strip);
    formulasButton->setToolTip("Ver formulas");
    mixesButton = new QPushButton("&Mezclas manuales", strip);
    ratiosButton = new QPushButton("Relaciones", strip);
    for (QPushButton* b :
         {nutrientsButton, ingredientsButton, ratiosButton, formulasButton, mixesButton})
        row->addWidget(b);
    row->addStretch(1);
    body_->insertWidget(1, strip);
    connect(nutrientsButton, &QPushButton::clicked, this,
            [this] { runCommand([this] { editMembers(MemberList::Kind::Nutrients); }); });
    connect(ingredientsButton, &QPushButton::clicked, this,
            [this] { runCommand([this] { editMembers(MemberList::Kind::Ingredients); }); });
    connect(ratiosButton, &QPushButton::clicked, this,
            [this] { runCommand([this] { editMembers(MemberList::Kind::Ratios); }); });
    connect(formulasButton, &QPushButton::clicked, this,
            [this] { runCommand([this] { logic_.showFormulas(); }); });
    connect(mixesButton, &QPushButton::clicked, this,
            [this] { runCommand([this] { logic_.showMixes(); }); });

    auto* delegate = new GroupDelegate(logic_, grid_);
    grid_->setItemDelegate(delegate);
    // Escape on the name of a group just made with "N&uevo" takes the group back.
    connect(delegate, &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                if (hint == QAbstractItemDelegate::RevertModelCache)
                    later([this] { logic_.discardNew(); });
            });
    grid_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    grid_->installEventFilter(this);
    // Showing: the price items and the list; groups are edited in the grid, not in a dialog.
    logic_.show();
    grid_->setColumnWidth(0, 280);
    updateActions();
}

bool GroupsWindow::later(std::function<void()> write) {
    // The cell's editor closes first; the write then reads the list again under a grid that
    // no longer holds it.
    QMetaObject::invokeMethod(
        this, [this, write = std::move(write)] { runCommand(write); }, Qt::QueuedConnection);
    return true;
}

void GroupsWindow::editName() {
    if (logic_.current() < 0 || !logic_.canModify()) return;
    QModelIndex i = model_->index(logic_.current(), 0);
    grid_->setCurrentIndex(i);
    grid_->edit(i);
}

void GroupsWindow::onDoubleClick() {
    // The grid's own double click opens the cell for typing.
}

bool GroupsWindow::eventFilter(QObject* o, QEvent* e) {
    // In the groups window the Enter key moves on as Tab does.
    // A Return that a cell's editor passed on is the editor's own: it writes the cell.
    if (o == grid_ && e->type() == QEvent::KeyPress && grid_->hasFocus()) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(grid_, &tab);
            return true;
        }
    }
    return ListWindow::eventFilter(o, e);
}

void GroupsWindow::editMembers(MemberList::Kind kind) {
    if (logic_.current() < 0) return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) frame->showMaximized();
    MemberList members(logic_.db(), kind, logic_.currentCode(), logic_.currentName());
    MemberListDialog d(members, !logic_.canModify(), this);
    d.exec();
}

void GroupsWindow::updateActions() {
    ListWindow::updateActions();
    bool hasRow = logic_.current() >= 0 && !logic_.editing();
    if (QAction* a = action("DataSetEdit1")) a->setEnabled(hasRow && logic_.canModify());
    if (QAction* a = action("acCopiar")) a->setEnabled(logic_.canCopy());
    for (QPushButton* b :
         {nutrientsButton, ingredientsButton, ratiosButton, formulasButton, mixesButton})
        if (b) b->setEnabled(hasRow);
}

}  // namespace vexa
