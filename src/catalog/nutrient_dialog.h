#pragma once
// TfrmEdNut: name, unit and type of one nutrient.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

#include "catalog/nutrient_list.h"

namespace vexa {

class NutrientDialog : public QDialog {
    Q_OBJECT
public:
    NutrientDialog(NutrientList& list, QWidget* parent = nullptr);
    void accept() override;
    QLineEdit* name;
    QLineEdit* unit;
    QComboBox* type;

private:
    NutrientList& list_;
};

}  // namespace vexa
