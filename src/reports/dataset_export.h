#pragma once
// Several data sets into one spreadsheet workbook, one named sheet each: the formula editor's
// restrictions and nutrient content. Same folder, file name and opening as the grid export.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <vector>

namespace vexa {

struct ExportSheet {
    QString name;  // empty: the spreadsheet's default name
    QStringList titles;
    QList<QVariantList> rows;
};

// prefix + name, cut to the 31 characters a sheet name may have, without the characters a
// sheet name may not hold.
QString exportSheetName(const QString& prefix, const QString& name);

// Writes the workbook into folder (created when missing) and returns its path. Throws
// std::runtime_error with a message for the user when it cannot be written.
QString exportDatasets(const std::vector<ExportSheet>& sheets, const QString& folder,
                       const QDateTime& when);

}  // namespace vexa
