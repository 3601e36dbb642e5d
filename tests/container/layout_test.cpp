// The bytes the packer writes, read back field by field, and files laid out by other
// writers (another outer name, a comment) read by the unpacker.
#include "container_fixture.h"
#include "store/container/block_check.h"
#include "store/container/container.h"
#include "store/container/file_date.h"

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;

class Layout : public ContainerTest {};

struct Header {
    std::uint32_t signature, version, blockSize, endOffset, segment, flags, fileCount, segFileCount,
        commentLength;
    double size, compressedSize, segSize, segCompressedSize;
};

Header headerAt(const Bytes& b) {
    return {u32At(b, 0),      u32At(b, 4),       u32At(b, 12),      u32At(b, 16),
            u32At(b, 20),     b.at(24),          u32At(b, 25),      u32At(b, 49),
            u32At(b, 269),    extendedAt(b, 29), extendedAt(b, 39), extendedAt(b, 53),
            extendedAt(b, 63)};
}

struct Entry {
    std::string name;
    double date;
    std::uint32_t attributes, segment, offset, fileOffset, flags, size, compressedSize, segSize,
        segCompressedSize;
    std::size_t dataStart;
};

Entry entryAt(const Bytes& b, std::size_t at) {
    std::size_t n = u32At(b, at);
    std::size_t p = at + 4 + n;
    return {std::string(b.begin() + at + 4, b.begin() + p),
            extendedAt(b, p),
            u32At(b, p + 10),
            std::uint32_t(b.at(p + 14) | b.at(p + 15) << 8),
            u32At(b, p + 16),
            u32At(b, p + 20),
            b.at(p + 24),
            u32At(b, p + 25),
            u32At(b, p + 29),
            u32At(b, p + 33),
            u32At(b, p + 37),
            at + 45 + n};
}

TEST_F(Layout, OuterAndInnerArchivesFieldByField) {
    fs::path src = root_ / "src";
    fs::create_directories(src);
    writeBytes(src / "a.db", {});
    writeBytes(src / "b.db", tableLikeBytes(200000, 5));
    writeBytes(src / "c.bin", noiseBytes(300000, 6));
    fs::path vxf = root_ / "w.vxf";
    packFolder(src, vxf);
    Bytes file = readBytes(vxf);

    Header outer = headerAt(file);
    EXPECT_EQ(outer.signature, 0x1238u);
    EXPECT_EQ(outer.version, 1u);
    EXPECT_EQ(outer.blockSize, 100000u);
    EXPECT_EQ(outer.endOffset, file.size());
    EXPECT_EQ(outer.segment, 1u);
    EXPECT_EQ(outer.flags, 0x16u);
    EXPECT_EQ(outer.fileCount, 1u);
    EXPECT_EQ(outer.segFileCount, 1u);
    EXPECT_EQ(outer.commentLength, 0u);
    for (std::size_t i = 73; i < 269; ++i) ASSERT_EQ(file[i], 0) << "user data and reserved";

    Entry e = entryAt(file, 273);
    EXPECT_EQ(e.name.rfind("~Archiv-", 0), 0u);
    EXPECT_EQ(e.name.substr(e.name.size() - 4), ".tmp");
    EXPECT_EQ(e.name.find_first_not_of("0123456789abcdef", 8), e.name.size() - 4);
    EXPECT_EQ(e.segment, 1u);
    EXPECT_EQ(e.offset, 273u);
    EXPECT_EQ(e.fileOffset, 0u);
    EXPECT_EQ(e.flags, 0x05u);
    EXPECT_EQ(e.segSize, e.size);
    EXPECT_EQ(e.segCompressedSize, e.compressedSize);
    EXPECT_EQ(e.dataStart + e.compressedSize, file.size());
    EXPECT_EQ(outer.size, e.size);
    EXPECT_EQ(outer.segSize, e.size);
    EXPECT_EQ(outer.compressedSize, e.compressedSize);
    EXPECT_EQ(outer.segCompressedSize, e.compressedSize);

    // Outer blocks: deflated where shorter, raw (negative length) where the noise is.
    bool deflated = false, raw = false;
    std::uint64_t storedSum = 0;
    for (const BlockAt& b : blocksOf(file)) {
        std::size_t size = std::size_t(b.length < 0 ? -std::int64_t(b.length) : b.length);
        EXPECT_LE(size, 100000u + 1000u);
        EXPECT_EQ(u32At(file, b.offset + 4), vxf::blockCheck(file.data() + b.offset + 8, size));
        (b.length < 0 ? raw : deflated) = true;
        storedSum += size + 8;
    }
    EXPECT_TRUE(deflated);
    EXPECT_TRUE(raw);
    EXPECT_EQ(storedSum, e.compressedSize);

    Bytes inner = innerOf(file);
    ASSERT_EQ(inner.size(), e.size);
    Header in = headerAt(inner);
    EXPECT_EQ(in.flags, 0x10u);
    EXPECT_EQ(in.fileCount, 3u);
    EXPECT_EQ(in.segFileCount, 3u);
    EXPECT_EQ(in.endOffset, inner.size());
    EXPECT_EQ(in.size, 500000.0);
    EXPECT_EQ(in.segSize, 500000.0);
    // Raw blocks: stored bytes = raw bytes, plus 8 per block (2 + 3 blocks).
    EXPECT_EQ(in.compressedSize, 500000.0 + 5 * 8);
    EXPECT_EQ(in.segCompressedSize, in.compressedSize);

    struct Expect {
        const char* name;
        std::uint32_t size;
        std::vector<std::int32_t> lengths;
    } expected[] = {{"a.db", 0, {}},
                    {"b.db", 200000, {-100000, -100000}},
                    {"c.bin", 300000, {-100000, -100000, -100000}}};
    std::size_t at = 273;
    std::vector<BlockAt> blocks = blocksOf(inner);
    for (std::size_t i = 0; i < 3; ++i) {
        Entry ie = entryAt(inner, at);
        EXPECT_EQ(ie.name, expected[i].name);
        EXPECT_EQ(ie.offset, at);
        EXPECT_EQ(ie.fileOffset, 0u);
        EXPECT_EQ(ie.flags, 0x05u);
        EXPECT_EQ(ie.size, expected[i].size);
        EXPECT_EQ(ie.segSize, ie.size);
        EXPECT_EQ(ie.compressedSize, expected[i].size + 8 * expected[i].lengths.size());
        EXPECT_EQ(ie.segCompressedSize, ie.compressedSize);
        EXPECT_EQ(ie.segment, 1u);
        EXPECT_EQ(ie.date, vxf::fileTimeToDays(fs::last_write_time(src / expected[i].name)));
        std::vector<std::int32_t> lengths;
        for (const BlockAt& b : blocks)
            if (b.entry == i) lengths.push_back(b.length);
        EXPECT_EQ(lengths, expected[i].lengths);
        at = ie.dataStart + ie.compressedSize;
    }
    EXPECT_EQ(at, inner.size());
}

