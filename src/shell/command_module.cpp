#include "shell/command_module.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSet>

#include "catalog/click_sound.h"
#include "catalog/dialogs.h"
#include "catalog/qt_dialogs.h"
#include "catalog/requests.h"
#include "shell/command_table.h"
#include "shell/companions.h"
#include "shell/help_guide.h"
#include "catalog/mdi_tiling.h"
#include "shell/workspace_service.h"

namespace vexa {

namespace {

// Which command opens each window kind, and which activation code disables which command.
const QMap<QString, WindowKind>& windowCommands() {
    static const QMap<QString, WindowKind> m = {
        {"acNut", WindowKind::Nut},   {"acIns", WindowKind::Ins},     {"acCat", WindowKind::Groups},
        {"acPrec", WindowKind::ValN}, {"acFor", WindowKind::For},     {"acCN", WindowKind::Vals},
        {"acCN1", WindowKind::Vals},  {"acCxN", WindowKind::ValN},    {"acLR", WindowKind::LR},
        {"acMM", WindowKind::MM},     {"acMMI", WindowKind::MManual}, {"acRel", WindowKind::Rel},
    };
    return m;
}

QString activationCommand(int code) {
    switch (code) {
        case kActNut:
            return "acNut";
        case kActIns:
            return "acIns";
        case kActVals:
            return "acCN";
        case kActCat:
            return "acCat";
        case kActLR:
            return "acFor";
        case kActValN:
            return "acCxN";
        case kActMM:
            return "acMM";
        case kActRel:
            return "acRel";
    }
    return {};
}

// Main commands that change data; off in read-only mode.
const QSet<QString>& readOnlyDisabled() {
    static const QSet<QString> s = {"acNuevo", "acBDE"};
    return s;
}

}  // namespace

CommandModule::CommandModule(WorkspaceService& ws, QMainWindow* main, QMdiArea* area)
    : QObject(main), ws_(ws), main_(main), area_(area) {
    programFolder = QCoreApplication::applicationDirPath();
    createActions();
    updateAvailability();
}

CommandModule::~CommandModule() = default;

void CommandModule::createActions() {
    for (const CommandSpec& c : commandTable()) {
        QString name = c.name;
        auto* a = new QAction(QString::fromUtf8(c.caption), this);
        a->setObjectName(name);
        if (*c.shortcut) a->setShortcut(QKeySequence(c.shortcut));
        a->setToolTip(*c.hint ? QString::fromUtf8(c.hint)
                              : QString::fromUtf8(c.caption).remove('&'));
        a->setStatusTip(QString::fromUtf8(c.hint));
        a->setData(c.tag);
        connect(a, &QAction::triggered, this, [this, name] { run(name); });
        actions_.insert(name, a);
    }
    // Both carry Ctrl+F; only the formulas list keeps it, as the menu shows.
    actions_["acFor"]->setShortcut({});

    handlers_["acSalir"] = [this] { main_->close(); };
    handlers_["acChgDB"] = [] {};
    // Caption and status bar show the file the workspace is in now, whatever happened.
    handlers_["acAbrir"] = [this] {
        ws_.openWithDialog();
        emit captionRefresh();
    };
    handlers_["acNuevo"] = [this] {
        ws_.createWithDialog();
        emit captionRefresh();
    };
    handlers_["acGuardar"] = [this] { ws_.save(); };
    handlers_["acGuardarcomo"] = [this] {
        ws_.saveAs();
        emit captionRefresh();
    };
    handlers_["acImport"] = [this] { acImportExecute(); };
    handlers_["acLotes"] = [this] { acLotesExecute(); };
    handlers_["WindowCascade1"] = [this] { area_->cascadeSubWindows(); };
    handlers_["WindowTileHorizontal1"] = [this] { tile(false); };
    handlers_["WindowTileVertical1"] = [this] { tile(true); };
    handlers_["WindowClose1"] = [this] {
        if (auto* w = area_->activeSubWindow()) w->close();
    };
    handlers_["WindowArrange1"] = [this] {
        // Minimised windows line up along the bottom edge.
        int x = 0;
        for (QMdiSubWindow* w : area_->subWindowList()) {
            if (!w->isMinimized()) continue;
            w->move(x, area_->viewport()->height() - w->height());
            x += w->width();
        }
    };
    handlers_["WindowMinimizeAll1"] = [this] {
        for (QMdiSubWindow* w : area_->subWindowList()) w->showMinimized();
    };
    handlers_["HelpContents1"] = [this] { openHelp(programFolder, HelpPage::Contents); };
    handlers_["HelpTopicSearch1"] = [this] { openHelp(programFolder, HelpPage::TopicSearch); };
    handlers_["HelpOnHelp1"] = [this] { openHelp(programFolder, HelpPage::HelpOnHelp); };
}

void CommandModule::setHandler(const QString& name, std::function<void()> fn) {
    handlers_[name] = std::move(fn);
    updateAvailability();
}

void CommandModule::run(const QString& name) {
    SonidoClic();
    try {
        execute(name);
    } catch (const std::exception& e) {
        dialogs().showError(e.what());
    }
}

void CommandModule::execute(const QString& name) {
    auto h = handlers_.find(name);
    if (h != handlers_.end()) {
        (*h)();
        return;
    }
    if (QAction* a = actions_.value(name)) acCatExecute(a->data().toInt());
}

void CommandModule::acCatExecute(int tag) {
    switch (tag) {
        case 0:
            openOrActivate(WindowKind::Nut);
            break;
        case 1:
            openOrActivate(WindowKind::Ins);
            break;
        case 2:
            openOrActivate(WindowKind::Groups);
            break;
        case 4:
            // -1: price items only, the workspace's price item selected.
            if (ChildWindow* w = openOrActivate(WindowKind::ValN)) w->selectItem(-1);
            break;
        case 5:
            openOrActivate(WindowKind::For);
            break;
        case 6:
            openOrActivate(WindowKind::Vals);
            break;
        case 7:
            openOrActivate(WindowKind::ValN);
            break;
        case 8:
            openOrActivate(WindowKind::LR);
            break;
        case 12:
            openOrActivate(WindowKind::MM);
            break;
        case 13:
            openOrActivate(WindowKind::MManual);
            break;
        case 14:
            openOrActivate(WindowKind::Rel);
            break;
        default:
            break;  // 10 does nothing
    }
}

void CommandModule::registerWindow(WindowKind kind, Factory factory) {
    factories_[kind] = std::move(factory);
    updateAvailability();
}

void CommandModule::updateAvailability() {
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        const QString& name = it.key();
        bool available;
        if (windowCommands().contains(name))
            available = factories_.contains(windowCommands()[name]);
        else
            available = handlers_.contains(name);
        // Read-only mode allows no change of any kind: no new (empty, unusable) workspace and
        // no tool that writes values. The properties dialog still opens, to be read.
        if (ws_.readOnly() && readOnlyDisabled().contains(name)) available = false;
        it.value()->setEnabled(available && !disabledByActivation_.value(name));
    }
    actions_["WindowClose1"]->setEnabled(area_ && area_->activeSubWindow());
}

