#include "store/container/archive_writer.h"

#include <cerrno>

#include "store/container/block_check.h"
#include "store/container/temp_file.h"

namespace vexa::vxf {

ArchiveWriter::ArchiveWriter(BinaryFile& out, std::string displayName, std::uint8_t flags,
                             std::string comment)
    : out_(out), displayName_(std::move(displayName)), raw_(kBlockSize) {
    header_.randomId = tickCount();
    header_.flags = flags;
    header_.comment = std::move(comment);
    header_.commentLength = std::uint32_t(header_.comment.size());
    header_.endOffset = header_.byteSize();
    writeAt(0, header_.serialize());
}

void ArchiveWriter::writeAt(std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
    if (!out_.seek(offset) || !out_.write(bytes.data(), bytes.size()))
        failCannotCreate(displayName_, out_.lastError());
}

void ArchiveWriter::writeBlock(const std::uint8_t* data, std::size_t size, EntryHeader& entry) {
    const std::uint8_t* stored = data;
    std::int64_t length = -std::int64_t(size);
    if (header_.flags & kArchiveCompressed) {
        deflater_.compress(data, size, packed_);
        if (packed_.size() < size) {
            stored = packed_.data();
            length = std::int64_t(packed_.size());
        }
    }
    std::size_t storedSize = std::size_t(length < 0 ? -length : length);
    std::uint8_t prefix[kBlockPrefixSize];
    putU32(prefix, std::uint32_t(std::int32_t(length)));
    putU32(prefix + 4, blockCheck(stored, storedSize));
    if (!out_.write(prefix, sizeof prefix) || !out_.write(stored, storedSize))
        failCannotCreate(displayName_, out_.lastError());
    entry.segSize += std::uint32_t(size);
    entry.segCompressedSize += std::uint32_t(storedSize + kBlockPrefixSize);
}

void ArchiveWriter::addEntry(const std::string& name, double date, std::uint32_t attributes,
                             BinaryFile& in, const std::string& inName) {
    EntryHeader entry;
    entry.name = name;
    entry.date = date;
    entry.attributes = attributes;
    entry.offset = header_.endOffset;
    entry.flags = kEntryFile;
    writeAt(entry.offset, entry.serialize());

    std::uint64_t end = std::uint64_t(entry.offset) + entry.byteSize();
    for (;;) {
        std::size_t got = in.readUpTo(raw_.data(), raw_.size());
        if (in.hasError()) failCannotOpen(inName, in.lastError());
        if (got == 0) break;
        // Every offset and size in the file is a 32-bit signed field.
        if (end + got + kBlockPrefixSize + got / 100 + 64 > kLargestOffset ||
            std::uint64_t(entry.segSize) + got > kLargestOffset)
            failCannotCreate(displayName_, EFBIG);
        writeBlock(raw_.data(), got, entry);
        end = std::uint64_t(entry.offset) + entry.byteSize() + entry.segCompressedSize;
    }

    entry.flags = kEntryFile | kEntryComplete;
    entry.size = entry.segSize;
    entry.compressedSize = entry.segCompressedSize;
    writeAt(entry.offset, entry.serialize());

    header_.endOffset = std::uint32_t(end);
    header_.fileCount += 1;
    header_.segFileCount += 1;
    totalSize_ += entry.size;
    totalCompressed_ += entry.compressedSize;
    segSize_ += entry.segSize;
    segCompressed_ += entry.segCompressedSize;
    header_.size = double(totalSize_);
    header_.compressedSize = double(totalCompressed_);
    header_.segSize = double(segSize_);
    header_.segCompressedSize = double(segCompressed_);
    writeAt(0, header_.serialize());
    if (!out_.seek(end)) failCannotCreate(displayName_, out_.lastError());
}

void ArchiveWriter::finish(bool durable) {
    if (!out_.truncate(header_.endOffset) || (durable && !out_.sync()))
        failCannotCreate(displayName_, out_.lastError());
}

}  // namespace vexa::vxf
