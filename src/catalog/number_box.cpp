#include "catalog/number_box.h"

#include <QFocusEvent>

#include "catalog/dialogs.h"
#include "catalog/number_text.h"

namespace vexa {

NumberBox::NumberBox(QWidget* parent) : QDoubleSpinBox(parent) {
    setGroupSeparatorShown(false);
    // The value changes when the user leaves the field or accepts, not at every key: a text
    // refused on the way out goes back to the value the field had before.
    setKeyboardTracking(false);
}

std::optional<std::string> NumberBox::problem() const {
    UserNumber n = parseUserNumber(cleanText(), locale());
    if (!n.value) return n.error;
    if (*n.value < minimum() || *n.value > maximum())
        return "El número \"" + cleanText().toStdString() + "\" está fuera del rango permitido.";
    return std::nullopt;
}

QValidator::State NumberBox::validate(QString& input, int&) const {
    UserNumber n = parseUserNumber(input, locale());
    if (!n.value) return n.partial ? QValidator::Intermediate : QValidator::Invalid;
    if (*n.value < minimum() || *n.value > maximum()) return QValidator::Intermediate;
    return QValidator::Acceptable;
}

double NumberBox::valueFromText(const QString& text) const {
    return parseUserNumber(text, locale()).value.value_or(value());
}

QString NumberBox::textFromValue(double v) const {
    return formatUserNumber(v, decimals(), locale());
}

void NumberBox::fixup(QString&) const {
    // Nothing is guessed: a text that is not a number stays refused.
}

IntegerBox::IntegerBox(QWidget* parent) : QSpinBox(parent) {
    setGroupSeparatorShown(false);
}

QValidator::State IntegerBox::validate(QString& input, int&) const {
    UserNumber n = parseUserNumber(input, locale());
    if (!n.value) return n.partial ? QValidator::Intermediate : QValidator::Invalid;
    if (*n.value != static_cast<double>(static_cast<long long>(*n.value)))
        return QValidator::Intermediate;
    if (*n.value < minimum() || *n.value > maximum()) return QValidator::Intermediate;
    return QValidator::Acceptable;
}

int IntegerBox::valueFromText(const QString& text) const {
    UserNumber n = parseUserNumber(text, locale());
    return n.value ? static_cast<int>(*n.value) : value();
}

QString IntegerBox::textFromValue(int v) const {
    return formatUserNumber(v, 0, locale());
}

void NumberBox::focusOutEvent(QFocusEvent* e) {
    // Qt puts the previous value back; the user is told why their text was not taken. Not
    // when the dialog itself goes away (Escape): nothing is being stored then.
    const Qt::FocusReason r = e->reason();
    const bool userMoved = r == Qt::TabFocusReason || r == Qt::BacktabFocusReason ||
                           r == Qt::MouseFocusReason || r == Qt::ShortcutFocusReason;
    if (auto why = problem(); userMoved && why && !cleanText().trimmed().isEmpty())
        dialogs().showError(*why);
    QDoubleSpinBox::focusOutEvent(e);
}

}  // namespace vexa
