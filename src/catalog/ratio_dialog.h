#pragma once
// The name of one ratio and its first and second nutrient, chosen from the nutrients.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>

#include "catalog/ratio_list.h"

namespace vexa {

class RatioDialog : public QDialog {
    Q_OBJECT
public:
    RatioDialog(RatioList& list, QWidget* parent = nullptr);
    void accept() override;
    QLineEdit* name;
    QComboBox *nut1, *nut2;

private:
    RatioList& list_;
};

}  // namespace vexa
