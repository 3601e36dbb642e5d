#include "shell/share_import.h"

#include <cstring>

namespace vexa {

bool ShareImport::create(std::uint32_t windowHandle) {
    if (memory_.isAttached()) memory_.detach();
    if (!memory_.create(kSize) && !memory_.attach()) return false;
    memory_.lock();
    auto* p = static_cast<unsigned char*>(memory_.data());
    std::memset(p, 0, kSize);
    std::memcpy(p + kHandleOffset, &windowHandle, 4);
    memory_.unlock();
    return true;
}

QString ShareImport::importedFile() const {
    if (!memory_.isAttached()) return {};
    auto* p = static_cast<const unsigned char*>(memory_.constData());
    int len = std::min<int>(p[kNameOffset], 102);
    return QString::fromLatin1(reinterpret_cast<const char*>(p + kNameOffset + 1), len);
}

bool ShareImport::offerToOpen() const {
    if (!memory_.isAttached()) return false;
    return static_cast<const unsigned char*>(memory_.constData())[kFlagOffset] != 0;
}

void ShareImport::release() {
    if (memory_.isAttached()) memory_.detach();
}

bool ShareImport::writeAsConverter(const QString& key, const QString& file, bool offer) {
    QSharedMemory m(key);
    if (!m.attach()) return false;
    m.lock();
    auto* p = static_cast<unsigned char*>(m.data());
    QByteArray name = file.toLatin1().left(102);
    p[kNameOffset] = static_cast<unsigned char>(name.size());
    std::memcpy(p + kNameOffset + 1, name.constData(), name.size());
    p[kFlagOffset] = offer ? 1 : 0;
    m.unlock();
    m.detach();
    return true;
}

}  // namespace vexa
