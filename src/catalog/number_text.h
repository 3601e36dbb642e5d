#pragma once
// The one reading of a number the user typed, shared by every number field (grids, dialogs,
// batch, mix, electrolyte balance, settings):
// - the locale's decimal separator is the decimal separator;
// - the locale's group separator between groups of exactly three digits is a thousands
//   separator ("1.000" is 1000 and "1.234,5" is 1234.5 in Spain, "1,000" is 1000 in Mexico);
// - otherwise a single "." or "," that is not the locale's decimal separator, with no other
//   separator beside it, is read as a decimal separator ("1.5" is 1.5 in Spain), and the
//   field shows the number back in the locale's form at once;
// - a text that still reads two ways is refused with a message that shows both readings.
#include <QLocale>
#include <QString>
#include <optional>
#include <string>

namespace vexa {

struct UserNumber {
    std::optional<double> value;  // set when the text is a number
    std::string error;            // otherwise why not, for the user
    // The text could still become a number as the user goes on typing ("", "-", "1,").
    bool partial = false;
    // Read with a separator other than the locale's decimal one: the field should show the
    // number back in the locale's form so the user sees what was understood.
    bool reinterpreted = false;
};

UserNumber parseUserNumber(const QString& text, const QLocale& locale = QLocale());

// A number as the user reads it: their decimal separator, no thousands separator.
QString formatUserNumber(double v, int decimals, const QLocale& locale = QLocale());

// The locale's decimal separator, the character the keypad's decimal key types.
QChar localeDecimal(const QLocale& locale = QLocale());

}  // namespace vexa
