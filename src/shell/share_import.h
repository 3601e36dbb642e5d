#pragma once
// The 212-byte block through which the data converter tells us which workspace it wrote.
#include <QSharedMemory>
#include <QString>
#include <cstdint>

namespace vexa {

class ShareImport {
public:
    static constexpr int kSize = 212;
    static constexpr int kNameOffset = 101;
    static constexpr int kHandleOffset = 204;
    static constexpr int kFlagOffset = 208;

    explicit ShareImport(QString key = "ShareImport") : memory_(key) {}
    ~ShareImport() { release(); }
    // Creates the block with the flag cleared and our handle written; false on failure.
    bool create(std::uint32_t windowHandle);
    bool isOpen() const { return memory_.isAttached(); }
    QString importedFile() const;
    bool offerToOpen() const;
    void release();

    // What the converter does; used by tests and by a converter written against this layout.
    static bool writeAsConverter(const QString& key, const QString& file, bool offer);

private:
    QSharedMemory memory_;
};

}  // namespace vexa