TEST_F(Layout, CommentMovesTheFirstEntry) {
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "x.db", textBytes("datos"));
    PackOptions options;
    options.comment = "Creado por Vexa: año 2024";
    packFolder(root_ / "src", root_ / "w.vxf", options);
    Bytes file = readBytes(root_ / "w.vxf");
    std::uint32_t c = u32At(file, 269);
    EXPECT_EQ(c, 25u);  // single-byte ñ
    EXPECT_EQ(std::string(file.begin() + 273, file.begin() + 273 + c),
              "Creado por Vexa: a\xF1o 2024");
    EXPECT_EQ(entryAt(file, 273 + c).offset, 273 + c);
    unpackFile(root_ / "w.vxf", root_ / "dest");
    EXPECT_TRUE(readBytes(root_ / "dest" / "x.db") == textBytes("datos"));
}

TEST_F(Layout, ReadsFilesOfOtherWriters) {
    BuiltArchive inner;
    inner.comment = "inner comment";
    inner.entries.push_back(makeEntry("DB.def", textBytes("[Def]\r\nVer=1030.04\r\n")));
    inner.entries.push_back(makeEntry("Ra\xEDz.db", tableLikeBytes(120000, 9), true));
    inner.entries.push_back(makeEntry("carpeta", {}));
    inner.entries.back().flags = 0x02;
    inner.flags = 0x12;  // compressed inner blocks are read as well
    struct Case {
        const char* outerName;
        const char* comment;
    } cases[] = {{"~Archiv-1f.tmp", ""},
                 {"cualquier nombre.dat", ""},
                 {"x", "Un comentario de otro programa"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outerName);
        writeBytes(root_ / "w.vxf", buildWorkspace(buildArchive(inner), c.outerName, c.comment));
        fs::path dest = root_ / "dest";
        fs::remove_all(dest);
        EXPECT_TRUE(hasEntries(root_ / "w.vxf"));
        unpackFile(root_ / "w.vxf", dest);
        EXPECT_EQ(names(dest), (std::vector<std::string>{"DB.def", "Raíz.db"}));
        EXPECT_TRUE(readBytes(dest / "Raíz.db") == inner.entries[1].data);
        EXPECT_TRUE(names(tmp_).empty());
    }
}

}  // namespace
}  // namespace vexa::testing
