// Exported files and the guide are opened only when the desktop has a program for them; a
// desktop without one is told apart from one that opened the file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "reports/default_program.h"

namespace vexa {
namespace {

// A stand-in for the desktop's xdg-mime, first on PATH, answering `answer` to every query.
class FakeDesktop {
public:
    explicit FakeDesktop(const QString& answer) {
        QFile script(dir_.filePath("xdg-mime"));
        script.open(QIODevice::WriteOnly);
        script.write(("#!/bin/sh\necho '" + answer + "'\n").toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner);
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", (dir_.path() + ":").toUtf8() + oldPath_);
    }
    ~FakeDesktop() { qputenv("PATH", oldPath_); }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    QByteArray oldPath_;
};

TEST(DefaultProgram, ADesktopWithNoProgramForTheTypeIsReportedAsSuch) {
    FakeDesktop desktop("");
    QFile sheet(desktop.path("VexaRep.xlsx"));
    ASSERT_TRUE(sheet.open(QIODevice::WriteOnly));
    sheet.close();
    bool known = false;
    EXPECT_EQ(defaultProgramFor("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet",
                                &known),
              "");
    EXPECT_TRUE(known);
    EXPECT_FALSE(openWithDefaultProgram(QUrl::fromLocalFile(sheet.fileName())));
}

TEST(DefaultProgram, TheDesktopsProgramIsFound) {
    FakeDesktop desktop("hojas.desktop");
    bool known = false;
    EXPECT_EQ(defaultProgramFor("text/html", &known), "hojas.desktop");
    EXPECT_TRUE(known);
}

}  // namespace
}  // namespace vexa
