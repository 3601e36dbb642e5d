#include "store/container/archive_layout.h"

#include <cstring>

#include "store/container/extended_float.h"

namespace vexa::vxf {

std::uint32_t readU32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

namespace {

void putExtended(std::uint8_t* p, double v) {
    Extended e = encodeExtended(v);
    std::memcpy(p, e.data(), e.size());
}

}  // namespace

std::vector<std::uint8_t> ArchiveHeader::serialize() const {
    std::vector<std::uint8_t> out(kArchiveHeaderSize + comment.size(), 0);
    std::uint8_t* p = out.data();
    putU32(p + 0, std::uint32_t(signature));
    putU32(p + 4, std::uint32_t(version));
    putU32(p + 8, randomId);
    putU32(p + 12, blockSize);
    putU32(p + 16, endOffset);
    putU32(p + 20, std::uint32_t(segment));
    p[24] = flags;
    putU32(p + 25, fileCount);
    putExtended(p + 29, size);
    putExtended(p + 39, compressedSize);
    putU32(p + 49, segFileCount);
    putExtended(p + 53, segSize);
    putExtended(p + 63, segCompressedSize);
    // 73..268: user data and reserved bytes stay zero.
    putU32(p + 269, std::uint32_t(comment.size()));
    std::memcpy(p + 273, comment.data(), comment.size());
    return out;
}

ArchiveHeader ArchiveHeader::parseFixed(const std::uint8_t* p) {
    ArchiveHeader h;
    h.signature = std::int32_t(readU32(p + 0));
    h.version = std::int32_t(readU32(p + 4));
    h.randomId = readU32(p + 8);
    h.blockSize = readU32(p + 12);
    h.endOffset = readU32(p + 16);
    h.segment = std::int32_t(readU32(p + 20));
    h.flags = p[24];
    h.fileCount = readU32(p + 25);
    h.size = decodeExtended(p + 29);
    h.compressedSize = decodeExtended(p + 39);
    h.segFileCount = readU32(p + 49);
    h.segSize = decodeExtended(p + 53);
    h.segCompressedSize = decodeExtended(p + 63);
    h.commentLength = readU32(p + 269);
    return h;
}

std::vector<std::uint8_t> EntryHeader::serialize() const {
    std::vector<std::uint8_t> out(byteSize(), 0);
    std::uint8_t* p = out.data();
    std::uint32_t n = std::uint32_t(name.size());
    putU32(p, n);
    std::memcpy(p + 4, name.data(), n);
    p += 4 + n;
    putExtended(p, date);
    putU32(p + 10, attributes);
    p[14] = static_cast<std::uint8_t>(segment);
    p[15] = static_cast<std::uint8_t>(segment >> 8);
    putU32(p + 16, offset);
    putU32(p + 20, fileOffset);
    p[24] = flags;
    putU32(p + 25, size);
    putU32(p + 29, compressedSize);
    putU32(p + 33, segSize);
    putU32(p + 37, segCompressedSize);
    return out;
}

EntryHeader EntryHeader::parse(const std::uint8_t* bytes, std::uint32_t nameLength) {
    EntryHeader e;
    e.name.assign(reinterpret_cast<const char*>(bytes + 4), nameLength);
    const std::uint8_t* p = bytes + 4 + nameLength;
    e.date = decodeExtended(p);
    e.attributes = readU32(p + 10);
    e.segment = static_cast<std::uint16_t>(p[14] | (p[15] << 8));
    e.offset = readU32(p + 16);
    e.fileOffset = readU32(p + 20);
    e.flags = p[24];
    e.size = readU32(p + 25);
    e.compressedSize = readU32(p + 29);
    e.segSize = readU32(p + 33);
    e.segCompressedSize = readU32(p + 37);
    return e;
}

void failCorrupted() {
    throw ContainerError(ContainerError::Kind::Corrupted,
                         "CRC incorrecto: los datos dentro del archivo estan corrompidos");
}

void failInflate() {
    throw ContainerError(ContainerError::Kind::InflateFailed,
                         "No es posible descomprimir el bloque");
}

void failDeflate() {
    throw ContainerError(ContainerError::Kind::DeflateFailed, "No se puede comprimir el bloque");
}

void failCannotCreate(const std::string& what, int systemError) {
    throw ContainerError(ContainerError::Kind::CannotCreate, "Can not create " + what, systemError);
}

void failCannotOpen(const std::string& what, int systemError) {
    throw ContainerError(ContainerError::Kind::CannotOpen, "Can not open " + what, systemError);
}

}  // namespace vexa::vxf
