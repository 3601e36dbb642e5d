#pragma once
// The companion programs that live beside ours: the data converter and the batch utility.
#include <QString>
#include <QStringList>
#include <functional>

namespace vexa {

// The program's path in the folder, name matched without regard to case and with or
// without ".exe"; empty when it is not there.
QString findCompanion(const QString& folder, const QString& baseName);

using Launcher = std::function<bool(const QString& program, const QStringList& args)>;
Launcher& companionLauncher();  // QProcess::startDetached unless a test replaces it

}  // namespace vexa
