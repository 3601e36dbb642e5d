// Errors that concern one file: the caller is told and answers continue or stop; and the
// failures of a whole operation, which leave the user's files as they were.
#include "container_fixture.h"
#include "store/container/binary_file.h"
#include "store/container/container.h"

#include <cerrno>

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ContainerError::Kind;

class Answering : public ContainerErrorHandler {
public:
    explicit Answering(FileErrorAnswer answer) : answer_(answer) {}
    FileErrorAnswer onFileError(const std::string& fileName, const ContainerError& error) override {
        told.emplace_back(fileName, error.kind());
        return answer_;
    }
    std::vector<std::pair<std::string, Kind>> told;

private:
    FileErrorAnswer answer_;
};

// Four files; the second is damaged inside the inner archive, the third has a name that
// leaves the folder.
Bytes workspaceWithTwoBadFiles() {
    BuiltArchive inner;
    inner.entries.push_back(makeEntry("uno.db", textBytes("1")));
    inner.entries.push_back(makeEntry("dos.db", tableLikeBytes(150000, 2)));
    inner.entries.push_back(makeEntry("..\\tres.db", textBytes("3")));
    inner.entries.push_back(makeEntry("cuatro.db", textBytes("4")));
    Bytes bytes = buildArchive(inner);
    for (const BlockAt& b : blocksOf(bytes))
        if (b.entry == 1) {
            bytes.at(b.offset + 8 + 99999) ^= 1;  // last byte of its first block
            break;
        }
    return buildWorkspace(bytes);
}

class FileErrors : public ContainerTest {};

TEST_F(FileErrors, ContinueSkipsTheFileAndGoesOn) {
    writeBytes(root_ / "w.vxf", workspaceWithTwoBadFiles());
    Answering keepGoing(FileErrorAnswer::Continue);
    unpackFile(root_ / "w.vxf", root_ / "dest", &keepGoing);
    EXPECT_EQ(names(root_ / "dest"), (std::vector<std::string>{"cuatro.db", "uno.db"}));
    ASSERT_EQ(keepGoing.told.size(), 2u);
    EXPECT_EQ(keepGoing.told[0], std::make_pair(std::string("dos.db"), Kind::Corrupted));
    EXPECT_EQ(keepGoing.told[1], std::make_pair(std::string("..\\tres.db"), Kind::CannotCreate));
    EXPECT_FALSE(fs::exists(root_ / "tres.db"));
    EXPECT_TRUE(names(tmp_).empty());
}

TEST_F(FileErrors, StopEndsTheOperationWithThatError) {
    writeBytes(root_ / "w.vxf", workspaceWithTwoBadFiles());
    Answering stop(FileErrorAnswer::Stop);
    try {
        unpackFile(root_ / "w.vxf", root_ / "dest", &stop);
        ADD_FAILURE() << "no error";
    } catch (const ContainerError& e) {
        EXPECT_EQ(e.kind(), Kind::Corrupted);
    }
    EXPECT_EQ(stop.told.size(), 1u);
    EXPECT_EQ(names(root_ / "dest"), (std::vector<std::string>{"uno.db"}));
    EXPECT_TRUE(names(tmp_).empty());
}

TEST_F(FileErrors, ErrorsOfTheWholeFileAreNotAskedAbout) {
    Bytes file = workspaceWithTwoBadFiles();
    file.at(blocksOf(file)[0].offset + 20) ^= 1;
    writeBytes(root_ / "w.vxf", file);
    Answering keepGoing(FileErrorAnswer::Continue);
    EXPECT_THROW(unpackFile(root_ / "w.vxf", root_ / "dest", &keepGoing), ContainerError);
    EXPECT_TRUE(keepGoing.told.empty());
}

TEST_F(FileErrors, PackingAFileTheFormatCannotNameAsksToo) {
    fs::path src = root_ / "src";
    fs::create_directories(src);
    writeBytes(src / "bien.db", textBytes("ok"));
    writeBytes(src / "日本.db", textBytes("no CP-1252 name"));
    fs::path vxf = root_ / "w.vxf";
    writeBytes(vxf, textBytes("previous workspace"));

    Answering stop(FileErrorAnswer::Stop);
    PackOptions options;
    options.errorHandler = &stop;
    try {
        packFolder(src, vxf, options);
        ADD_FAILURE() << "no error";
    } catch (const ContainerError& e) {
        EXPECT_EQ(e.kind(), Kind::CannotOpen);
        EXPECT_EQ(std::string(e.what()), "Can not open " + (src / "日本.db").string());
    }
    EXPECT_TRUE(readBytes(vxf) == textBytes("previous workspace")) << "user's file untouched";
    EXPECT_EQ(names(root_), (std::vector<std::string>{"src", "tmp", "w.vxf"}));
    EXPECT_TRUE(names(tmp_).empty());

    Answering keepGoing(FileErrorAnswer::Continue);
    options.errorHandler = &keepGoing;
    packFolder(src, vxf, options);
    EXPECT_EQ(keepGoing.told.size(), 1u);
    unpackFile(vxf, root_ / "dest");
    EXPECT_EQ(names(root_ / "dest"), (std::vector<std::string>{"bien.db"}));
}

