#include "shell/help_guide.h"

#include "reports/default_program.h"

#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace vexa {

QString helpGuide(const QString& programFolder) {
    // Beside the program in the build folder; under share/vexa once installed.
    for (const char* place : {"guia/index.html", "../share/vexa/guia/index.html"}) {
        QFileInfo guide(QDir(programFolder).filePath(place));
        if (guide.isFile()) return guide.absoluteFilePath();
    }
    return QString();
}

QUrl helpUrl(const QString& guide, HelpPage page) {
    QUrl url = QUrl::fromLocalFile(guide);
    switch (page) {
        case HelpPage::Contents:
            url.setFragment("contenido");
            break;
        case HelpPage::TopicSearch:
            url.setFragment("indice");
            break;
        case HelpPage::HelpOnHelp:
            url.setFragment("ayuda");
            break;
    }
    return url;
}

void openHelp(const QString& programFolder, HelpPage page) {
    QString guide = helpGuide(programFolder);
    if (guide.isEmpty())
        throw std::runtime_error("No existe el archivo de ayuda " +
                                 QDir(programFolder).filePath("guia/index.html").toStdString());
    if (!helpOpener()(helpUrl(guide, page)))
        throw std::runtime_error("La guía del usuario está en " + guide.toStdString() +
                                 ", pero no hay un programa que pueda abrirla.");
}

HelpOpener& helpOpener() {
    static HelpOpener opener = [](const QUrl& url) { return openWithDefaultProgram(url); };
    return opener;
}

}  // namespace vexa
