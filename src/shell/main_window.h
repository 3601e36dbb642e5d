#pragma once
// TfrmMain: the frame of the application. Menus, tool bar and status bar are built from
// the command module's actions; child windows' menus are merged in while they are active.
#include <QLabel>
#include <QMainWindow>
#include <QMdiArea>
#include <QPointer>

#include "shell/command_module.h"

namespace vexa {

class WorkspaceService;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(WorkspaceService& ws, QWidget* parent = nullptr);
    CommandModule& commands() { return *commands_; }
    QMdiArea* mdiArea() const { return area_; }
    QMenu* menu(const QString& title) const;
    QString statusText(int panel) const;
    void refreshCaption();
    // The user name shown in the status bar and the about window.
    std::function<QString()> userName;
    std::function<QString()> company;
    std::function<bool()> readOnly;

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void buildMenus();
    void mergeChildMenus(QMdiSubWindow* active);
    void fillWindowMenu();

    WorkspaceService& ws_;
    QMdiArea* area_;
    CommandModule* commands_;
    QList<QMenu*> topMenus_;
    QMenu* windowMenu_ = nullptr;
    QAction* reportsMenuAction_ = nullptr;
    QList<QAction*> mergedMenus_;
    QPointer<ChildWindow> activeChild_;
    QLabel* status_[3];
};

}  // namespace vexa
