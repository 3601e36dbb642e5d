#include "store/container/archive_reader.h"

#include <algorithm>
#include <cstring>

#include "store/container/block_check.h"

namespace vexa::vxf {

ArchiveReader::ArchiveReader(ByteSource& in, const std::string& displayName) : in_(in) {
    readHeader(displayName);
}

ArchiveReader::ArchiveReader(BinaryFile& in, const std::string& displayName)
    : ownSource_(std::make_unique<FileSource>(in)), in_(*ownSource_) {
    readHeader(displayName);
}

void ArchiveReader::readHeader(const std::string& displayName) {
    fileSize_ = in_.size();
    std::uint8_t fixed[kArchiveHeaderSize];
    std::size_t got = in_.seek(0) ? in_.readUpTo(fixed, sizeof fixed) : 0;
    if (got < 4 || readU32(fixed) != kSignature)
        throw ContainerError(ContainerError::Kind::BadSignature,
                             "Firma Erronea: el archivo \"" + displayName + "\" no es valido");
    if (got < sizeof fixed || fileSize_ < kArchiveHeaderSize) failCorrupted();
    header_ = ArchiveHeader::parseFixed(fixed);
    if (header_.version > kVersion)
        throw ContainerError(ContainerError::Kind::UnknownVersion, "Versión desconocida");
    if (header_.blockSize == 0 || header_.blockSize > kLargestBlockSize) failCorrupted();
    std::uint64_t dataStart = std::uint64_t(kArchiveHeaderSize) + header_.commentLength;
    if (dataStart > fileSize_ || header_.endOffset < dataStart || header_.endOffset > fileSize_)
        failCorrupted();
    // Every entry takes at least its fixed header, so a count can be checked against the
    // room there is; nothing is ever sized from a count.
    std::uint64_t room = (header_.endOffset - dataStart) / kEntryHeaderSize;
    if (header_.fileCount > room || header_.segFileCount > room) failCorrupted();
    next_ = dataStart;
}

bool ArchiveReader::nextEntry(EntryView& entry) {
    std::uint64_t at = next_;
    std::uint64_t end = header_.endOffset;
    if (at >= end) return false;
    std::uint8_t lengthBytes[4];
    if (end - at < kEntryHeaderSize || !in_.seek(at) || !in_.read(lengthBytes, 4)) failCorrupted();
    std::uint32_t nameLength = readU32(lengthBytes);
    if (nameLength > kLongestName || end - at < std::uint64_t(kEntryHeaderSize) + nameLength)
        failCorrupted();
    std::vector<std::uint8_t> bytes(kEntryHeaderSize + nameLength);
    std::copy(lengthBytes, lengthBytes + 4, bytes.begin());
    if (!in_.read(bytes.data() + 4, bytes.size() - 4)) failCorrupted();
    entry.header = EntryHeader::parse(bytes.data(), nameLength);
    entry.dataStart = at + bytes.size();
    if (entry.header.offset > end) failCorrupted();
    if (entry.header.segCompressedSize > end - entry.dataStart) failCorrupted();
    next_ = entry.dataStart + entry.header.segCompressedSize;
    return true;
}

std::size_t ArchiveReader::readBlock(std::uint64_t remaining, const std::uint8_t** raw,
                                     std::uint64_t* consumed) {
    std::uint8_t prefix[kBlockPrefixSize];
    if (remaining < kBlockPrefixSize || !in_.read(prefix, sizeof prefix)) failCorrupted();
    std::int64_t length = std::int32_t(readU32(prefix));
    std::uint64_t storedSize = std::uint64_t(length < 0 ? -length : length);
    // Buffers grow to what the blocks need, never past the limits of the header.
    if (storedSize == 0 || storedSize > header_.blockSize + header_.blockSize / 100 ||
        storedSize > remaining - kBlockPrefixSize)
        failCorrupted();
    if (stored_.size() < storedSize) stored_.resize(storedSize);
    if (!in_.read(stored_.data(), storedSize)) failCorrupted();
    if (blockCheck(stored_.data(), storedSize) != readU32(prefix + 4)) failCorrupted();
    *consumed = storedSize + kBlockPrefixSize;
    if (length < 0) {
        if (storedSize > header_.blockSize) failCorrupted();
        *raw = stored_.data();
        return storedSize;
    }
    raw_.resize(header_.blockSize);
    *raw = raw_.data();
    return inflater_.inflate(stored_.data(), storedSize, raw_.data(), raw_.size());
}

void ArchiveReader::beginData(const EntryView& entry) {
    if (!in_.seek(entry.dataStart)) failCorrupted();
    dataRemaining_ = entry.header.segCompressedSize;
    dataProduced_ = 0;
    dataSize_ = entry.header.size;
}

std::size_t ArchiveReader::nextData(const std::uint8_t** raw) {
    while (dataRemaining_ > 0) {
        std::uint64_t consumed = 0;
        std::size_t size = readBlock(dataRemaining_, raw, &consumed);
        dataRemaining_ -= consumed;
        dataProduced_ += size;
        if (dataProduced_ > dataSize_) failCorrupted();
        if (size > 0) return size;
    }
    if (dataProduced_ != dataSize_) failCorrupted();
    return 0;
}

void ArchiveReader::readData(const EntryView& entry, const Sink& sink) {
    beginData(entry);
    const std::uint8_t* raw = nullptr;
    while (std::size_t size = nextData(&raw)) sink(raw, size);
}

std::vector<std::uint8_t> ArchiveReader::readFirstBlock(const EntryView& entry) {
    if (entry.header.segCompressedSize == 0) return {};
    if (!in_.seek(entry.dataStart)) failCorrupted();
    const std::uint8_t* raw = nullptr;
    std::uint64_t consumed = 0;
    std::size_t size = readBlock(entry.header.segCompressedSize, &raw, &consumed);
    return {raw, raw + size};
}

EntrySource::EntrySource(ArchiveReader& outer, const EntryView& entry)
    : outer_(outer), size_(entry.header.size) {
    outer_.beginData(entry);
}

std::size_t EntrySource::readUpTo(void* data, std::size_t size) {
    auto* out = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (blockLeft_ == 0) {
            if (position_ >= size_) break;
            blockLeft_ = outer_.nextData(&block_);
            if (blockLeft_ == 0) break;
        }
        std::size_t n = std::min(size - done, blockLeft_);
        if (out) std::memcpy(out + done, block_, n);
        block_ += n;
        blockLeft_ -= n;
        done += n;
        position_ += n;
    }
    return done;
}

bool EntrySource::seek(std::uint64_t offset) {
    if (offset < position_ || offset > size_) return false;
    while (position_ < offset) {
        std::uint64_t gap = offset - position_;
        if (readUpTo(nullptr, std::size_t(std::min<std::uint64_t>(gap, 1u << 20))) == 0)
            return false;
    }
    return true;
}

}  // namespace vexa::vxf
