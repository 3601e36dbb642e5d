#include "shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScreen>
#include <QPainter>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "catalog/dialogs.h"
#include "catalog/request_event.h"
#include "shell/command_table.h"
#include "shell/startup.h"
#include "shell/workspace_service.h"

namespace vexa {

namespace {

// The program's own picture for the frame and its child windows, drawn so that no file has
// to travel with the program.
QIcon programIcon() {
    QIcon icon;
    for (int size : {16, 32, 64}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x1f, 0x4e, 0x79));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(size * 3 / 4);
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, "V");
        icon.addPixmap(pm);
    }
    return icon;
}

}  // namespace

MainWindow::MainWindow(WorkspaceService& ws, QWidget* parent) : QMainWindow(parent), ws_(ws) {
    setObjectName("TfrmMain");
    setWindowIcon(programIcon());
    area_ = new QMdiArea(this);
    area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area_->setBackground(QColor(0x5b, 0x7f, 0xa6));
    setCentralWidget(area_);
    commands_ = new CommandModule(ws_, this, area_);
    buildMenus();

    auto* bar = addToolBar("Herramientas");
    bar->setObjectName("toolBar");
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(32, 32));
    // Only pictures the style draws at full size: a title-bar picture would come out smaller
    // than its neighbours.
    QMap<QString, QStyle::StandardPixmap> icons = {
        {"acSalir", QStyle::SP_BrowserStop},
        {"acGuardar", QStyle::SP_DialogSaveButton},
        {"WindowClose1", QStyle::SP_DialogCloseButton},
        {"acLR", QStyle::SP_FileDialogDetailedView},
    };
    for (const char* name : toolBarCommands()) {
        if (QString(name) == "-") {
            bar->addSeparator();
            continue;
        }
        QAction* a = commands_->action(name);
        a->setIcon(style()->standardIcon(icons.value(name)));
        bar->addAction(a);
    }

    for (auto*& l : status_) {
        l = new QLabel(this);
        l->setMargin(2);
        statusBar()->addPermanentWidget(l, l == status_[2] ? 1 : 0);
    }
    connect(commands_, &CommandModule::captionRefresh, this, &MainWindow::refreshCaption);
    connect(commands_, &CommandModule::quitRequested, this, &MainWindow::close);
    connect(area_, &QMdiArea::subWindowActivated, this, &MainWindow::mergeChildMenus);
    // Never larger than the screen (a 1024 x 768 display, a desktop without a window manager
    // that would maximise it).
    QSize size(1100, 720);
    if (const QScreen* s = screen()) size = size.boundedTo(s->availableGeometry().size());
    resize(size);
}

void MainWindow::buildMenus() {
    for (const MenuSpec& m : mainMenus()) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(m.title));
        topMenus_ << menu;
        QList<QMenu*> stack{menu};
        for (const char* item : m.items) {
            QString s = QString::fromUtf8(item);
            if (s == "-")
                stack.last()->addSeparator();
            else if (s.startsWith('['))
                stack << stack.last()->addMenu(s.mid(1));
            else if (s == "]")
                stack.removeLast();
            else
                stack.last()->addAction(commands_->action(s));
        }
        if (QString(m.title) == "&Reportes") reportsMenuAction_ = menu->menuAction();
        if (QString(m.title) == "&Ventana") windowMenu_ = menu;
    }
    windowMenu_->addAction(commands_->action("WindowArrange1"));
    windowMenu_->addAction(commands_->action("WindowMinimizeAll1"));
    connect(windowMenu_, &QMenu::aboutToShow, this, &MainWindow::fillWindowMenu);
}

QMenu* MainWindow::menu(const QString& title) const {
    for (QAction* a : menuBar()->actions())
        if (a->text() == title) return a->menu();
    return nullptr;
}

void MainWindow::fillWindowMenu() {
    // The fixed commands first, then one entry per open child window.
    const QList<QAction*> all = windowMenu_->actions();
    for (QAction* a : all)
        if (a->property("windowEntry").toBool()) windowMenu_->removeAction(a), a->deleteLater();
    QList<QMdiSubWindow*> list = area_->subWindowList(QMdiArea::CreationOrder);
    if (!list.isEmpty()) {
        QAction* sep = windowMenu_->addSeparator();
        sep->setProperty("windowEntry", true);
    }
    int n = 1;
    for (QMdiSubWindow* w : list) {
        QAction* a = windowMenu_->addAction(QString("&%1 %2").arg(n++).arg(w->windowTitle()));
        a->setProperty("windowEntry", true);
        a->setCheckable(true);
        a->setChecked(w == area_->activeSubWindow());
        connect(a, &QAction::triggered, this, [this, w = QPointer<QMdiSubWindow>(w)] {
            if (w) area_->setActiveSubWindow(w);
        });
    }
}

void MainWindow::mergeChildMenus(QMdiSubWindow* active) {
    ChildWindow* child = active ? qobject_cast<ChildWindow*>(active->widget()) : nullptr;
    if (child == activeChild_.data()) {
        commands_->action("WindowClose1")->setEnabled(active != nullptr);
        return;
    }
    if (activeChild_) activeChild_->setActiveChild(false);
    for (QAction* a : mergedMenus_) menuBar()->removeAction(a);
    mergedMenus_.clear();
    activeChild_ = child;
    if (child) {
        for (QMenu* m : child->childMenus()) {
            menuBar()->insertAction(reportsMenuAction_, m->menuAction());
            mergedMenus_ << m->menuAction();
        }
        // A minimised window does not hold its command disabled: choosing the command is
        // how the user gets it back.
        child->setActiveChild(!active->isMinimized());
        if (!active->property("stateWatched").toBool()) {
            active->setProperty("stateWatched", true);
            connect(
                active, &QMdiSubWindow::windowStateChanged, child,
                [this, active, child](Qt::WindowStates before, Qt::WindowStates now) {
                    bool was = before & Qt::WindowMinimized, is = now & Qt::WindowMinimized;
                    if (was != is && activeChild_ == child && area_->activeSubWindow() == active)
                        child->setActiveChild(!is);
                });
        }
    }
    commands_->action("WindowClose1")->setEnabled(active != nullptr);
}

QString MainWindow::statusText(int panel) const {
    return status_[panel]->text();
}

void MainWindow::refreshCaption() {
    bool ro = (readOnly && readOnly()) || ws_.fileReadOnly();
    setWindowTitle(QString::fromStdString(mainCaption(ws_.title(), ws_.currentFile(), ro)));
    status_[0]->setText(QString("%1 rev %2").arg(kAppTitle, kRevision));
    status_[1]->setText(userName ? userName() : QString());
    status_[2]->setText(QString::fromStdString(ws_.currentFile()));
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == kAppCmdEvent) {
        auto* r = static_cast<RequestEvent*>(e);
        try {
            commands_->handleRequest(r->code(), r->arg());
        } catch (const std::exception& ex) {
            dialogs().showError(ex.what());
        }
        return true;
    }
    return QMainWindow::event(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    // Closing the workspace closes every child first and may ask to save; a save that the
    // user asked for and that failed keeps the program open, so nothing is lost.
    if (ws_.connected() && !ws_.close()) {
        e->ignore();
        return;
    }
    e->accept();
}

}  // namespace vexa
