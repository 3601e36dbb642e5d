#pragma once
// TfrmIns: the ingredients window, alone or side by side with the values of the current
// ingredient.
#include "catalog/ingredient_list.h"
#include "catalog/list_window.h"

namespace vexa {

class IngredientsWindow : public ListWindow {
    Q_OBJECT
public:
    IngredientsWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    IngredientList& ingredients() { return logic_; }
    void updateActions() override;
    void childRequest(int code, qint64 arg) override;
    void setActiveChild(bool active) override;
    void refreshInfo() override { logic_.ActualizarInfo(); }
    void verContenido();
    void setSideBySide(bool on);
    bool sideBySide() const { return sideBySide_; }

protected:
    void onDoubleClick() override;
    void onRowClicked(int row) override;
    void closeEvent(QCloseEvent* e) override;

private:
    IngredientList logic_;
    QWidget* strip_;
    bool sideBySide_ = false;
};

}  // namespace vexa
