// Packing a folder and unpacking it again gives back every byte, size and date.
#include <chrono>

#include "container_fixture.h"
#include "store/container/container.h"

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;

class RoundTrip : public ContainerTest {};

TEST_F(RoundTrip, EveryByteSizeAndDateComesBack) {
    fs::path src = root_ / "src";
    fs::create_directories(src);
    struct File {
        std::string name;
        Bytes data;
    } files[] = {
        {"vacío.db", {}},
        {"LR.db", tableLikeBytes(200000, 1)},
        {"ruido.bin", noiseBytes(150001, 2)},
        {"Val grande.db", tableLikeBytes(50u << 20, 3)},
        {"Año ñandú €.px", textBytes("Índice")},
        {"DB.def", textBytes("[User]\r\nNombre=Granja\r\n[Def]\r\nVer=1030.04\r\n")},
    };
    auto base = fs::file_time_type::clock::now() - std::chrono::hours(24 * 40);
    int i = 0;
    for (const auto& f : files) {
        writeBytes(src / f.name, f.data);
        fs::last_write_time(src / f.name, base + std::chrono::seconds(3600 * i++ + 7));
    }
    fs::create_directories(src / "subfolder");  // folders are not packed

    fs::path vxf = root_ / "Granja.vxf";
    packFolder(src, vxf);
    EXPECT_TRUE(hasEntries(vxf));
    EXPECT_TRUE(names(tmp_).empty()) << "the temporary inner archive is removed";

    fs::path dest = root_ / "Granja.000";
    unpackFile(vxf, dest);
    EXPECT_EQ(names(dest).size(), std::size(files));
    for (const auto& f : files) {
        fs::path got = dest / f.name;
        ASSERT_TRUE(fs::is_regular_file(got)) << f.name;
        EXPECT_EQ(fs::file_size(got), f.data.size()) << f.name;
        EXPECT_TRUE(readBytes(got) == f.data) << f.name;
        auto drift = fs::last_write_time(got) - fs::last_write_time(src / f.name);
        EXPECT_LE(std::chrono::abs(drift), std::chrono::seconds(2)) << f.name;
    }
    EXPECT_TRUE(names(tmp_).empty()) << "the unpacked inner archive is removed";

    auto listed = checkFile(vxf);
    ASSERT_EQ(listed.size(), std::size(files));
    EXPECT_EQ(listed[0].name, "Año ñandú €.px");  // sorted by name
}

TEST_F(RoundTrip, EmptyFolderGivesAContainerWithoutEntries) {
    fs::create_directories(root_ / "src");
    fs::path vxf = root_ / "vacía.vxf";
    packFolder(root_ / "src", vxf);
    EXPECT_FALSE(hasEntries(vxf));
    unpackFile(vxf, root_ / "dest");
    EXPECT_TRUE(names(root_ / "dest").empty());
    EXPECT_TRUE(checkFile(vxf).empty());
}

TEST_F(RoundTrip, PackingReplacesAnExistingFileAndLeavesNoTemporaryBehind) {
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "a.db", textBytes("nuevo"));
    fs::path vxf = root_ / "w.vxf";
    writeBytes(vxf, textBytes("old workspace"));
    packFolder(root_ / "src", vxf);
    EXPECT_EQ(names(root_), (std::vector<std::string>{"src", "tmp", "w.vxf"}));
    unpackFile(vxf, root_ / "dest");
    EXPECT_TRUE(readBytes(root_ / "dest" / "a.db") == textBytes("nuevo"));
}

TEST_F(RoundTrip, ReadOnlyFilesStayReadOnlyAndExistingFilesAreOverwritten) {
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "ro.db", textBytes("fijo"));
    fs::permissions(root_ / "src" / "ro.db",
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::path vxf = root_ / "w.vxf";
    packFolder(root_ / "src", vxf);
    fs::create_directories(root_ / "dest");
    writeBytes(root_ / "dest" / "ro.db", textBytes("a longer stale file"));
    unpackFile(vxf, root_ / "dest");
    EXPECT_TRUE(readBytes(root_ / "dest" / "ro.db") == textBytes("fijo"));
    auto perms = fs::status(root_ / "dest" / "ro.db").permissions();
    EXPECT_EQ(perms & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(checkFile(vxf).at(0).attributes, 0x21u);
}

}  // namespace
}  // namespace vexa::testing
