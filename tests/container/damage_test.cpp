// Damaged and hostile workspace files: each fails with its message, never writes outside
// the destination, never leaves a half-written file or a temporary file behind.
#include <functional>

#include "container_fixture.h"
#include "store/container/container.h"

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ContainerError::Kind;

BuiltArchive soundInner() {
    BuiltArchive inner;
    inner.entries.push_back(makeEntry("DB.def", textBytes("[Def]\r\nVer=1030.04\r\n")));
    inner.entries.push_back(makeEntry("LR.db", tableLikeBytes(250000, 4)));
    inner.entries.push_back(makeEntry("vac\xEDo.db", {}));
    return inner;
}

Bytes wrapInner(const std::function<void(BuiltArchive&)>& change) {
    BuiltArchive inner = soundInner();
    change(inner);
    return buildWorkspace(buildArchive(inner));
}

Bytes wrapInnerBytes(const std::function<void(Bytes&)>& change) {
    Bytes inner = buildArchive(soundInner());
    change(inner);
    return buildWorkspace(inner);
}

Bytes changeOuter(const std::function<void(Bytes&)>& change) {
    Bytes file = buildWorkspace(buildArchive(soundInner()));
    change(file);
    return file;
}

Bytes truncated(std::size_t size) {
    Bytes file = buildWorkspace(buildArchive(soundInner()));
    file.resize(std::min(size, file.size() - 1));
    return file;
}

// An entry whose blocks are given as stored, for a raw size of `size`.
Bytes withBlocks(std::vector<BuiltEntry::RawBlock> blocks, std::uint32_t size) {
    return wrapInner([&](BuiltArchive& a) {
        a.entries[1].blocks = blocks;
        a.entries[1].size = size;
    });
}

Bytes withName(const std::string& name) {
    return wrapInner([&](BuiltArchive& a) {
        a.entries.insert(a.entries.begin() + 1, makeEntry(name, textBytes("fuera"), false));
    });
}

void flipInBlock(Bytes& archive, bool deflated, std::size_t entry = SIZE_MAX) {
    for (const BlockAt& b : blocksOf(archive))
        if ((b.length > 0) == deflated && (entry == SIZE_MAX || b.entry == entry)) {
            archive.at(b.offset + 8 + 7) ^= 0x20;
            return;
        }
    FAIL() << "no such block";
}

std::string messageOf(Kind kind, const fs::path& file) {
    switch (kind) {
        case Kind::BadSignature:
            return "Firma Erronea: el archivo \"" + file.string() + "\" no es valido";
        case Kind::UnknownVersion:
            return "Versión desconocida";
        case Kind::Corrupted:
            return "CRC incorrecto: los datos dentro del archivo estan corrompidos";
        case Kind::InflateFailed:
            return "No es posible descomprimir el bloque";
        case Kind::TooLarge:
            return "El archivo \"" + file.string() + "\" declara 4294967300 bytes, más de lo que " +
                   "un archivo de su tamaño puede contener";
        default:
            return "";
    }
}

struct Damage {
    const char* what;
    std::function<Bytes()> make;
    Kind kind;
};

class DamagedFiles : public ContainerTest {};