TEST_F(FileErrors, LinksInTheDestinationAreNeverFollowed) {
    BuiltArchive inner;
    inner.entries.push_back(makeEntry("link.db", textBytes("nuevo")));
    inner.entries.push_back(makeEntry("sub\\x.db", textBytes("x")));
    writeBytes(root_ / "w.vxf", buildWorkspace(buildArchive(inner)));
    fs::create_directories(root_ / "dest");
    fs::create_directories(root_ / "outdir");
    writeBytes(root_ / "outside.txt", textBytes("keep"));
    fs::create_symlink(root_ / "outside.txt", root_ / "dest" / "link.db");
    fs::create_directory_symlink(root_ / "outdir", root_ / "dest" / "sub");

    Answering keepGoing(FileErrorAnswer::Continue);
    unpackFile(root_ / "w.vxf", root_ / "dest", &keepGoing);
    EXPECT_TRUE(readBytes(root_ / "outside.txt") == textBytes("keep"));
    EXPECT_FALSE(fs::is_symlink(root_ / "dest" / "link.db"));
    EXPECT_TRUE(readBytes(root_ / "dest" / "link.db") == textBytes("nuevo"));
    EXPECT_TRUE(fs::is_empty(root_ / "outdir"));
    ASSERT_EQ(keepGoing.told.size(), 1u);
    EXPECT_EQ(keepGoing.told[0].second, Kind::CannotCreate);
}

TEST_F(FileErrors, WholeOperationFailures) {
    fs::create_directories(root_ / "src");
    writeBytes(root_ / "src" / "a.db", textBytes("a"));
    auto kindOf = [](const std::function<void()>& run) -> std::pair<Kind, std::string> {
        try {
            run();
        } catch (const ContainerError& e) {
            return {e.kind(), e.what()};
        }
        return {Kind::Corrupted, "no error"};
    };
    fs::path missing = root_ / "no such folder";
    EXPECT_EQ(kindOf([&] { packFolder(root_ / "src", missing / "w.vxf"); }),
              std::make_pair(Kind::CannotCreate, "Can not create " + (missing / "w.vxf").string()));
    EXPECT_EQ(kindOf([&] { packFolder(missing, root_ / "w.vxf"); }),
              std::make_pair(Kind::CannotOpen, "Can not open " + missing.string()));
    PackOptions noTemp;
    noTemp.tempFolder = missing;
    EXPECT_EQ(kindOf([&] { packFolder(root_ / "src", root_ / "w.vxf", noTemp); }),
              std::make_pair(Kind::NoTempFile, std::string("No puedo construir archivo temporal")));
    EXPECT_FALSE(fs::exists(root_ / "w.vxf"));
    EXPECT_TRUE(names(tmp_).empty());

    packFolder(root_ / "src", root_ / "w.vxf");
    EXPECT_EQ(kindOf([&] { unpackFile(root_ / "w.vxf", ""); }),
              std::make_pair(Kind::NoExtractPath,
                             std::string("Es necesario la trayectoria de extracción (property "
                                         "ExtractPath)")));
    EXPECT_EQ(kindOf([&] { unpackFile(missing / "x.vxf", root_ / "dest"); }),
              std::make_pair(Kind::CannotOpen, "Can not open " + (missing / "x.vxf").string()));
    writeBytes(root_ / "dest", textBytes("a file where the folder should be"));
    EXPECT_EQ(kindOf([&] { unpackFile(root_ / "w.vxf", root_ / "dest"); }).first,
              Kind::CannotCreate);
}

TEST(FullDisk, EveryFailedStepOfAWriterKeepsTheSystemsCause) {
    // /dev/full takes buffered bytes and refuses them when they are written out: by a seek,
    // which flushes, or by a write that fills the buffer. Either way the cause is kept, so the
    // user reads "No hay espacio en el disco." and not a failure without a reason.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    {
        vxf::BinaryFile out("/dev/full", vxf::BinaryFile::Mode::Replace);
        ASSERT_TRUE(out.isOpen());
        ASSERT_TRUE(out.write("abc", 3));  // still in the buffer
        EXPECT_FALSE(out.seek(0));
        EXPECT_EQ(out.lastError(), ENOSPC);
    }
    {
        vxf::BinaryFile out("/dev/full", vxf::BinaryFile::Mode::Replace);
        std::string big(1 << 20, 'x');
        EXPECT_FALSE(out.write(big.data(), big.size()));
        EXPECT_EQ(out.lastError(), ENOSPC);
    }
}

}  // namespace
}  // namespace vexa::testing
