#pragma once
// TfrmEditVI (one value) and the choice dialogs TfrmInsNut / TfrmInsIns.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableWidget>

#include "catalog/number_box.h"
#include "catalog/value_entry.h"

namespace vexa {

class ValueDialog : public QDialog {
    Q_OBJECT
public:
    ValueDialog(const ValueEntry& e, QWidget* parent = nullptr);
    void accept() override;
    ValueAnswer answer() const;
    static std::optional<ValueAnswer> ask(const ValueEntry& e, QWidget* parent);
    NumberBox* value;
    QRadioButton *fresh, *dry;
};

class ChoiceDialog : public QDialog {
    Q_OBJECT
public:
    ChoiceDialog(const ChoiceSpec& spec, const std::vector<Candidate>& list,
                 QWidget* parent = nullptr);
    std::vector<int> checkedCodes() const;
    static std::vector<int> ask(const ChoiceSpec& spec, const std::vector<Candidate>& list,
                                QWidget* parent);
    QLineEdit* typed;
    QTableWidget* table;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    std::vector<Candidate> list_;
};

}  // namespace vexa
