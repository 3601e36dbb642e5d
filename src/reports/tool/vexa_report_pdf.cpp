// vexa-report-pdf IN.html OUT.pdf [--db T] [--report R] [--user U] [--date D] [--paper a4|letter]
// Lays a filled catalogue report out on pages and writes the PDF. vexa-cli hands its PDF
// output to this program so that vexa-cli itself starts without the GUI toolkit.
#include "reports/report_render.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The toolkit's notices about the session (no runtime folder and the like) are not this
    // program's business; its own errors are printed below.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& msg) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "vexa-report-pdf: %s\n", qPrintable(msg));
    });
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    QStringList files;
    vexa::ReportPageHeader header;
    QPageSize::PageSizeId paper = QPageSize::A4;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const QString next = i + 1 < args.size() ? args[i + 1] : QString();
        if (a == QLatin1String("--db"))
            header.db = next, ++i;
        else if (a == QLatin1String("--report"))
            header.report = next, ++i;
        else if (a == QLatin1String("--user"))
            header.user = next, ++i;
        else if (a == QLatin1String("--date"))
            header.date = next, ++i;
        else if (a == QLatin1String("--paper"))
            paper = vexa::reportPaperFromName(next), ++i;
        else
            files << a;
    }
    if (files.size() != 2) {
        std::fputs("uso: vexa-report-pdf ENTRADA.html SALIDA.pdf [opciones]\n", stderr);
        return 2;
    }
    QFile in(files[0]);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "vexa-report-pdf: No se pudo leer %s\n", qPrintable(files[0]));
        return 2;
    }
    const QString html = QString::fromUtf8(in.readAll());
    QString error;
    if (!vexa::writeReportPdf(html, header, paper, files[1], &error)) {
        std::fprintf(stderr, "vexa-report-pdf: %s\n", qPrintable(error));
        return 2;
    }
    return 0;
}
