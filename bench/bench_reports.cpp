// "De todos los insumos" on a workspace of 1,000 ingredients × 150 nutrients, to PDF: the
// catalogue report (queries, definition filled, pages laid out with their header) against
// the floor of the rendering, Qt printing the same rows as one plain HTML table to PDF.
// Pages per second of each and their ratio.
//
//     QT_QPA_PLATFORM=offscreen ./bench_reports
#include "reports/report_render.h"
#include "store/catalog_report.h"
#include "store/schema.h"
#include "store/sqlite_db.h"

#include <QGuiApplication>
#include <QPdfWriter>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace vexa;

namespace {

int ingredientCount() {
    const int n = qEnvironmentVariableIntValue("VEXA_BENCH_INGREDIENTS");
    return n > 0 ? n : 1000;  // fewer for a quick look
}

void fill(Database& db) {
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> value(0.0, 50.0);
    Transaction tx(db);
    auto nut = db.prepare(
        "insert into Nut (Nombre, Unidad, ItId, Tipo, Orden) values (:N, '%', 0, 0, :O)");
    for (int n = 1; n <= 150; ++n)
        nut.bind("N", "Nutriente " + std::to_string(n)).bind("O", n).execute(), nut.reset();
    auto ins = db.prepare("insert into Ins (Nombre, Redondeo, ItId) values (:N, '0', 3)");
    auto val = db.prepare("insert into Val (Ins, Nut, Valor) values (:I, :N, :V)");
    for (int i = 1; i <= ingredientCount(); ++i) {
        ins.bind("N", "Insumo " + std::to_string(i)).execute();
        ins.reset();
        for (int n = 1; n <= 150; ++n)
            val.bind("I", i).bind("N", n).bind("V", std::round(value(rng) * 1e4) / 1e4).execute(),
                val.reset();
    }
    tx.commit();
}

double seconds(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

QString escaped(const std::string& s) {
    return QString::fromStdString(s).toHtmlEscaped();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const fs::path dir =
        fs::temp_directory_path() / ("vexa_bench_reports_" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    Database db = createDatabase(dir);
    fill(db);
    TDBDef def;
    def.Nombre = "Banco de pruebas";
    const ReportCommand& cmd = *reportCommandByTag(2);

    // The catalogue report.
    auto t0 = std::chrono::steady_clock::now();
    const ReportData data = loadReportData(db, def, cmd, 0, "bench");
    const QString html = QString::fromStdString(fillReport({}, data, '.', "10/12/2026"));
    const double filled = seconds(t0);
    int pages = 0;
    QString error;
    if (!writeReportPdf(html, {"Banco de pruebas", cmd.caption, "bench", "10/12/2026"},
                        QPageSize::A4, QString::fromStdString((dir / "report.pdf").string()),
                        &error, &pages)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const double ours = seconds(t0);

    // The floor: the same rows as one plain table, printed by Qt.
    t0 = std::chrono::steady_clock::now();
    const ReportData again = loadReportData(db, def, cmd, 0, "bench");
    std::map<double, std::string> names;
    for (const auto& r : again.sets[0].rows) names[r[0].value] = r[1].text;
    QString plain = QStringLiteral(
        "<table><thead><tr><th>Insumo</th><th>Nutriente</th>"
        "<th>Unidad</th><th>Valor</th></tr></thead>");
    for (const auto& r : again.sets[1].rows)
        plain += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>")
                     .arg(escaped(names[r[0].value]), escaped(r[1].text), escaped(r[2].text))
                     .arg(r[3].value, 0, 'f', 4);
    plain += QStringLiteral("</table>");
    QTextDocument doc;
    doc.setHtml(plain);
    QPdfWriter writer(QString::fromStdString((dir / "plain.pdf").string()));
    writer.setPageSize(QPageSize(QPageSize::A4));
    doc.documentLayout()->setPaintDevice(&writer);
    doc.setPageSize(QSizeF(writer.width(), writer.height()));
    doc.print(&writer);
    const int plainPages = doc.pageCount();
    const double floor = seconds(t0);

    std::printf(
        "De todos los insumos: %d pages in %.2f s, %.1f pages/s (data and template %.2f s)\n",
        pages, ours, pages / ours, filled);
    std::printf("plain HTML table:     %d pages in %.2f s, %.1f pages/s\n", plainPages, floor,
                plainPages / floor);
    std::printf("time per row, report / plain: %.2f\n", ours / floor);
    fs::remove_all(dir);
    return 0;
}
