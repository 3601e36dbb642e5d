// Container cases at the edges of what the format allows: dates around its day zero, a
// damaged FileCount alone, names at the length limit, another writer's slightly long
// compressed block, a failed final rename, and files that declare more than they can hold.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "container_fixture.h"
#include "store/container/container.h"
#include "store/container/file_date.h"
#include "store/container/file_ops.h"

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ContainerError::Kind;

class EdgeCases : public ContainerTest {};

Kind kindOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const ContainerError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no error";
    return Kind::Corrupted;
}

BuiltArchive threeFiles() {
    BuiltArchive inner;
    inner.entries.push_back(makeEntry("DB.def", textBytes("[Def]\r\nVer=1030.04\r\n")));
    inner.entries.push_back(makeEntry("LR.db", tableLikeBytes(150000, 9)));
    inner.entries.push_back(makeEntry("Nut.db", tableLikeBytes(3000, 2)));
    return inner;
}

fs::file_time_type localTime(int year, int month, int day, int hour, int minute) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_isdst = -1;
    std::time_t when = std::mktime(&t);
    return std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(when));
}

TEST_F(EdgeCases, DatesAroundDayZeroAreDaysAndRestoredOnlyFromTheFirstValidDay) {
    // Before 30 December 1899 the day counts down while the time of day still counts up.
    // (Most file systems cannot hold such dates, so the conversion is checked directly.)
    struct {
        int y, m, d, h;
        double days;
    } packed[] = {{1899, 12, 29, 12, -1.5},
                  {1899, 12, 30, 0, 0.0},
                  {1899, 12, 28, 6, -2.25},
                  {1900, 1, 1, 6, 2.25},
                  {2024, 3, 15, 12, 45366.5}};
    for (const auto& c : packed) {
        SCOPED_TRACE(std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d));
        EXPECT_DOUBLE_EQ(vxf::fileTimeToDays(localTime(c.y, c.m, c.d, c.h, 0)), c.days);
    }
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "a.db", textBytes("datos"));
    fs::last_write_time(root_ / "src" / "a.db", localTime(2024, 3, 15, 12, 0));
    packFolder(root_ / "src", root_ / "w.vxf");
    EXPECT_DOUBLE_EQ(checkFile(root_ / "w.vxf").at(0).date, 45366.5);

    // A day number below the first valid one (1 January 1900, day 2) is not restored: the
    // file keeps the time it was written.
    struct {
        double days;
        bool restored;
    } unpacked[] = {{-1.5, false}, {0.0, false}, {1.999, false}, {2.0, true}, {45366.5, true}};
    const auto now = fs::file_time_type::clock::now();
    for (const auto& c : unpacked) {
        SCOPED_TRACE(c.days);
        BuiltArchive inner;
        inner.entries.push_back(makeEntry("a.db", textBytes("datos")));
        inner.entries[0].date = c.days;
        writeBytes(root_ / "d.vxf", buildWorkspace(buildArchive(inner)));
        fs::remove_all(root_ / "dest");
        unpackFile(root_ / "d.vxf", root_ / "dest");
        auto written = fs::last_write_time(root_ / "dest" / "a.db");
        if (c.restored)
            EXPECT_LT(written, now - std::chrono::hours(24 * 365));
        else
            EXPECT_GT(written, now - std::chrono::minutes(5));
    }
    EXPECT_FALSE(vxf::daysToFileTime(1.999).has_value());
    EXPECT_EQ(*vxf::daysToFileTime(45366.5), localTime(2024, 3, 15, 12, 0));
}

