#pragma once
// In our dialogs the Enter key moves to the next control, except on buttons.
class QDialog;

namespace vexa {

void enterMovesFocus(QDialog* dialog);

}  // namespace vexa
