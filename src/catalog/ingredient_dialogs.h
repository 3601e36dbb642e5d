#pragma once
// TfrmEdIns (name, rounding factor, type shown) and TfrmSaveIns (a new ingredient from a
// formula's or mix's result: name and rounding factor).
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QSpinBox>
#include <optional>

#include "catalog/ingredient_list.h"

namespace vexa {

class IngredientDialog : public QDialog {
    Q_OBJECT
public:
    IngredientDialog(IngredientList& list, QWidget* parent = nullptr);
    void accept() override;
    QLineEdit* name;
    QSpinBox* rounding;
    QComboBox* type;

private:
    IngredientList& list_;
};

class SaveIngredientDialog : public QDialog {
    Q_OBJECT
public:
    explicit SaveIngredientDialog(const IngredientEdit& preset, QWidget* parent = nullptr);
    IngredientEdit values() const;
    // Shows the dialog; the values when the user pressed OK.
    static std::optional<IngredientEdit> ask(const IngredientEdit& preset, QWidget* parent);
    QLineEdit* name;
    QSpinBox* rounding;
};

}  // namespace vexa
