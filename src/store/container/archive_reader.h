#pragma once
// Reads one archive, trusting nothing it declares: every offset, length and size is
// checked against the file and against the block limits before it is used, and memory
// stays at two blocks whatever the file claims.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/container/archive_layout.h"
#include "store/container/binary_file.h"
#include "store/container/block_codec.h"

namespace vexa::vxf {

// Where an archive's bytes come from: a file, or the data of an entry of another archive
// taken as it is inflated. The reader only ever seeks forward, so the latter needs no
// temporary file.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Up to `size` bytes; fewer only at the end or on an error.
    virtual std::size_t readUpTo(void* data, std::size_t size) = 0;
    virtual bool seek(std::uint64_t offset) = 0;
    virtual std::uint64_t size() = 0;
    bool read(void* data, std::size_t size) { return readUpTo(data, size) == size; }
};

class FileSource : public ByteSource {
public:
    explicit FileSource(BinaryFile& file) : file_(file) {}
    std::size_t readUpTo(void* data, std::size_t size) override {
        return file_.readUpTo(data, size);
    }
    bool seek(std::uint64_t offset) override { return file_.seek(offset); }
    std::uint64_t size() override { return file_.size(); }

private:
    BinaryFile& file_;
};

struct EntryView {
    EntryHeader header;
    std::uint64_t dataStart = 0;  // first byte of the entry's blocks
};

class ArchiveReader {
public:
    using Sink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // Reads and checks the header. `displayName` goes into the signature message.
    // Throws BadSignature, UnknownVersion or Corrupted.
    ArchiveReader(ByteSource& in, const std::string& displayName);
    ArchiveReader(BinaryFile& in, const std::string& displayName);

    const ArchiveHeader& header() const { return header_; }

    // The next entry header, or false at EndOffset. Moves past the previous entry's data
    // whether or not it was read. Throws Corrupted when the header does not fit.
    bool nextEntry(EntryView& entry);

    // Hands the entry's raw bytes to `sink` block by block after checking each block.
    // Throws Corrupted or InflateFailed; `sink` may throw too.
    void readData(const EntryView& entry, const Sink& sink);

    // The same, one block per call: beginData, then nextData until it returns 0. The bytes
    // stay valid until the next call.
    void beginData(const EntryView& entry);
    std::size_t nextData(const std::uint8_t** raw);

    // Only the first block of the entry's data (empty for an entry without blocks).
    std::vector<std::uint8_t> readFirstBlock(const EntryView& entry);

private:
    void readHeader(const std::string& displayName);
    // Reads, checks and decodes the block at the current position, which must lie within
    // the `remaining` bytes of the entry; returns its raw size, `consumed` its file bytes.
    std::size_t readBlock(std::uint64_t remaining, const std::uint8_t** raw,
                          std::uint64_t* consumed);

    std::unique_ptr<FileSource> ownSource_;
    ByteSource& in_;
    std::uint64_t fileSize_ = 0;
    ArchiveHeader header_;
    std::uint64_t next_ = 0;
    BlockInflater inflater_;
    std::vector<std::uint8_t> stored_;
    std::vector<std::uint8_t> raw_;
    // The entry being read block by block.
    std::uint64_t dataRemaining_ = 0;
    std::uint64_t dataProduced_ = 0;
    std::uint64_t dataSize_ = 0;
};

// The data of one entry of `outer` as an archive of its own, inflated as it is read.
class EntrySource : public ByteSource {
public:
    EntrySource(ArchiveReader& outer, const EntryView& entry);
    std::size_t readUpTo(void* data, std::size_t size) override;
    // Forward only: an earlier offset fails.
    bool seek(std::uint64_t offset) override;
    std::uint64_t size() override { return size_; }

private:
    ArchiveReader& outer_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    const std::uint8_t* block_ = nullptr;
    std::size_t blockLeft_ = 0;
};

}  // namespace vexa::vxf
