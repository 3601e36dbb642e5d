#pragma once
// Reads one archive, trusting nothing it declares: every offset, length and size is
// checked against the file and against the block limits before it is used, and memory
// stays at two blocks whatever the file claims.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "store/container/archive_layout.h"
#include "store/container/binary_file.h"
#include "store/container/block_codec.h"

namespace vexa::vxf {

struct EntryView {
    EntryHeader header;
    std::uint64_t dataStart = 0;  // first byte of the entry's blocks
};

class ArchiveReader {
public:
    using Sink = std::function<void(const std::uint8_t* data, std::size_t size)>;

    // Reads and checks the header. `displayName` goes into the signature message.
    // Throws BadSignature, UnknownVersion or Corrupted.
    ArchiveReader(BinaryFile& in, const std::string& displayName);

    const ArchiveHeader& header() const { return header_; }

    // The next entry header, or false at EndOffset. Moves past the previous entry's data
    // whether or not it was read. Throws Corrupted when the header does not fit.
    bool nextEntry(EntryView& entry);

    // Hands the entry's raw bytes to `sink` block by block after checking each block.
    // Throws Corrupted or InflateFailed; `sink` may throw too.
    void readData(const EntryView& entry, const Sink& sink);

    // Only the first block of the entry's data (empty for an entry without blocks).
    std::vector<std::uint8_t> readFirstBlock(const EntryView& entry);

private:
    // Reads, checks and decodes the block at the current position, which must lie within
    // the `remaining` bytes of the entry; returns its raw size, `consumed` its file bytes.
    std::size_t readBlock(std::uint64_t remaining, const std::uint8_t** raw,
                          std::uint64_t* consumed);

    BinaryFile& in_;
    std::uint64_t fileSize_ = 0;
    ArchiveHeader header_;
    std::uint64_t next_ = 0;
    BlockInflater inflater_;
    std::vector<std::uint8_t> stored_;
    std::vector<std::uint8_t> raw_;
};

}  // namespace vexa::vxf
