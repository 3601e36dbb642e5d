#pragma once
// TfrmLR ("Fórmulas"): the group box above the formulas of the group.
#include <QComboBox>

#include "catalog/list_window.h"
#include "workflows/formula_list.h"

namespace vexa {

class FormulasWindow : public ListWindow {
    Q_OBJECT
public:
    FormulasWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    FormulaList& formulas() { return logic_; }
    QComboBox* groupBox() const { return groupBox_; }
    // Request 8: the formulas of that group; -1 keeps the group shown.
    void selectItem(qint64 code) override;
    // Request 17 with 4 (ActualizarInfo), and with 3 (the groups changed): the counts and the
    // group box are read again.
    void refreshInfo() override;
    void updateActions() override;

protected:
    void onDoubleClick() override;

private:
    void fillGroupBox();
    FormulaList logic_;
    QComboBox* groupBox_;
};

// "Ultima formulación" as the user reads dates; empty when never formulated.
QString formulationTime(const std::string& stored);

}  // namespace vexa
