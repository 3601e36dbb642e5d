// Saving a report over an existing file on a disk that fills up: the error is told and the
// file that was there stays whole (the size limit of the process stands in for the disk).
// Formula and mix reports, and the catalogue reports' preview in each of its formats.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

#include "reports/report_module.h"
#include "workflows/report_view.h"

namespace vexa {
namespace {

// Runs `save` with files limited to 1 KB; true when it reported the failure.
template <class Save>
bool failsWithSmallFiles(Save save) {
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1024;
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const bool failed = !save();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    return failed;
}

TEST(ReportSave, CatalogueReportPreviewKeepsThePreviousFile) {
    QString rows;
    for (int i = 0; i < 300; ++i) rows += "<tr><td>Harina de soya 48%</td><td>0,39</td></tr>";
    const QString html = "<html><body><table>" + rows + "</table></body></html>";
    ReportPreview preview(html, html, ReportPageHeader{"Vexa30", "Listado de precios", "", ""});
    QTemporaryDir dir;
    for (const char* ext : {"txt", "html", "pdf"}) {
        const QString path = dir.filePath(QString("reporte.") + ext);
        const QByteArray before = "el reporte de ayer\n";
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        QString error;
        EXPECT_TRUE(failsWithSmallFiles([&] { return preview.saveTo(path, &error); })) << ext;
        EXPECT_TRUE(error.startsWith("No se pudo escribir el reporte")) << error.toStdString();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll().toStdString(), before.toStdString()) << ext;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);
}

TEST(ReportSave, AFailedWriteLeavesThePreviousFileWhole) {
    QTemporaryDir dir;
    const QString path = dir.filePath("reporte.txt");
    const QByteArray before = "el reporte de ayer\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    ReportView view;
    for (int i = 0; i < 200; ++i)
        view.document().AppendLine("Maíz amarillo               60.0000%    600.0000      114,00");

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 1024;
    auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        view.saveTo(path.toStdString());
    } catch (const std::runtime_error& e) {
        failed = std::string(e.what()).find("No se pudo escribir el archivo") == 0;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);

    EXPECT_TRUE(failed);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), before.toStdString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

}  // namespace
}  // namespace vexa
