#pragma once
// "Relaciones": the catalogue of named ratios between two nutrients.
#include "catalog/list_window.h"
#include "catalog/ratio_list.h"

namespace vexa {

class RatiosWindow : public ListWindow {
    Q_OBJECT
public:
    RatiosWindow(Database& db, Tdm& dm, RequestSink& requests, QWidget* parent = nullptr);
    RatioList& ratios() { return logic_; }

private:
    RatioList logic_;
};

}  // namespace vexa
