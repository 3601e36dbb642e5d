#include "store/container/archive_writer.h"

#include <algorithm>
#include <exception>
#include <thread>

#include <cerrno>

#include "store/container/block_check.h"
#include "store/container/temp_file.h"

namespace vexa::vxf {

ArchiveWriter::ArchiveWriter(BinaryFile& out, std::string displayName, std::uint8_t flags,
                             std::string comment)
    : out_(out), displayName_(std::move(displayName)) {
    // A batch of blocks per thread that compresses: a few per worker keeps them all busy.
    const std::size_t workers =
        std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, kMaxWorkers);
    deflaters_ = std::vector<BlockDeflater>((flags & kArchiveCompressed) ? workers : 0);
    batch_.resize(workers * 4);
    for (Block& b : batch_) b.raw.resize(kBlockSize);
    workers_ = workers;
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

void ArchiveWriter::prepareBatch(std::size_t count) {
    // Each block is a deflate stream of its own with a check of its own, so the blocks of a
    // batch are compressed and checked side by side, one deflater per thread, and written in
    // order afterwards.
    const bool compressed = header_.flags & kArchiveCompressed;
    const std::size_t workers = std::min<std::size_t>(workers_, count);
    auto work = [&](std::size_t w) {
        for (std::size_t i = w; i < count; i += workers) {
            Block& b = batch_[i];
            b.packedStored = false;
            if (compressed) {
                deflaters_[w].compress(b.raw.data(), b.size, b.packed);
                b.packedStored = b.packed.size() < b.size;
            }
            b.check = b.packedStored ? blockCheck(b.packed.data(), b.packed.size())
                                     : blockCheck(b.raw.data(), b.size);
        }
    };
    if (workers <= 1) {
        if (count > 0) work(0);
        return;
    }
    std::vector<std::thread> threads;
    std::vector<std::exception_ptr> errors(workers);
    for (std::size_t w = 1; w < workers; ++w)
        threads.emplace_back([&, w] {
            try {
                work(w);
            } catch (...) {
                errors[w] = std::current_exception();
            }
        });
    try {
        work(0);
    } catch (...) {
        errors[0] = std::current_exception();
    }
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

void ArchiveWriter::writeBlock(const Block& b, EntryHeader& entry) {
    const std::size_t size = b.size;
    const std::uint8_t* stored = b.packedStored ? b.packed.data() : b.raw.data();
    const std::size_t storedSize = b.packedStored ? b.packed.size() : size;
    const std::int64_t length = b.packedStored ? std::int64_t(storedSize) : -std::int64_t(size);
    std::uint8_t prefix[kBlockPrefixSize];
    putU32(prefix, std::uint32_t(std::int32_t(length)));
    putU32(prefix + 4, b.check);
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
    for (bool more = true; more;) {
        std::size_t count = 0;
        while (count < batch_.size()) {
            Block& b = batch_[count];
            b.size = in.readUpTo(b.raw.data(), kBlockSize);
            if (in.hasError()) failCannotOpen(inName, in.lastError());
            if (b.size == 0) {
                more = false;
                break;
            }
            ++count;
        }
        prepareBatch(count);
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t got = batch_[i].size;
            // Every offset and size in the file is a 32-bit signed field.
            if (end + got + kBlockPrefixSize + got / 100 + 64 > kLargestOffset ||
                std::uint64_t(entry.segSize) + got > kLargestOffset)
                failCannotCreate(displayName_, EFBIG);
            writeBlock(batch_[i], entry);
            end = std::uint64_t(entry.offset) + entry.byteSize() + entry.segCompressedSize;
        }
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