TEST_F(DamagedFiles, EachFailsWithItsMessageAndWritesNothingOutside) {
    const Bytes zeros(10u << 20, 0);
    const Bytes bomb = zlibCompress(zeros);
    const Bytes twoBlocks = zlibCompress(tableLikeBytes(200000, 7));
    const fs::path absolute = root_ / "evil-absolute.txt";
    const Damage cases[] = {
        {"wrong signature", [] { return changeOuter([](Bytes& b) { b[0] ^= 1; }); },
         Kind::BadSignature},
        {"version 2", [] { return changeOuter([](Bytes& b) { putU32At(b, 4, 2); }); },
         Kind::UnknownVersion},
        {"byte changed in a deflated outer block",
         [] { return changeOuter([](Bytes& b) { flipInBlock(b, true); }); }, Kind::Corrupted},
        {"byte changed in a raw outer block",
         [] {
             Bytes file =
                 wrapInner([](BuiltArchive& a) { a.entries[1].data = noiseBytes(250000, 8); });
             flipInBlock(file, false);
             return file;
         },
         Kind::Corrupted},
        {"byte changed in a raw inner block",
         [] { return wrapInnerBytes([](Bytes& b) { flipInBlock(b, false, 1); }); },
         Kind::Corrupted},
        {"byte changed in a deflated inner block",
         [] {
             BuiltArchive inner = soundInner();
             inner.entries[1].compress = true;
             Bytes bytes = buildArchive(inner);
             flipInBlock(bytes, true, 1);
             return buildWorkspace(bytes);
         },
         Kind::Corrupted},
        {"byte changed in a block check",
         [] { return changeOuter([](Bytes& b) { b.at(blocksOf(b)[0].offset + 5) ^= 1; }); },
         Kind::Corrupted},
        {"truncated inside the signature", [] { return truncated(3); }, Kind::BadSignature},
        {"truncated inside the header", [] { return truncated(200); }, Kind::Corrupted},
        {"truncated inside the entry header", [] { return truncated(290); }, Kind::Corrupted},
        {"truncated inside the first block", [] { return truncated(400); }, Kind::Corrupted},
        {"truncated by one byte", [] { return truncated(SIZE_MAX); }, Kind::Corrupted},
        {"name with ..", [] { return withName("../evil.txt"); }, Kind::CannotCreate},
        {"name with .. behind backslashes", [] { return withName("sub\\..\\..\\evil.txt"); },
         Kind::CannotCreate},
        {"absolute name", [&] { return withName(absolute.string()); }, Kind::CannotCreate},
        {"name with a drive letter", [] { return withName("C:\\evil.txt"); }, Kind::CannotCreate},
        {"name with a NUL", [] { return withName(std::string("evil\0.txt", 9)); },
         Kind::CannotCreate},
        {"inner block inflating to 10 MB",
         [&] {
             return withBlocks({{std::int32_t(bomb.size()), bomb, {}}}, 10u << 20);
         },
         Kind::InflateFailed},
        {"outer block inflating past BlockSize",
         [&] {
             BuiltArchive outer;
             outer.flags = 0x16;
             outer.entries.push_back(makeEntry("~Archiv-1.tmp", {}));
             outer.entries[0].blocks = {{std::int32_t(twoBlocks.size()), twoBlocks, {}}};
             outer.entries[0].size = 200000;
             return buildArchive(outer);
         },
         Kind::InflateFailed},
        {"block that is no zlib stream",
         [] {
             return withBlocks({{1000, noiseBytes(1000, 3), {}}}, 1000);
         },
         Kind::InflateFailed},
        // A size no file of this length can hold is refused before anything is written.
        {"entry Size above its blocks",
         [] { return wrapInner([](BuiltArchive& a) { a.entries[1].size = 0xFFFFFFF0; }); },
         Kind::TooLarge},
        {"entry Size above its blocks, within the budget",
         [] { return wrapInner([](BuiltArchive& a) { a.entries[1].size = 1000000; }); },
         Kind::Corrupted},
        {"entry Size below its blocks",
         [] { return wrapInner([](BuiltArchive& a) { a.entries[1].size = 10; }); },
         Kind::Corrupted},
        {"entry stored size past the end",
         [] {
             return wrapInner([](BuiltArchive& a) { a.entries[1].segCompressedSize = 0x7FFFFFF0; });
         },
         Kind::Corrupted},
        {"entry stored size cutting its last block",
         [] {
             return wrapInner(
                 [](BuiltArchive& a) { a.entries[1].segCompressedSize = 250000 + 3 * 8 - 5; });
         },
         Kind::Corrupted},
        {"name length past the archive",
         [] { return wrapInner([](BuiltArchive& a) { a.entries[1].nameLength = 0xFFFFFFF0; }); },
         Kind::Corrupted},
        {"entry Offset outside the archive",
         [] { return wrapInner([](BuiltArchive& a) { a.entries[1].offset = 0x7FFFFFF0; }); },
         Kind::Corrupted},
        {"FileCount beyond what the archive can hold",
         [] { return wrapInner([](BuiltArchive& a) { a.fileCount = 0xFFFFFFFF; }); },
         Kind::Corrupted},
        {"EndOffset past the file",
         [] { return changeOuter([](Bytes& b) { putU32At(b, 16, 0xFFFFFFFF); }); },
         Kind::Corrupted},
        {"EndOffset inside the header",
         [] { return changeOuter([](Bytes& b) { putU32At(b, 16, 100); }); }, Kind::Corrupted},
        {"comment length past the file",
         [] { return changeOuter([](Bytes& b) { putU32At(b, 269, 0xFFFFFFF0); }); },
         Kind::Corrupted},
        {"block length 0",
         [] {
             return withBlocks({{0, {}, {}}}, 0);
         },
         Kind::Corrupted},
        {"block length far above BlockSize",
         [] {
             return withBlocks({{0x7FFFFFFF, textBytes("abc"), {}}}, 3);
         },
         Kind::Corrupted},
        {"block length -2^31",
         [] {
             return withBlocks({{INT32_MIN, textBytes("abc"), {}}}, 3);
         },
         Kind::Corrupted},
        {"raw block longer than BlockSize",
         [] {
             return withBlocks({{-100001, tableLikeBytes(100001, 1), {}}}, 100001);
         },
         Kind::Corrupted},
        {"inner BlockSize 0", [] { return wrapInnerBytes([](Bytes& b) { putU32At(b, 12, 0); }); },
         Kind::Corrupted},
        {"inner BlockSize 4 GB",
         [] { return wrapInnerBytes([](Bytes& b) { putU32At(b, 12, 0xFFFFFFFF); }); },
         Kind::Corrupted},
        {"solid archive inside the solid archive",
         [] { return buildWorkspace(buildWorkspace(buildArchive(soundInner()))); },
         Kind::Corrupted},
        {"outer archive counting an entry it lacks",
         [] {
             BuiltArchive outer;
             outer.flags = 0x16;
             outer.fileCount = 1;
             return buildArchive(outer);
         },
         Kind::Corrupted},
    };
    fs::path vxf = root_ / "w.vxf";
    fs::path dest = root_ / "dest";
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(vxf, c.make());
        fs::remove_all(dest);
        try {
            unpackFile(vxf, dest);
            ADD_FAILURE() << "no error";
        } catch (const ContainerError& e) {
            EXPECT_EQ(e.kind(), c.kind);
            if (c.kind == Kind::CannotCreate)
                EXPECT_EQ(std::string(e.what()).rfind("Can not create ", 0), 0u);
            else
                EXPECT_EQ(e.what(), messageOf(c.kind, vxf));
        }
        std::vector<std::string> here = names(root_);
        EXPECT_TRUE(here == (std::vector<std::string>{"tmp", "w.vxf"}) ||
                    here == (std::vector<std::string>{"dest", "tmp", "w.vxf"}));
        EXPECT_FALSE(fs::exists(absolute));
        EXPECT_TRUE(names(tmp_).empty()) << "temporary file left";
        // Files before the damaged one may be there; the damaged one is never half-written.
        for (const std::string& name : names(dest)) EXPECT_EQ(name, "DB.def");

        if (c.kind != Kind::CannotCreate) {
            try {
                checkFile(vxf);
                ADD_FAILURE() << "check passed";
            } catch (const ContainerError& e) {
                EXPECT_EQ(e.kind(), c.kind);
            }
        }
    }
}

TEST_F(DamagedFiles, HasEntriesIsFalseForWhatCannotBeOpened) {
    fs::path vxf = root_ / "w.vxf";
    EXPECT_FALSE(hasEntries(vxf)) << "missing";
    for (const Bytes& bytes : {changeOuter([](Bytes& b) { b[0] ^= 1; }),
                               changeOuter([](Bytes& b) { putU32At(b, 4, 2); }), truncated(100),
                               textBytes("not a workspace"), Bytes{}}) {
        writeBytes(vxf, bytes);
        EXPECT_FALSE(hasEntries(vxf));
    }
    writeBytes(vxf, buildWorkspace(buildArchive(soundInner())));
    EXPECT_TRUE(hasEntries(vxf));
    writeBytes(vxf, buildWorkspace(buildArchive(BuiltArchive{})));
    EXPECT_FALSE(hasEntries(vxf)) << "a solid file around an empty inner archive";
}

}  // namespace
}  // namespace vexa::testing
