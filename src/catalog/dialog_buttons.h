#pragma once
// The "&Aceptar" / "&Cancelar" pair of our dialogs, wired to accept and reject.
class QDialog;
class QDialogButtonBox;

namespace vexa {

// Whether Enter on the dialog accepts it is `acceptIsDefault`.
QDialogButtonBox* acceptCancelButtons(QDialog* dialog, bool acceptIsDefault);

}  // namespace vexa
