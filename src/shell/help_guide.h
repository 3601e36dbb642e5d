#pragma once
// The user guide: an HTML file installed in "guia" beside the program. The three help
// commands open it at its contents, its topic index and its own instructions.
#include <QString>
#include <QUrl>
#include <functional>

namespace vexa {

enum class HelpPage { Contents, TopicSearch, HelpOnHelp };

// The guide's path in the program's folder; empty when it is not there.
QString helpGuide(const QString& programFolder);
QUrl helpUrl(const QString& guide, HelpPage page);
// Opens the guide at the page; fails with "No existe el archivo de ayuda ..." without it.
void openHelp(const QString& programFolder, HelpPage page);

using HelpOpener = std::function<void(const QUrl&)>;
HelpOpener& helpOpener();  // QDesktopServices::openUrl unless a test replaces it

}  // namespace vexa
