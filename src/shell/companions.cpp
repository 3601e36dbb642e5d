#include "shell/companions.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace vexa {

QString findCompanion(const QString& folder, const QString& baseName) {
    QDir dir(folder);
    const QStringList names = dir.entryList(QDir::Files);
    for (const QString& n : names) {
        QFileInfo fi(dir.filePath(n));
        bool same = n.compare(baseName, Qt::CaseInsensitive) == 0 ||
                    n.compare(baseName + ".exe", Qt::CaseInsensitive) == 0;
        if (same && fi.isExecutable()) return fi.absoluteFilePath();
    }
    return {};
}

Launcher& companionLauncher() {
    static Launcher launcher = [](const QString& program, const QStringList& args) {
        return QProcess::startDetached(program, args);
    };
    return launcher;
}

}  // namespace vexa
