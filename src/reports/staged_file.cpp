#include "reports/staged_file.h"

#include <QFile>
#include <QFileInfo>
#include <stdexcept>

#include "store/file_target.h"

namespace vexa {

std::string writeWholeFile(const QString& file, const QByteArray& bytes) {
    return writeWholeFile(file.toStdString(),
                          std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

StagedFile::StagedFile(QString target) : target_(std::move(target)) {
    staging_ =
        (dir_.isValid() ? dir_.filePath(QStringLiteral("archivo")) : target_ + ".tmp").toUtf8();
}

QString StagedFile::failureCause(const QString& libraryText) const {
    const QString folder = dir_.isValid() ? dir_.path() : QFileInfo(target_).absolutePath();
    if (int error = likelyWriteError(folder.toStdString()))
        return QString::fromStdString(systemErrorCause(error)) + " (" + folder + ")";
    return libraryText;
}

void StagedFile::commit() const {
    QFile in(QString::fromUtf8(staging_));
    std::string cause;
    if (!in.open(QIODevice::ReadOnly)) {
        cause = in.errorString().toStdString();
    } else {
        cause = writeWholeFile(target_, in.readAll());
    }
    if (!cause.empty())
        throw std::runtime_error("Error: No se pudo guardar " + target_.toStdString() + ": " +
                                 cause);
}

}  // namespace vexa
