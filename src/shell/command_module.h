#pragma once
// TdmMix: the main commands, the window slots with the open-or-activate rule, and the
// requests that child windows and companion programs post to the main window.
#include <QAction>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

#include "catalog/child_window.h"
#include "catalog/request_event.h"
#include "shell/share_import.h"

class QMainWindow;
class QMdiArea;
class QMdiSubWindow;

namespace vexa {

class WorkspaceService;

enum class WindowKind { Groups, Vals, Ins, Nut, ValN, LR, MM, For, MManual, Rel };

class CommandModule : public QObject {
    Q_OBJECT
public:
    CommandModule(WorkspaceService& ws, QMainWindow* main, QMdiArea* area);
    ~CommandModule() override;

    QAction* action(const QString& name) const { return actions_.value(name); }
    const QMap<QString, QAction*>& actions() const { return actions_; }

    // A command of a later window or dialog gets its handler; it is enabled from then on.
    void setHandler(const QString& name, std::function<void()> fn);
    using Factory = std::function<ChildWindow*()>;
    // A window kind becomes available: its commands are enabled.
    void registerWindow(WindowKind kind, Factory factory);
    ChildWindow* openOrActivate(WindowKind kind);
    ChildWindow* slot(WindowKind kind) const;
    QMdiSubWindow* frameOf(ChildWindow* w) const;

    // Handlers of requests that belong to later windows (formula and mix editors, refreshes).
    std::function<void(int formula, int group)> openFormula;
    std::function<void(int mix, int group)> openMix;
    std::function<void(int kind)> refreshWindow;
    std::function<void()> closeSharedTables;  // CerrarTablas

    void handleRequest(int code, qint64 arg);
    void broadcast(int code, qint64 arg = 0);
    void closeAllChildren();
    void tile(bool vertical);
    // Tiling direction the next plain "tile" uses (side-by-side mode sets vertical).
    bool tileVertical = true;

    // Commands with a behaviour of their own, public for the tests.
    void acImportExecute();
    void acLotesExecute();
    void importHandOff();
    // A later start of the program named this workspace file: come to the front and open it
    // (after the save question), once the current handler is done.
    void openHandedOver(const QString& file);
    QString programFolder;  // where the companion programs are looked for
    ShareImport& shareImport() { return share_; }

signals:
    void captionRefresh();
    void quitRequested();

private:
    void createActions();
    void run(const QString& name);
    void execute(const QString& name);
    void setActivation(int code, bool enable);
    void updateAvailability();
    void acCatExecute(int tag);

    WorkspaceService& ws_;
    QMainWindow* main_;
    QMdiArea* area_;
    QMap<QString, QAction*> actions_;
    QMap<WindowKind, Factory> factories_;
    QMap<WindowKind, QPointer<ChildWindow>> slots_;
    QMap<QString, bool> disabledByActivation_;
    QMap<QString, std::function<void()>> handlers_;
    ShareImport share_;
};

}  // namespace vexa
