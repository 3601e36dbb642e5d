#pragma once
// TfrmEditRI and TfrmEditRN (the limits of one restriction), TfrmSug (the relaxations of an
// infeasible run) and TfrmSelFor (the formula to copy restrictions from).
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <optional>
#include <utility>
#include <vector>

#include "catalog/number_box.h"
#include "store/formula_editor_queries.h"
#include "workflows/formula_editor.h"

namespace vexa {

class IngredientRestrictionDialog : public QDialog {
    Q_OBJECT
public:
    IngredientRestrictionDialog(const std::string& name, double min, double max, double limit,
                                QWidget* parent = nullptr);
    void accept() override;
    static std::optional<std::pair<double, double>> ask(const std::string& name, double min,
                                                        double max, double limit, QWidget* parent);
    NumberBox *minBox, *maxBox;
};

// The nutrient fields may be empty (no limit), so they are text fields read as the user's
// numbers.
class NutrientRestrictionDialog : public QDialog {
    Q_OBJECT
public:
    NutrientRestrictionDialog(const std::string& name, std::optional<double> min,
                              std::optional<double> max, QWidget* parent = nullptr);
    void accept() override;
    std::optional<double> minimum() const;
    std::optional<double> maximum() const;
    static std::optional<std::pair<std::optional<double>, std::optional<double>>> ask(
        const std::string& name, std::optional<double> min, std::optional<double> max,
        QWidget* parent);
    QLineEdit *minEdit, *maxEdit;
};

class SuggestionsDialog : public QDialog {
    Q_OBJECT
public:
    SuggestionsDialog(const std::vector<SuggestionLine>& lines, QWidget* parent = nullptr);
    static bool ask(const std::vector<SuggestionLine>& lines, QWidget* parent);
    QTableWidget* table;
    QPushButton *change, *leave;
};

class FormulaChooser : public QDialog {
    Q_OBJECT
public:
    FormulaChooser(const std::vector<FormulaChoice>& list, QWidget* parent = nullptr);
    int chosen() const;
    static int ask(const std::vector<FormulaChoice>& list, QWidget* parent);
    QTableWidget* table;

private:
    std::vector<FormulaChoice> list_;
};

}  // namespace vexa
