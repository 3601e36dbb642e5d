// Every writer saves through links and devices as a user expects: a link is followed and
// kept (its file receives the change), a FIFO or a character device is written through and
// never replaced by a regular file, a folder is refused; a workspace opened through a link is
// saved into the linked file with its backup beside it.
#include "lifecycle_fixture.h"

#include "store/container/container.h"
#include "store/file_target.h"
#include "store/ini_file.h"
#include "store/report_file.h"
#include "test_paths.h"
#include "engine/report_document.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>

namespace vexa {
namespace {

namespace fs = std::filesystem;
using testing::addIngredient;
using testing::bytesOf;
using testing::createAndOpen;
using testing::DocumentsFolder;
using testing::ScriptedUi;

struct TempFolder {
    TempFolder() {
        char tmpl[] = "/tmp/vexa_targets_XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    fs::path path;
};

std::string readAll(const fs::path& f) {
    std::ifstream in(f, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A reader on the other end of a FIFO, so that a write through does not wait forever; it
// gives up after `seconds` without a writer (a write that never came), never blocking.
std::future<std::string> drain(const fs::path& fifo, int seconds = 10) {
    auto reader = std::async(std::launch::async, [fifo, seconds] {
        int fd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        std::string got;
        char buf[4096];
        for (int i = 0; i < seconds * 200; ++i) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) got.append(buf, size_t(n));
            if (n == 0 && !got.empty()) break;
            ::usleep(5000);
        }
        ::close(fd);
        return got;
    });
    ::usleep(20000);  // the reader has the FIFO open
    return reader;
}

// The writers of the store and the container, each writing something to `file`. True when
// it reports success.
struct Writer {
    const char* name;
    std::function<bool(const fs::path&)> write;
};

std::vector<Writer> writers(const fs::path& scratch) {
    return {
        {"writeWholeFile", [](const fs::path& f) { return writeWholeFile(f, "hola\n").empty(); }},
        {"IniFile::save",
         [](const fs::path& f) {
             IniFile ini;
             ini.writeString("User", "Nombre", "Granja");
             try {
                 ini.save(f);
                 return true;
             } catch (const std::exception&) {
                 return false;
             }
         }},
        {"GuardarReporteArchivo",
         [](const fs::path& f) {
             MemoryReportDocument doc;
             doc.AppendLine("REPORTE");
             try {
                 GuardarReporteArchivo(doc, f, ReportFileFormat::PlainText);
                 return true;
             } catch (const std::exception&) {
                 return false;
             }
         }},
        {"packFolder",
         [scratch](const fs::path& f) {
             fs::create_directories(scratch / "pack");
             std::ofstream(scratch / "pack" / "a.txt") << "a";
             try {
                 packFolder(scratch / "pack", f);
                 return true;
             } catch (const std::exception&) {
                 return false;
             }
         }},
    };
}

TEST(FileTargets, ALinkIsFollowedAndKept) {
    for (const Writer& w : writers(TempFolder().path)) {
        SCOPED_TRACE(w.name);
        TempFolder t;
        fs::create_directories(t.path / "real");
        const fs::path real = t.path / "real" / "archivo";
        std::ofstream(real) << "antes";
        const fs::path link = t.path / "enlace";
        fs::create_symlink("real/archivo", link);  // relative, as users make them
        ASSERT_TRUE(w.write(link));
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
        EXPECT_NE(readAll(real), "antes");
        // Nothing left beside the link or the file.
        EXPECT_EQ(std::distance(fs::directory_iterator(t.path), fs::directory_iterator()), 2);
        EXPECT_EQ(std::distance(fs::directory_iterator(t.path / "real"), fs::directory_iterator()),
                  1);
        // A link to a file not there yet creates it.
        const fs::path dangling = t.path / "nuevo";
        fs::create_symlink(t.path / "real" / "nuevo", dangling);
        ASSERT_TRUE(w.write(dangling));
        EXPECT_TRUE(fs::is_symlink(fs::symlink_status(dangling)));
        EXPECT_TRUE(fs::is_regular_file(t.path / "real" / "nuevo"));
    }
}

TEST(FileTargets, AFifoIsWrittenThroughAndAFolderRefused) {
    const std::vector<std::string> through = {"writeWholeFile", "IniFile::save",
                                              "GuardarReporteArchivo"};
    for (const Writer& w : writers(TempFolder().path)) {
        SCOPED_TRACE(w.name);
        TempFolder t;
        const fs::path fifo = t.path / "tubo";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const bool writesThrough =
            std::find(through.begin(), through.end(), w.name) != through.end();
        auto reader = drain(fifo, writesThrough ? 10 : 1);
        const bool ok = w.write(fifo);
        const std::string got = reader.get();
        EXPECT_EQ(ok, writesThrough);
        if (writesThrough) {
            EXPECT_FALSE(got.empty());
        }
        struct stat st {};
        ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the FIFO was replaced";

        fs::create_directories(t.path / "carpeta");
        EXPECT_FALSE(w.write(t.path / "carpeta"));
        EXPECT_TRUE(fs::is_directory(t.path / "carpeta"));
    }
}

// A character device of our own (as root; /dev/null itself is never put at risk by a test).
TEST(FileTargets, ACharacterDeviceIsNeverReplaced) {
    TempFolder t;
    const fs::path dev = t.path / "null";
    if (::mknod(dev.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "making a device node needs root";
    for (const Writer& w : writers(t.path)) {
        SCOPED_TRACE(w.name);
        w.write(dev);
        struct stat st {};
        ASSERT_EQ(::lstat(dev.c_str(), &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode)) << "the device was replaced by a file";
    }
    EXPECT_EQ(writeWholeFile(dev, "x"), "");  // written through
}

TEST(FileTargets, AFailedWriteSaysItsCauseInSpanish) {
    // A full disk (/dev/full), a folder that does not exist, one that may not be written.
    TempFolder t;
    if (fs::exists("/dev/full"))
        EXPECT_EQ(writeWholeFile("/dev/full", "x"), "no hay espacio en el disco");
    EXPECT_EQ(writeWholeFile(t.path / "no" / "r.txt", "x"), "la carpeta no existe");
    EXPECT_EQ(systemErrorCause(EACCES), "no tiene permiso para escribir ahí");
    EXPECT_EQ(systemErrorCause(ENOSPC), "no hay espacio en el disco");
}

// vexa-cli report --out onto a link and a FIFO: the link stays and its file has the report,
// the FIFO's reader gets it.
TEST(FileTargets, CommandLineReportThroughALinkAndAFifo) {
    TempFolder t;
    const std::string cli = VEXA_CLI_PATH;
    const std::string vxf = (t.path / "s.vxf").string();
    ASSERT_EQ(std::system((cli + " sample " + vxf + " >/dev/null 2>&1").c_str()), 0);
    fs::create_directories(t.path / "real");
    const fs::path link = t.path / "reporte.txt";
    fs::create_symlink(t.path / "real" / "reporte.txt", link);
    ASSERT_EQ(
        std::system((cli + " report " + vxf + " nutrientes --out " + link.string() + " 2>/dev/null")
                        .c_str()),
        0);
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_NE(readAll(t.path / "real" / "reporte.txt").find("Proteína cruda"), std::string::npos);

    const fs::path fifo = t.path / "tubo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto reader = drain(fifo);
    EXPECT_EQ(
        std::system((cli + " report " + vxf + " nutrientes --out " + fifo.string() + " 2>/dev/null")
                        .c_str()),
        0);
    EXPECT_NE(reader.get().find("Proteína cruda"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// No verb writes its output over its own input, however the path is spelled.
TEST(FileTargets, AnOutputThatIsTheInputIsRefused) {
    TempFolder t;
    const std::string cli = VEXA_CLI_PATH;
    const fs::path vxf = t.path / "W.html";
    ASSERT_EQ(std::system((cli + " sample " + vxf.string() + " >/dev/null 2>&1").c_str()), 0);
    fs::create_symlink(vxf, t.path / "enlace.html");
    const std::string before = readAll(vxf);
    const std::string dir = "cd " + t.path.string() + " && ";
    for (const std::string& cmd :
         {cli + " report W.html insumos --out W.html",
          cli + " report W.html insumos --out ./W.html",
          cli + " report W.html insumos --out enlace.html", cli + " convert W.html ./W.html"}) {
        SCOPED_TRACE(cmd);
        EXPECT_NE(std::system((dir + cmd + " >/dev/null 2>&1").c_str()), 0);
        EXPECT_EQ(readAll(vxf), before);
    }
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(t.path / "enlace.html")));
}

TEST(FileTargets, AWorkspaceOpenedThroughALinkIsSavedIntoTheLinkedFile) {
    DocumentsFolder docs;
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    const fs::path real = createAndOpen(w, docs);
    fs::create_directories(docs.root / "Escritorio");
    const fs::path link = docs.root / "Escritorio" / "Granja.vxf";
    fs::create_symlink(real, link);
    w.AbrirVXF(link);
    ASSERT_EQ(w.OpenStage, kStageOk);
    const std::string before = bytesOf(real);
    addIngredient(w, "Sorgo");
    ASSERT_TRUE(w.GuardarVXF()) << (ui.errors.empty() ? "" : ui.errors.back());
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
    EXPECT_NE(bytesOf(real), before);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(backupPath(real))));
    EXPECT_EQ(bytesOf(backupPath(real)), before);
    // Nothing written beside the link.
    EXPECT_EQ(
        std::distance(fs::directory_iterator(docs.root / "Escritorio"), fs::directory_iterator()),
        1);
}

}  // namespace
}  // namespace vexa
