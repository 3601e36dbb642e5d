#pragma once
// Shared pieces of the container tests: a private temporary folder per test (also used
// as the system's temporary folder, so leftovers can be seen), file helpers, and a
// builder that lays out archives byte by byte, independently of the writer under test.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vexa::testing {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const std::filesystem::path& file);
void writeBytes(const std::filesystem::path& file, const Bytes& bytes);
Bytes textBytes(const std::string& text);
// Bytes that look like table pages: repeated records with counters and some noise.
Bytes tableLikeBytes(std::size_t size, std::uint32_t seed);
// Bytes that deflate cannot shorten.
Bytes noiseBytes(std::size_t size, std::uint32_t seed);

std::uint32_t u32At(const Bytes& bytes, std::size_t offset);
std::int32_t i32At(const Bytes& bytes, std::size_t offset);
double extendedAt(const Bytes& bytes, std::size_t offset);
void putU32At(Bytes& bytes, std::size_t offset, std::uint32_t value);
Bytes zlibCompress(const Bytes& raw);
Bytes zlibInflate(const Bytes& stream, std::size_t rawSize);

// One entry for the builder: the data is cut into blocks of `blockSize`.
struct BuiltEntry {
    std::string name;  // raw bytes as they go into the file
    Bytes data;
    bool compress = false;
    double date = 45366.5;
    std::uint32_t attributes = 0x20;
    std::uint8_t flags = 0x05;
    // Overrides for damaged files.
    std::optional<std::uint32_t> size;
    std::optional<std::uint32_t> segCompressedSize;
    std::optional<std::uint32_t> nameLength;
    std::optional<std::uint32_t> offset;
    // Blocks given as they are stored (length, check computed unless set, bytes).
    struct RawBlock {
        std::int32_t length;
        Bytes stored;
        std::optional<std::uint32_t> check;
    };
    std::optional<std::vector<RawBlock>> blocks;
};

BuiltEntry makeEntry(std::string name, Bytes data, bool compress = false);

struct BuiltArchive {
    std::uint8_t flags = 0x10;
    std::string comment;
    std::uint32_t blockSize = 100000;
    std::int32_t version = 1;
    std::vector<BuiltEntry> entries;
    std::optional<std::uint32_t> endOffset;
    std::optional<std::uint32_t> fileCount;
    std::optional<std::uint32_t> commentLength;
};

Bytes buildArchive(const BuiltArchive& archive);
// A workspace file: the outer solid archive with `inner` as its only entry.
Bytes buildWorkspace(const Bytes& inner, const std::string& outerName = "~Archiv-1a2b.tmp",
                     const std::string& comment = "");

// Where each block of a sound archive starts (its length field), with its entry's index.
struct BlockAt {
    std::size_t entry;
    std::size_t offset;
    std::int32_t length;
};
std::vector<BlockAt> blocksOf(const Bytes& archive);
// The raw bytes of the only entry of an outer archive (the inner archive).
Bytes innerOf(const Bytes& workspace);

// A folder per test, set as TMPDIR so the container's temporary files land in it.
class ContainerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Names directly inside `folder`, sorted.
    static std::vector<std::string> names(const std::filesystem::path& folder);

    std::filesystem::path root_;  // the test's own folder
    std::filesystem::path tmp_;   // root_/tmp, the system temporary folder during the test
    std::string oldTmp_;
    bool hadTmp_ = false;
};

}  // namespace vexa::testing
