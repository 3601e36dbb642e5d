#pragma once
// TfrmVals ("Ver contenido nutricional por insumo") and TfrmValN ("Ver valores por
// nutrientes"): a selector above the value rows of the selected item.
#include <QComboBox>

#include "catalog/list_window.h"
#include "catalog/value_lists.h"

namespace vexa {

class IngredientValuesWindow : public ListWindow {
    Q_OBJECT
public:
    IngredientValuesWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    IngredientValues& values() { return logic_; }
    QComboBox* selector() const { return selector_; }
    void selectItem(qint64 code) override;
    void childRequest(int code, qint64 arg) override;
    void setActiveChild(bool active) override;
    void updateActions() override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void fillSelector();
    void setSideBySide(bool on);
    IngredientValues logic_;
    QComboBox* selector_;
    QWidget* strip_;
    bool sideBySide_ = false;
};

class NutrientValuesWindow : public ListWindow {
    Q_OBJECT
public:
    NutrientValuesWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    NutrientValues& values() { return logic_; }
    QComboBox* selector() const { return selector_; }
    // A code selects that nutrient; -1 is the "&Precios" command: price items only, the
    // workspace's price item selected.
    void selectItem(qint64 code) override;
    void childRequest(int code, qint64 arg) override;
    void setActiveChild(bool active) override;
    void updateActions() override;
    bool priceMode() const { return priceMode_; }

private:
    void fillSelector();
    NutrientValues logic_;
    QComboBox* selector_;
    bool priceMode_ = false;
};

}  // namespace vexa
