#pragma once
// TfrmNut: the nutrients window.
#include "catalog/list_window.h"
#include "catalog/nutrient_list.h"

namespace vexa {

class NutrientsWindow : public ListWindow {
    Q_OBJECT
public:
    NutrientsWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    NutrientList& nutrients() { return logic_; }
    void updateActions() override;

private:
    NutrientList logic_;
    std::map<int, QString> typeNames_;
};

}  // namespace vexa
