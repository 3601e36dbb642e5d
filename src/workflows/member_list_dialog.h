#pragma once
// TfrmListaI / TfrmListaN: the group's ingredients or nutrients, marked in a list of all of
// them.
#include <QAbstractTableModel>
#include <QDialog>
#include <QPushButton>
#include <QTableView>

#include "workflows/member_list.h"

namespace vexa {

class MemberListDialog : public QDialog {
    Q_OBJECT
public:
    // Read-only: the members are shown, nothing can be marked or saved.
    MemberListDialog(MemberList& list, bool readOnly, QWidget* parent = nullptr);
    QTableView* grid() const { return grid_; }
    QPushButton* selectAllButton;
    QPushButton* clearAllButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
    void accept() override;
    void refresh();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void toggleCurrent(int row);
    MemberList& list_;
    QAbstractTableModel* model_;
    QTableView* grid_;
    bool readOnly_;
};

}  // namespace vexa