ChildWindow* CommandModule::slot(WindowKind kind) const {
    return slots_.value(kind).data();
}

QMdiSubWindow* CommandModule::frameOf(ChildWindow* w) const {
    for (QMdiSubWindow* s : area_->subWindowList())
        if (s->widget() == w) return s;
    return nullptr;
}

ChildWindow* CommandModule::openOrActivate(WindowKind kind) {
    ChildWindow* w = slot(kind);
    if (!w) {
        auto f = factories_.find(kind);
        if (f == factories_.end()) return nullptr;
        w = (*f)();
        if (!w) return nullptr;
        slots_[kind] = w;
        QMdiSubWindow* frame = area_->addSubWindow(w);
        frame->setAttribute(Qt::WA_DeleteOnClose);
        frame->setWindowIcon(main_->windowIcon());
        frame->showMaximized();
        area_->setActiveSubWindow(frame);
        return w;
    }
    QMdiSubWindow* frame = frameOf(w);
    if (!frame) return w;
    if (frame->isMinimized())
        frame->showMaximized();
    else
        frame->show();
    frame->raise();
    area_->setActiveSubWindow(frame);
    return w;
}

void CommandModule::setActivation(int code, bool enable) {
    QString name = activationCommand(code);
    if (name.isEmpty()) return;
    disabledByActivation_[name] = !enable;
    updateAvailability();
}

void CommandModule::broadcast(int code, qint64 arg) {
    QList<QMdiSubWindow*> list = area_->subWindowList(QMdiArea::CreationOrder);
    for (int i = list.size() - 1; i >= 0; --i) {
        if (!list[i]) continue;
        if (auto* w = qobject_cast<ChildWindow*>(list[i]->widget())) {
            RequestEvent e(kChildCmdEvent, code, arg);
            QCoreApplication::sendEvent(w, &e);
        }
        QCoreApplication::processEvents();
        list = area_->subWindowList(QMdiArea::CreationOrder);
        if (i > list.size()) i = list.size();
    }
}

