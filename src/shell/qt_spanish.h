#pragma once
// Qt's own texts (the buttons of message boxes, the file and print dialogs) in Spanish, as
// the rest of the program, whatever the language of the user's session.
class QCoreApplication;

namespace vexa {

// Loads Qt's Spanish translations (Debian package qt6-translations-l10n) into the
// application; false when they are not installed (Qt's English texts stay).
bool installQtSpanish(QCoreApplication& app);

}  // namespace vexa
