#pragma once
// Opening a file with the program the desktop has for its type. The desktop's opener reports
// success as soon as it starts, even when nothing is set up for the type, so the desktop's
// own table of default programs is asked first.
#include <QString>
#include <QUrl>

namespace vexa {

// False when the desktop names no program for the file's type (a local file) or when the
// opener could not start; true when a program was asked to open it.
bool openWithDefaultProgram(const QUrl& url);

// The desktop's default program for a MIME type, "" when none is set up. `known` is false
// when the desktop could not be asked (no xdg-mime): then the opener alone decides.
QString defaultProgramFor(const QString& mimeType, bool* known);

}  // namespace vexa