TEST_F(EdgeCases, OnlyFileCountDamaged) {
    // ArchiveInfo.FileCount (offset 25) alone: the entries are found by walking to EndOffset,
    // so a wrong count within the room there is changes nothing; one past it is damage.
    struct {
        const char* what;
        bool outer;
        std::uint32_t count;
        bool opens;
    } cases[] = {
        {"inner count 0", false, 0, true},
        {"inner count 2", false, 2, true},
        {"inner count huge", false, 1u << 30, false},
        {"outer count 0", true, 0, true},
        {"outer count 5", true, 5, true},
        {"outer count huge", true, 0xFFFFFFFF, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes inner = buildArchive(threeFiles());
        if (!c.outer) putU32At(inner, 25, c.count);
        Bytes file = buildWorkspace(inner);
        if (c.outer) putU32At(file, 25, c.count);
        ASSERT_EQ(u32At(file, 49), 1u);  // SegmentInfo.FileCount untouched
        writeBytes(root_ / "w.vxf", file);
        fs::remove_all(root_ / "dest");
        if (c.opens) {
            unpackFile(root_ / "w.vxf", root_ / "dest");
            EXPECT_EQ(names(root_ / "dest"),
                      (std::vector<std::string>{"DB.def", "LR.db", "Nut.db"}));
            EXPECT_EQ(readBytes(root_ / "dest" / "LR.db"), tableLikeBytes(150000, 9));
        } else {
            EXPECT_EQ(kindOf([&] { unpackFile(root_ / "w.vxf", root_ / "dest"); }),
                      Kind::Corrupted);
            EXPECT_TRUE(!fs::exists(root_ / "dest") || fs::is_empty(root_ / "dest"));
        }
    }
}

TEST_F(EdgeCases, NamesPastTheLimitAreDamageEvenWhenTheyFit) {
    for (std::size_t length : {4096u, 4097u, 70000u}) {
        SCOPED_TRACE(length);
        BuiltArchive inner = threeFiles();
        inner.entries.push_back(makeEntry(std::string(length, 'n'), textBytes("x")));
        writeBytes(root_ / "w.vxf", buildWorkspace(buildArchive(inner)));
        if (length <= 4096) {
            auto entries = checkFile(root_ / "w.vxf");
            ASSERT_EQ(entries.size(), 4u);
            EXPECT_EQ(entries[3].name.size(), length);
        } else {
            EXPECT_EQ(kindOf([&] { checkFile(root_ / "w.vxf"); }), Kind::Corrupted);
        }
    }
}

TEST_F(EdgeCases, AnotherWritersCompressedBlockSlightlyAboveBlockSizeIsRead) {
    // Deflate cannot shorten noise; our writer then stores it raw, another may not.
    Bytes noise = noiseBytes(100000, 5);
    Bytes stream = zlibCompress(noise);
    ASSERT_GT(stream.size(), 100000u);
    ASSERT_LE(stream.size(), 101000u);
    struct {
        const char* what;
        Bytes stored;
        bool reads;
    } cases[] = {
        {"deflated, just above BlockSize", stream, true},
        {"stored length above BlockSize + 1 %", Bytes(101001, 0x5A), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BuiltArchive inner = threeFiles();
        BuiltEntry e = makeEntry("ruido.db", noise);
        e.blocks = std::vector<BuiltEntry::RawBlock>{
            {std::int32_t(c.stored.size()), c.stored, std::nullopt}};
        inner.entries.push_back(e);
        writeBytes(root_ / "w.vxf", buildWorkspace(buildArchive(inner)));
        fs::remove_all(root_ / "dest");
        if (c.reads) {
            unpackFile(root_ / "w.vxf", root_ / "dest");
            EXPECT_EQ(readBytes(root_ / "dest" / "ruido.db"), noise);
        } else {
            EXPECT_EQ(kindOf([&] { checkFile(root_ / "w.vxf"); }), Kind::Corrupted);
        }
    }
}

TEST_F(EdgeCases, AFailedFinalRenameLeavesTheOriginalFile) {
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "a.db", tableLikeBytes(120000, 3));
    packFolder(root_ / "src", root_ / "w.vxf");
    const Bytes original = readBytes(root_ / "w.vxf");
    writeBytes(root_ / "src" / "a.db", tableLikeBytes(120000, 4));
    vxf::failNthFileOperation(0, 0);
    packFolder(root_ / "src", root_ / "other.vxf");
    const long operations = vxf::fileOperationCount();
    vxf::failNthFileOperation(operations, EACCES);  // the rename is the last one
    try {
        packFolder(root_ / "src", root_ / "w.vxf");
        ADD_FAILURE() << "no error";
    } catch (const ContainerError& e) {
        EXPECT_EQ(e.kind(), Kind::CannotCreate);
        EXPECT_EQ(e.systemError(), EACCES);
    }
    vxf::failNthFileOperation(0, 0);
    EXPECT_EQ(readBytes(root_ / "w.vxf"), original);
    EXPECT_EQ(names(root_), (std::vector<std::string>{"other.vxf", "src", "tmp", "w.vxf"}));
    EXPECT_TRUE(names(tmp_).empty());
}

TEST_F(EdgeCases, DeclaredSizesBeyondTheBoundAreRefusedBeforeAnythingIsWritten) {
    // A size no deflate stream of this file can reach (its limit is 1032:1): refused before
    // anything is written.
    BuiltArchive bomb;
    BuiltEntry lie = makeEntry("vexa.sqlite", Bytes(1u << 20, 0));
    lie.size = 0xF0000000u;
    bomb.entries.push_back(lie);
    Bytes file = buildWorkspace(buildArchive(bomb));
    ASSERT_GT(std::uint64_t(0xF0000000u), expansionBudget(file.size()));
    writeBytes(root_ / "bomba.vxf", file);
    EXPECT_EQ(kindOf([&] { checkFile(root_ / "bomba.vxf"); }), Kind::TooLarge);
    EXPECT_EQ(kindOf([&] { unpackFile(root_ / "bomba.vxf", root_ / "dest"); }), Kind::TooLarge);
    EXPECT_TRUE(names(root_ / "dest").empty());
    EXPECT_TRUE(names(tmp_).empty());

    // The same inside a small inner archive: the files' sizes count against the bound too.
    BuiltArchive inner;
    BuiltEntry zeros = makeEntry("vexa.sqlite", Bytes(1u << 20, 0), true);
    zeros.size = 0xF0000000u;
    inner.entries.push_back(zeros);
    writeBytes(root_ / "bomba2.vxf", buildWorkspace(buildArchive(inner)));
    EXPECT_EQ(kindOf([&] { unpackFile(root_ / "bomba2.vxf", root_ / "dest"); }), Kind::TooLarge);
    EXPECT_TRUE(names(root_ / "dest").empty());

    // What an earlier release saved after most of a catalogue was deleted: a database of
    // zeroed pages that packs 1000:1. It is sound, and opens.
    BuiltArchive sparse;
    sparse.entries.push_back(makeEntry("vexa.sqlite", Bytes(40u << 20, 0)));
    writeBytes(root_ / "vacia.vxf", buildWorkspace(buildArchive(sparse)));
    ASSERT_LT(fs::file_size(root_ / "vacia.vxf"), 100000u);
    unpackFile(root_ / "vacia.vxf", root_ / "dest");
    EXPECT_EQ(fs::file_size(root_ / "dest" / "vexa.sqlite"), 40u << 20);
}

TEST_F(EdgeCases, CheckAndUnpackNeedNoTemporaryFolder) {
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "a.db", tableLikeBytes(250000, 6));
    packFolder(root_ / "src", root_ / "w.vxf");
    // Nothing can be written to the temporary folder: the inner archive is never stored.
    setenv("TMPDIR", (root_ / "no such folder").c_str(), 1);
    EXPECT_EQ(checkFile(root_ / "w.vxf").size(), 1u);
    unpackFile(root_ / "w.vxf", root_ / "dest");
    setenv("TMPDIR", tmp_.c_str(), 1);
    EXPECT_EQ(readBytes(root_ / "dest" / "a.db"), tableLikeBytes(250000, 6));
    EXPECT_TRUE(names(tmp_).empty());
}

}  // namespace
}  // namespace vexa::testing
