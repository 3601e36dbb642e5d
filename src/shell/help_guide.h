#pragma once
// The user guide: an HTML file in "guia" beside the program (share/vexa/guia once installed). The
// three help commands open it at its contents, its topic index and its own instructions.
#include <QString>
#include <QUrl>
#include <functional>

namespace vexa {

enum class HelpPage { Contents, TopicSearch, HelpOnHelp };

// The guide's path in the program's folder; empty when it is not there.
QString helpGuide(const QString& programFolder);
QUrl helpUrl(const QString& guide, HelpPage page);
// Opens the guide at the page; fails with "No existe el archivo de ayuda ..." without it, and
// with a message that says where the guide is when no program could open it.
void openHelp(const QString& programFolder, HelpPage page);

// Opens the address with the user's default program; false when none could.
using HelpOpener = std::function<bool(const QUrl&)>;
HelpOpener& helpOpener();  // QDesktopServices::openUrl unless a test replaces it

}  // namespace vexa
