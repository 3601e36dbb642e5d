#pragma once
// The list of manual mixes of a group (TfrmMM) with its new-mix dialog (TfrmEdMM).
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <optional>

#include "catalog/list_window.h"
#include "workflows/mix_list.h"

namespace vexa {

// "Insertar mezcla manual".
class NewMixDialog : public QDialog {
    Q_OBJECT
public:
    NewMixDialog(const std::string& preset, bool enMS, bool showBasis, QWidget* parent = nullptr);
    static std::optional<NewMixAnswer> ask(const std::string& preset, bool enMS, bool showBasis,
                                           QWidget* parent);
    QLineEdit* name;
    QComboBox* basis;  // "Base Fresca", "Base Seca"; hidden unless the group mixes dry
};

class MixListWindow : public ListWindow {
    Q_OBJECT
public:
    MixListWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    MixList& mixes() { return logic_; }
    QComboBox* groupBox() const { return groupBox_; }
    // Request 9: the mixes of that group.
    void selectItem(qint64 code) override;
    // Request 17 with 11.
    void refreshInfo() override;
    void updateActions() override;

protected:
    void onDoubleClick() override;

private:
    void fillGroupBox();
    MixList logic_;
    QComboBox* groupBox_;
};

}  // namespace vexa
