#pragma once
// A file that a library writes by name (the spreadsheet writer) is written into a private
// temporary folder first and then put in place as every save of the program is: a link
// followed and kept, the old file replaced only once the new one is complete, a device
// written through.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <string>

namespace vexa {

// writeWholeFile for Qt's names and bytes: empty on success, else the cause.
std::string writeWholeFile(const QString& file, const QByteArray& bytes);

class StagedFile {
public:
    explicit StagedFile(QString target);
    // Where the library writes.
    const QByteArray& stagingPath() const { return staging_; }
    // Puts the staged file in place; throws std::runtime_error with the message for the user.
    void commit() const;
    // Why the library could not write the staged file: a full disk or a folder that may not
    // be written, in Spanish, else the library's own words.
    QString failureCause(const QString& libraryText) const;

private:
    QString target_;
    QTemporaryDir dir_;
    QByteArray staging_;
};

}  // namespace vexa
