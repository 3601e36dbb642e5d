#pragma once
// The spreadsheet export of a list window's grid: visible columns with their titles, then
// every row, written as an .xlsx workbook in the reports folder and opened with the
// default program.
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <string>

namespace vexa {

// The workbook writer prints numbers with the C library's locale, which the program sets from
// the user's: while one of these is alive numbers are written with a decimal point ("61,25"
// in a workbook's XML corrupts the file).
class PointDecimals {
public:
    PointDecimals();
    ~PointDecimals();
    PointDecimals(const PointDecimals&) = delete;
    PointDecimals& operator=(const PointDecimals&) = delete;

private:
    std::string saved_;
};

// Days since 30 December 1899 with the time as fraction, shortest general form.
QString dayNumberText(const QDateTime& when);
// "VexaRep" + day number + ".xlsx".
QString gridExportFileName(const QDateTime& when);

// Writes the workbook into folder (created when missing) and returns its path. Throws
// std::runtime_error with a message for the user when it cannot be written.
QString exportGrid(const QStringList& titles, const QList<QVariantList>& rows,
                   const QString& folder, const QDateTime& when);

// The reports folder used by the grid export; the shell sets it from the system options.
QString& gridExportFolder();
// Opens the file with the default program, false when no program could; tests replace it.
std::function<bool(const QString&)>& exportOpener();
// Throws std::runtime_error saying where the file was written when no program could open it.
void openExportedFile(const QString& file);

}  // namespace vexa
