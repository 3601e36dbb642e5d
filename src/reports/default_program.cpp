#include "reports/default_program.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace vexa {

QString defaultProgramFor(const QString& mimeType, bool* known) {
    *known = false;
    const QString query = QStandardPaths::findExecutable("xdg-mime");
    if (query.isEmpty()) return {};
    QProcess p;
    p.start(query, {"query", "default", mimeType});
    if (!p.waitForFinished(3000)) {
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit) return {};
    *known = true;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

bool openWithDefaultProgram(const QUrl& url) {
    if (url.isLocalFile()) {
        const QString type = QMimeDatabase().mimeTypeForFile(url.toLocalFile()).name();
        bool known = false;
        const QString program = defaultProgramFor(type, &known);
        if (known && program.isEmpty()) return false;
    }
    return QDesktopServices::openUrl(url);
}

}  // namespace vexa
