#pragma once
// The number field of every dialog: a spin box that reads what the user types with
// parseUserNumber and shows numbers as the user's locale writes them. Text that is not a
// number is refused with a message (through the dialogs interface) when the user leaves the
// field, and the field keeps its previous value.
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <optional>
#include <string>

namespace vexa {

class NumberBox : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit NumberBox(QWidget* parent = nullptr);
    // Why the text now in the field is not a number; nullopt when it is one in range.
    std::optional<std::string> problem() const;

    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;
    QString textFromValue(double value) const override;
    void fixup(QString& input) const override;

protected:
    void focusOutEvent(QFocusEvent* e) override;
};

// The same reading for whole numbers (the rounding factor): a decimal part is refused.
class IntegerBox : public QSpinBox {
    Q_OBJECT
public:
    explicit IntegerBox(QWidget* parent = nullptr);
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    QString textFromValue(int value) const override;
};

}  // namespace vexa
