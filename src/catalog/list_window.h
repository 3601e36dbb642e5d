#pragma once
// The widget side of every catalogue list: header strip, grid, side panel of record
// buttons, record navigator, the "Registro" menu and the record commands. What the
// commands do lives in the window's RecordList.
#include <QAction>
#include <QHBoxLayout>
#include <QMap>
#include <QTableView>
#include <functional>

#include "catalog/child_window.h"
#include "catalog/record_model.h"

class QToolButton;

namespace vexa {

class ListWindow : public ChildWindow {
    Q_OBJECT
public:
    ListWindow(const QString& caption, const QString& header, RecordList& list,
               std::vector<GridColumn> columns, QWidget* parent = nullptr);

    QAction* action(const QString& name) const { return actions_.value(name); }
    QTableView* grid() const { return grid_; }
    RecordModel* model() const { return model_; }
    RecordList& list() const { return list_; }
    QMenu* recordMenu() const { return recordMenu_; }
    QWidget* sidePanel() const { return side_; }

    void setActiveChild(bool active) override;
    void childRequest(int code, qint64 arg) override;
    // Enabled state of every record command from the list's state.
    virtual void updateActions();
    // Plays the click, runs the command, shows its error and goes on.
    void runCommand(const std::function<void()>& fn);
    // "Exportar a MS Excel": returns the written file, empty on failure (already shown).
    QString exportToExcel();
    // Hides a record command everywhere (menu, side panel).
    void hideAction(const QString& name);
    // The searchable fields as the search dialog offers them.
    std::vector<std::string> searchFieldTitles() const;

protected:
    // The list is a member of the concrete window, built after this base: the window
    // binds it once it exists.
    void bindList();
    QAction* addCommand(const QString& name, const QString& caption, const QString& shortcut,
                        const QString& hint, const std::function<void()>& fn);
    void addSideButton(QAction* a);
    void closeEvent(QCloseEvent* e) override;
    virtual void onDoubleClick();
    virtual void onRowClicked(int row) { (void)row; }
    void syncFromList();

    RecordList& list_;
    RecordModel* model_;
    QTableView* grid_;
    QWidget* side_;
    QVBoxLayout* sideLayout_;
    QHBoxLayout* middle_;
    QMenu* recordMenu_;
    QLabel* position_;
    QMap<QString, QAction*> actions_;
    bool syncing_ = false;
    int lastSortColumn_ = -1;
    bool lastSortDesc_ = false;
};

}  // namespace vexa
