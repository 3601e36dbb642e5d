#include "reports/grid_export.h"

#include "reports/dataset_export.h"
#include "reports/default_program.h"

#include <QDir>
#include <QUrl>
#include <clocale>
#include <algorithm>
#include <stdexcept>
#include <vector>

namespace vexa {

QString dayNumberText(const QDateTime& when) {
    double days =
        QDate(1899, 12, 30).daysTo(when.date()) + when.time().msecsSinceStartOfDay() / 86400000.0;
    return QString::number(days, 'g', 15);
}

QString gridExportFileName(const QDateTime& when) {
    return "VexaRep" + dayNumberText(when) + ".xlsx";
}

QString exportGrid(const QStringList& titles, const QList<QVariantList>& rows,
                   const QString& folder, const QDateTime& when) {
    return exportDatasets({ExportSheet{QString(), titles, rows}}, folder, when);
}

PointDecimals::PointDecimals() {
    const char* now = std::setlocale(LC_NUMERIC, nullptr);
    saved_ = now ? now : "C";
    std::setlocale(LC_NUMERIC, "C");
}

PointDecimals::~PointDecimals() {
    std::setlocale(LC_NUMERIC, saved_.c_str());
}

QString& gridExportFolder() {
    static QString folder = QDir::home().filePath("Documents/Reportes");
    return folder;
}

std::function<bool(const QString&)>& exportOpener() {
    static std::function<bool(const QString&)> opener = [](const QString& file) {
        return openWithDefaultProgram(QUrl::fromLocalFile(file));
    };
    return opener;
}

void openExportedFile(const QString& file) {
    if (!exportOpener() || exportOpener()(file)) return;
    throw std::runtime_error(
        QString("La hoja de cálculo se guardó en %1, pero no hay un programa que pueda abrirla.")
            .arg(file)
            .toStdString());
}

}  // namespace vexa
