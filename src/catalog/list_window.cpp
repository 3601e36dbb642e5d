#include "catalog/list_window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QToolButton>
#include <QUrl>

#include "catalog/click_sound.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "catalog/requests.h"
#include "reports/grid_export.h"

namespace vexa {

namespace {

// While the grid has the focus the Right-arrow key moves on as Tab does.
class RightAsTab : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Right &&
            static_cast<QKeyEvent*>(e)->modifiers() == Qt::NoModifier) {
            // The grid selects whole rows: Tab's move is to the next control.
            auto* w = static_cast<QWidget*>(o);
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &tab);
            return true;
        }
        return false;
    }
};

}  // namespace

ListWindow::ListWindow(const QString& caption, const QString& header, RecordList& list,
                       std::vector<GridColumn> columns, QWidget* parent)
    : ChildWindow(caption, header, parent), list_(list) {
    model_ = new RecordModel(list_, std::move(columns), this);
    middle_ = new QHBoxLayout();
    middle_->setContentsMargins(4, 4, 4, 4);
    grid_ = new QTableView(this);
    grid_->setModel(model_);
    grid_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setAlternatingRowColors(true);
    grid_->verticalHeader()->setDefaultSectionSize(grid_->fontMetrics().height() + 6);
    grid_->horizontalHeader()->setStretchLastSection(true);
    grid_->horizontalHeader()->setSectionsClickable(true);
    grid_->installEventFilter(new RightAsTab(grid_));
    middle_->addWidget(grid_, 1);

    side_ = new QWidget(this);
    sideLayout_ = new QVBoxLayout(side_);
    sideLayout_->setContentsMargins(0, 0, 0, 0);
    sideLayout_->addStretch(1);
    middle_->addWidget(side_);
    body_->addLayout(middle_, 1);

    recordMenu_ = new QMenu("Registro", this);
    menus_ << recordMenu_;

    auto* nav = new QHBoxLayout();
    nav->setContentsMargins(4, 0, 4, 4);
    body_->addLayout(nav);

    auto cmd = [this](const char* name, const char* cap, const char* key, const char* hint,
                      std::function<void()> fn) {
        return addCommand(name, QString::fromUtf8(cap), key, QString::fromUtf8(hint), fn);
    };
    QAction* edit = cmd("DataSetEdit1", "E&ditar", "", "Editar", [this] { list_.edit(); });
    QAction* post = cmd("DataSetPost1", "&Aceptar", "", "Aceptar", [this] { list_.post(); });
    QAction* cancel =
        cmd("DataSetCancel1", "Cancelar", "Esc", "Cancelar", [this] { list_.cancel(); });
    QAction* ins =
        cmd("DataSetInsert1", "N&uevo", "Ctrl+Ins", "Insertar nuevo", [this] { list_.insert(); });
    QAction* del =
        cmd("DataSetDelete1", "&Borrar", "Ctrl+Del", "Borrar", [this] { list_.remove(); });
    QAction* first = cmd("DataSetFirst1", "Primero", "", "Primero", [this] { list_.first(); });
    QAction* prior = cmd("DataSetPrior1", "Anterior", "", "Anterior", [this] { list_.prior(); });
    QAction* next = cmd("DataSetNext1", "Si&guiente", "", "Siguiente", [this] { list_.next(); });
    QAction* last = cmd("DataSetLast1", "Ultimo", "", "Ultimo", [this] { list_.last(); });
    cmd("DataSetRefresh1", "Releer", "", "Releer", [this] { list_.refreshRecord(); });
    QAction* exportGrid =
        cmd("acEExport", "Exportar a MS Excel", "", "", [this] { exportToExcel(); });
    QAction* find = cmd("acBuscar", "Buscar...", "Ctrl+B", "Buscar un registro", [this] {
        auto asked = dialogs().askSearch("Búsqueda", searchFieldTitles());
        if (!asked || asked->text.empty()) return;
        if (!list_.search(asked->text, asked->field))
            dialogs().showInfo("No se encontró \"" + asked->text + "\".");
    });
    for (QAction* a : {edit, post, cancel, ins, del}) {
        recordMenu_->addAction(a);
        addSideButton(a);
    }
    addSideButton(find);
    // Every list exports its grid: from the window's menu and its side panel.
    recordMenu_->addSeparator();
    recordMenu_->addAction(exportGrid);
    addSideButton(exportGrid);

    for (QAction* a : {first, prior}) {
        auto* b = new QToolButton(this);
        b->setDefaultAction(a);
        nav->addWidget(b);
    }
    position_ = new QLabel(this);
    position_->setMinimumWidth(80);
    position_->setAlignment(Qt::AlignCenter);
    nav->addWidget(position_);
    for (QAction* a : {next, last}) {
        auto* b = new QToolButton(this);
        b->setDefaultAction(a);
        nav->addWidget(b);
    }
    nav->addStretch(1);

    connect(grid_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& cur) {
                if (syncing_ || !cur.isValid()) return;
                list_.setCurrent(cur.row());
                updateActions();
                onRowClicked(cur.row());
            });
    connect(grid_, &QTableView::doubleClicked, this,
            [this] { runCommand([this] { onDoubleClick(); }); });
    connect(grid_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int col) {
        const auto& c = model_->columns().at(col);
        const QString& by = c.lookup ? c.sortField : c.field;
        if (by.isEmpty() || list_.ignoresSort) return;
        bool desc = col == lastSortColumn_ && !lastSortDesc_;
        QString ordering = QString("[%1] %2").arg(by, desc ? "DESC" : "ASC");
        runCommand([&] {
            if (list_.userSort(ordering.toStdString())) {
                lastSortColumn_ = col;
                lastSortDesc_ = desc;
            }
        });
    });
}

