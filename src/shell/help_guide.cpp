#include "shell/help_guide.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <stdexcept>

namespace vexa {

QString helpGuide(const QString& programFolder) {
    QFileInfo guide(QDir(programFolder).filePath("guia/index.html"));
    return guide.isFile() ? guide.absoluteFilePath() : QString();
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
    helpOpener()(helpUrl(guide, page));
}

HelpOpener& helpOpener() {
    static HelpOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

}  // namespace vexa
