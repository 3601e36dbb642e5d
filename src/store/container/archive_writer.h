#pragma once
// Writes one archive: the header, then entries one after another, each followed by its
// blocks. The header is rewritten after every entry so the file is always consistent up
// to EndOffset.
#include <cstdint>
#include <string>
#include <vector>

#include "store/container/archive_layout.h"
#include "store/container/binary_file.h"
#include "store/container/block_codec.h"

namespace vexa::vxf {

class ArchiveWriter {
public:
    // `out` is a new, empty file; `displayName` names it in messages. Writes the header.
    ArchiveWriter(BinaryFile& out, std::string displayName, std::uint8_t flags,
                  std::string comment = {});

    // Adds the bytes of `in` (read to its end) as one entry. A failure throws and leaves
    // the archive as it was before the call: the next entry is written over the remains.
    // `inName` names the source in messages.
    void addEntry(const std::string& name, double date, std::uint32_t attributes, BinaryFile& in,
                  const std::string& inName);

    // Cuts whatever a failed entry left past the end; a durable archive is also put on
    // the disk (a temporary one need not be).
    void finish(bool durable);

    const ArchiveHeader& header() const { return header_; }

private:
    void writeAt(std::uint64_t offset, const std::vector<std::uint8_t>& bytes);
    // One block of a batch: its bytes, their compressed form and the check of the form stored.
    struct Block {
        std::vector<std::uint8_t> raw, packed;
        std::size_t size = 0;       // bytes read into raw
        bool packedStored = false;  // the compressed form is the smaller, and the one stored
        std::uint32_t check = 0;
    };
    // Compresses (when the archive is compressed) and checks the first `count` blocks of the
    // batch; writeBlock then writes one.
    void prepareBatch(std::size_t count);
    void writeBlock(const Block& block, EntryHeader& entry);

    static constexpr std::size_t kMaxWorkers = 4;

    BinaryFile& out_;
    std::string displayName_;
    ArchiveHeader header_;
    std::uint64_t totalSize_ = 0;
    std::uint64_t totalCompressed_ = 0;
    std::uint64_t segSize_ = 0;
    std::uint64_t segCompressed_ = 0;
    std::size_t workers_ = 1;               // threads that prepare a batch
    std::vector<BlockDeflater> deflaters_;  // one per thread, when compressed
    std::vector<Block> batch_;              // each thread prepares blocks of its own
};

}  // namespace vexa::vxf