void CommandModule::closeAllChildren() {
    if (closeSharedTables) closeSharedTables();
    // A request handled between two closes may open a window (the formulas window of the
    // start-up): it must not outlive the workspace either.
    for (int pass = 0; pass < 3; ++pass) {
        QList<QMdiSubWindow*> list = area_->subWindowList(QMdiArea::CreationOrder);
        if (list.isEmpty()) break;
        for (int i = list.size() - 1; i >= 0; --i) {
            QPointer<QMdiSubWindow> w = list[i];
            if (w) w->close();
            QCoreApplication::processEvents();
        }
        // Closed windows free themselves at the next turn of the loop; the slots must not wait.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    slots_.clear();
    disabledByActivation_.clear();
    updateAvailability();
}

void CommandModule::tile(bool vertical) {
    QList<QMdiSubWindow*> list;
    for (QMdiSubWindow* w : area_->subWindowList(QMdiArea::ActivationHistoryOrder))
        if (!w->isMinimized()) list.prepend(w);
    std::vector<QRect> rects = tileRects(list.size(), area_->viewport()->rect(), vertical);
    for (int i = 0; i < list.size(); ++i) {
        list[i]->showNormal();
        list[i]->setGeometry(rects[i]);
    }
}

void CommandModule::handleRequest(int code, qint64 arg) {
    switch (code) {
        case kAppRefreshCaption:
            emit captionRefresh();
            break;
        case kAppStartupDone:
            postRequest(main_, kAppCmdEvent, kAppRefreshCaption, 0);
            postRequest(main_, kAppCmdEvent, kAppOpenFormulas, -1);
            break;
        case kAppBringToFront:
            if (main_->isMinimized()) main_->showNormal();
            main_->raise();
            main_->activateWindow();
            break;
        case kAppImportDone:
            importHandOff();
            break;
        case kAppActivation:
            setActivation(lowHalf(arg), highHalf(arg) != 0);
            break;
        case kAppWindowClosed:
            for (auto it = slots_.begin(); it != slots_.end();) {
                if (!it.value() || it.value()->reference() == arg)
                    it = slots_.erase(it);
                else
                    ++it;
            }
            updateAvailability();
            break;
        case kAppOpenFormulas:
            if (ChildWindow* w = openOrActivate(WindowKind::LR); w && arg != -1) w->selectItem(arg);
            break;
        case kAppOpenMixList:
            if (ChildWindow* w = openOrActivate(WindowKind::MM)) w->selectItem(arg);
            break;
        case kAppShowIngredientValues:
            if (ChildWindow* w = openOrActivate(WindowKind::Vals)) w->selectItem(arg);
            break;
        case kAppCloseAll:
            closeAllChildren();
            break;
        case kAppOpenFormula:
            if (openFormula) openFormula(lowHalf(arg), highHalf(arg));
            break;
        case kAppRefreshWindow:
            if (arg == 1) {
                if (ChildWindow* w = slot(WindowKind::Ins)) w->refreshInfo();
            } else if (arg == kRefreshValues) {
                broadcast(kChildValuesChanged);
            } else if (arg == 3 || arg == 4) {
                // The formulas window reads its counts and its group box again alike.
                if (ChildWindow* w = slot(WindowKind::LR)) w->refreshInfo();
                if (arg == 3 && refreshWindow) refreshWindow(3);
            } else if (refreshWindow) {
                refreshWindow(static_cast<int>(arg));
            }
            break;
        case kAppOpenMix:
            if (openMix) openMix(lowHalf(arg), highHalf(arg));
            break;
        case kAppBeforeSave:
            broadcast(kChildBeforeSave);
            break;
        case kAppLeaveSideBySide:
            broadcast(kChildLeaveSideBySide);
            break;
        case kAppFollowIngredient:
            if (ChildWindow* w = slot(WindowKind::Vals)) w->selectItem(arg);
            break;
        case kAppSelectNutrient:
            if (ChildWindow* w = openOrActivate(WindowKind::ValN)) w->selectItem(arg);
            break;
        default:
            break;
    }
}

void CommandModule::acImportExecute() {
    // Without the block the converter still runs; it just cannot hand back.
    share_.create(static_cast<std::uint32_t>(main_->winId()));
    QString program = findCompanion(programFolder, "kel2db");
    if (program.isEmpty()) throw std::runtime_error("No existe el programa kel2db.Exe");
    companionLauncher()(program, {});
}

void CommandModule::importHandOff() {
    handleRequest(kAppBringToFront, 0);
    QString file = share_.importedFile();
    bool offer = share_.offerToOpen();
    share_.release();
    if (offer && dialogs().askYesNo("Se ha importado el archivo '" + file.toStdString() +
                                    "'. ¿Desea abrir este archivo?")) {
        ws_.open(file.toStdString());
    }
}

void CommandModule::openHandedOver(const QString& file) {
    QMetaObject::invokeMethod(
        this,
        [this, file] {
            // A file handed over while a question or a message is up waits for it to close,
            // so that one open never starts inside another.
            if (QApplication::activeModalWidget()) {
                QTimer::singleShot(200, this, [this, file] { openHandedOver(file); });
                return;
            }
            handleRequest(kAppBringToFront, 0);
            if (QFileInfo(file) == QFileInfo(QString::fromStdString(ws_.currentFile()))) return;
            try {
                ws_.open(file.toStdString());
            } catch (const std::exception& e) {
                dialogs().showError(e.what());
            }
            emit captionRefresh();
        },
        Qt::QueuedConnection);
}

void CommandModule::acLotesExecute() {
    QString program = findCompanion(programFolder, "Lotexa");
    if (program.isEmpty()) throw std::runtime_error("No existe el programa Lotexa.Exe");
    if (!dialogs().askYesNo("Esta operación cerrará la aplicación. ¿Desea terminar la sesión?"))
        return;
    // The workspace is closed (with its save question) before the utility starts: the utility
    // then reads the file as the user chose to leave it, and a Cancel starts nothing.
    const QString file = QString::fromStdString(ws_.currentFile());
    if (ws_.connected() && !ws_.close()) return;
    // One argument: the workspace path, kept whole whatever spaces it holds.
    companionLauncher()(program, {file});
    emit quitRequested();
}

}  // namespace vexa
