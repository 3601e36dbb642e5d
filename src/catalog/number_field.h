#pragma once
// Number fields that are plain line edits (restriction limits, ratio terms, grid cells): the
// same reading as the number boxes, and the number shown back in the locale's form as soon
// as the user leaves a field whose text was read with another separator ("1.5" in Spain
// becomes "1,5000"). Also the keypad's decimal key, which types the locale's decimal
// separator in every field of the program.
#include <QString>

#include "catalog/number_text.h"

class QLineEdit;
class QCoreApplication;

namespace vexa {

// Reads the field; a number read with another separator is written back in the locale's form.
UserNumber readNumberField(QLineEdit* edit, int decimals);

// Shows the field's number back in the locale's form whenever the user leaves it.
void showNumberBack(QLineEdit* edit, int decimals);

// Every key event of the keypad's decimal key types the locale's decimal separator.
void installKeypadDecimal(QCoreApplication& app);

}  // namespace vexa
