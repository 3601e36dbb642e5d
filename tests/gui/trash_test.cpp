// An old backup goes to the desktop's trash, never into folders made beside the workspace,
// also for a user whose data folder does not exist yet.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/vxf_workspace.h"

namespace vexa {
namespace {

TEST(Trash, ANewUsersFirstTrashedFileLeavesNoFoldersInTheWorkingFolder) {
    QTemporaryDir home, work;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QString oldCwd = QDir::currentPath();
    qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());
    QDir::setCurrent(work.path());
    const QString file = work.filePath("Vexa30.bkp.anterior");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    ShellWorkspaceUi ui;
    const bool trashed = ui.moveToTrash(file.toStdString());

    QDir::setCurrent(oldCwd);
    if (oldData.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
    EXPECT_TRUE(trashed);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_FALSE(QDir(work.filePath("files")).exists());
    EXPECT_FALSE(QDir(work.filePath("info")).exists());
    EXPECT_TRUE(QFile::exists(home.path() + "/.local/share/Trash/files/Vexa30.bkp.anterior"));
}

}  // namespace
}  // namespace vexa