std::vector<std::string> ListWindow::searchFieldTitles() const {
    // Each searchable field by the title of its grid column, as the user sees it.
    std::vector<std::string> titles;
    for (const std::string& f : list_.searchFields) {
        QString title = qs(f);
        for (const GridColumn& c : model_->columns())
            if (!c.lookup && c.field.compare(qs(f), Qt::CaseInsensitive) == 0) title = c.title;
        titles.push_back(ss(title));
    }
    return titles;
}

void ListWindow::bindList() {
    model_->bind();
    list_.onChanged = [this] {
        model_->reset();
        syncFromList();
    };
    list_.onCurrentChanged = [this] { syncFromList(); };
}

QAction* ListWindow::addCommand(const QString& name, const QString& caption,
                                const QString& shortcut, const QString& hint,
                                const std::function<void()>& fn) {
    auto* a = new QAction(caption, this);
    a->setObjectName(name);
    if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    a->setToolTip(hint.isEmpty() ? QString(caption).remove('&') : hint);
    a->setStatusTip(hint);
    connect(a, &QAction::triggered, this, [this, fn] { runCommand(fn); });
    addAction(a);
    actions_.insert(name, a);
    return a;
}

void ListWindow::addSideButton(QAction* a) {
    auto* b = new QToolButton(side_);
    b->setDefaultAction(a);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // As wide as its caption needs ("Exportar a MS Excel"), never cut.
    b->setMinimumWidth(std::max(96, b->sizeHint().width()));
    b->setObjectName("side_" + a->objectName());
    sideLayout_->insertWidget(sideLayout_->count() - 1, b);
}

void ListWindow::hideAction(const QString& name) {
    QAction* a = action(name);
    if (!a) return;
    a->setVisible(false);
    // Side panel and navigator buttons alike.
    for (QToolButton* b : findChildren<QToolButton*>())
        if (b->defaultAction() == a) b->hide();
}

void ListWindow::runCommand(const std::function<void()>& fn) {
    SonidoClic();
    try {
        fn();
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
    }
    updateActions();
}

void ListWindow::syncFromList() {
    syncing_ = true;
    int cur = list_.current();
    if (cur >= 0 && cur < model_->rowCount()) {
        grid_->selectRow(cur);
        grid_->setCurrentIndex(model_->index(cur, 0));
    }
    syncing_ = false;
    position_->setText(QString("%1 / %2").arg(cur + 1).arg(list_.rowCount()));
    updateActions();
}

void ListWindow::updateActions() {
    bool open = list_.isOpen();
    bool editing = list_.editing();
    bool modifiable = list_.canModify();
    bool hasRow = list_.current() >= 0;
    auto set = [this](const char* n, bool on) {
        if (QAction* a = action(n)) a->setEnabled(on);
    };
    set("DataSetEdit1", modifiable && hasRow && !editing);
    set("DataSetPost1", editing);
    set("DataSetCancel1", editing);
    set("DataSetInsert1", modifiable && !editing);
    set("DataSetDelete1", modifiable && hasRow && !editing);
    set("DataSetFirst1", open && !list_.bof());
    set("DataSetPrior1", open && !list_.bof());
    set("DataSetNext1", open && !list_.eof());
    set("DataSetLast1", open && !list_.eof());
    set("DataSetRefresh1", open && !editing);
    set("acBuscar", open && list_.rowCount() > 0);
    set("acEExport", open);
}

void ListWindow::setActiveChild(bool active) {
    list_.activated(active);
}

void ListWindow::childRequest(int code, qint64) {
    if (code == kChildBeforeSave) list_.beforeSave();
}

void ListWindow::onDoubleClick() {
    list_.doubleClick();
}

void ListWindow::closeEvent(QCloseEvent* e) {
    list_.onChanged = nullptr;
    list_.onCurrentChanged = nullptr;
    list_.closing(reference());
    ChildWindow::closeEvent(e);
}

QString ListWindow::exportToExcel() {
    int keep = list_.current();
    grid_->setUpdatesEnabled(false);
    QStringList titles;
    std::vector<int> cols;
    for (int c = 0; c < model_->columnCount(); ++c) {
        if (grid_->isColumnHidden(c)) continue;
        cols.push_back(c);
        titles << model_->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    QList<QVariantList> rows;
    for (int r = 0; r < model_->rowCount(); ++r) {
        QVariantList row;
        for (int c : cols) row << model_->exportValue(r, c);
        rows << row;
    }
    QString file;
    try {
        file = exportGrid(titles, rows, gridExportFolder(), QDateTime::currentDateTime());
        openExportedFile(file);
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
    }
    if (keep >= 0) list_.setCurrent(keep);
    grid_->setUpdatesEnabled(true);
    return file;
}

}  // namespace vexa
