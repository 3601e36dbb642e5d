#pragma once
// The one reading of a number the user typed, shared by every number field: the decimal
// separator of the user's locale, and the other one of "." and "," as a decimal separator
// too, so "1,85" and "1.85" are both 1.85 in any Spanish locale. A thousands separator is
// never read: a number with both "." and ",", or with a separator twice, is refused with a
// message instead of being read as something the user did not mean.
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
};

UserNumber parseUserNumber(const QString& text, const QLocale& locale = QLocale());

// A number as the user reads it: their decimal separator, no thousands separator.
QString formatUserNumber(double v, int decimals, const QLocale& locale = QLocale());

}  // namespace vexa
