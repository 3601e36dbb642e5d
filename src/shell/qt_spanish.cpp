#include "shell/qt_spanish.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace vexa {

bool installQtSpanish(QCoreApplication& app) {
    // qtbase holds the message boxes, the file dialog and the print dialog.
    auto* t = new QTranslator(&app);
    if (t->load("qtbase_es", QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(t))
        return true;
    delete t;
    return false;
}

}  // namespace vexa
