#include "reports/staged_file.h"

#include <QFile>
#include <stdexcept>

#include "store/file_target.h"

namespace vexa {

StagedFile::StagedFile(QString target) : target_(std::move(target)) {
    staging_ =
        (dir_.isValid() ? dir_.filePath(QStringLiteral("archivo")) : target_ + ".tmp").toUtf8();
}

void StagedFile::commit() const {
    QFile in(QString::fromUtf8(staging_));
    std::string cause;
    if (!in.open(QIODevice::ReadOnly)) {
        cause = in.errorString().toStdString();
    } else {
        const QByteArray bytes = in.readAll();
        cause =
            writeWholeFile(target_.toStdString(),
                           std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    }
    if (!cause.empty())
        throw std::runtime_error("Error: No se pudo guardar " + target_.toStdString() + ": " +
                                 cause);
}

}  // namespace vexa
