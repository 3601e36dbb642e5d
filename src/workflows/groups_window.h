#pragma once
// TfrmCat ("Grupos"): the groups edited in the grid, with the buttons that open a group's
// member lists, its formulas and its manual mixes.
#include <QPushButton>

#include "catalog/list_window.h"
#include "workflows/group_list.h"
#include "workflows/member_list.h"

namespace vexa {

class GroupsWindow : public ListWindow {
    Q_OBJECT
public:
    GroupsWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    GroupList& groups() { return logic_; }
    void updateActions() override;
    // "Nutrientes" / "Insumos": the member list of the current group.
    void editMembers(MemberList::Kind kind);
    QPushButton* nutrientsButton = nullptr;
    QPushButton* ingredientsButton = nullptr;
    QPushButton* formulasButton = nullptr;
    QPushButton* mixesButton = nullptr;
    QPushButton* ratiosButton = nullptr;  // the group's ratios (ER)

protected:
    void onDoubleClick() override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void editName();
    bool later(std::function<void()> write);
    GroupList logic_;
};

}  // namespace vexa
