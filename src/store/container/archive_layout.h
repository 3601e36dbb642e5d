#pragma once
// Byte layout of the archive header, the entry header and the block prefix, and the
// container's messages.
#include <cstdint>
#include <string>
#include <vector>

#include "store/container/container.h"

namespace vexa::vxf {

constexpr std::uint32_t kSignature = 0x1238;
constexpr std::int32_t kVersion = 1;
constexpr std::uint32_t kBlockSize = 100000;
// Files written by other programs may use other block sizes; beyond this one a file is
// treated as damaged so that memory stays bounded by a few blocks.
constexpr std::uint32_t kLargestBlockSize = 1u << 22;
constexpr std::uint32_t kArchiveHeaderSize = 273;  // without the comment
constexpr std::uint32_t kEntryHeaderSize = 45;     // without the name
constexpr std::uint32_t kBlockPrefixSize = 8;      // length and check
// Names are bare file names; anything longer is a damaged or hostile header.
constexpr std::uint32_t kLongestName = 4096;
// Offsets and sizes are 32-bit signed fields in the file.
constexpr std::uint64_t kLargestOffset = 0x7FFFFFFF;

enum ArchiveFlag : std::uint8_t {
    kArchiveEncrypted = 0x01,
    kArchiveCompressed = 0x02,
    kArchiveSolid = 0x04,
    kArchiveReadOnly = 0x08,
    kArchiveFinal = 0x10,
};
constexpr std::uint8_t kOuterFlags = kArchiveCompressed | kArchiveSolid | kArchiveFinal;
constexpr std::uint8_t kInnerFlags = kArchiveFinal;

enum EntryFlag : std::uint8_t {
    kEntryFile = 0x01,
    kEntryFolder = 0x02,
    kEntryComplete = 0x04,
    kEntryEncrypted = 0x08,
};

struct ArchiveHeader {
    std::int32_t signature = kSignature;
    std::int32_t version = kVersion;
    std::uint32_t randomId = 0;
    std::uint32_t blockSize = kBlockSize;
    std::uint32_t endOffset = 0;
    std::int32_t segment = 1;
    std::uint8_t flags = 0;
    std::uint32_t fileCount = 0;
    double size = 0;
    double compressedSize = 0;
    std::uint32_t segFileCount = 0;
    double segSize = 0;
    double segCompressedSize = 0;
    std::string comment;              // raw code page 1252 bytes
    std::uint32_t commentLength = 0;  // as read; equals comment.size() when written

    std::uint32_t byteSize() const { return kArchiveHeaderSize + commentLength; }
    std::vector<std::uint8_t> serialize() const;
    // Reads the fixed 273 bytes; the comment is left to the caller (it may be huge).
    static ArchiveHeader parseFixed(const std::uint8_t* bytes);
};

struct EntryHeader {
    std::string name;  // raw code page 1252 bytes
    double date = 0;
    std::uint32_t attributes = 0;
    std::uint16_t segment = 1;
    std::uint32_t offset = 0;
    std::uint32_t fileOffset = 0;
    std::uint8_t flags = kEntryFile;
    std::uint32_t size = 0;
    std::uint32_t compressedSize = 0;
    std::uint32_t segSize = 0;
    std::uint32_t segCompressedSize = 0;

    std::uint32_t byteSize() const { return kEntryHeaderSize + std::uint32_t(name.size()); }
    std::vector<std::uint8_t> serialize() const;
    // `bytes` holds the name length, then `nameLength` name bytes and the 41 fixed bytes.
    static EntryHeader parse(const std::uint8_t* bytes, std::uint32_t nameLength);
};

std::uint32_t readU32(const std::uint8_t* p);
void putU32(std::uint8_t* p, std::uint32_t v);

// The container's failures, with their texts.
[[noreturn]] void failCorrupted();
[[noreturn]] void failInflate();
[[noreturn]] void failDeflate();
[[noreturn]] void failCannotCreate(const std::string& what, int systemError = 0);
[[noreturn]] void failCannotOpen(const std::string& what, int systemError = 0);

}  // namespace vexa::vxf
