// vexa-cli pack / check / unpack, run as a user would.
#include <sys/wait.h>

#include <cstdio>

#include "container_fixture.h"
#include "test_paths.h"

namespace vexa::testing {
namespace {

namespace fs = std::filesystem;

struct Result {
    int code;
    std::string output;
};

std::string quoted(const fs::path& p) {
    std::string out = "'";
    out += p.string();
    out += '\'';
    return out;
}

Result run(const std::string& args) {
    std::string command = quoted(VEXA_CLI_PATH);
    command += ' ';
    command += args;
    command += " 2>&1";
    Result r{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    int status = pclose(pipe);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

class Cli : public ContainerTest {};

TEST_F(Cli, PackCheckUnpackAndADamagedFile) {
    if (!fs::exists(VEXA_CLI_PATH)) GTEST_SKIP() << "vexa-cli not built";
    fs::path src = root_ / "src";
    fs::create_directories(src);
    writeBytes(src / "DB.def", textBytes("[Def]\r\nVer=1030.04\r\n"));
    writeBytes(src / "Año.db", tableLikeBytes(250000, 3));
    fs::path vxf = root_ / "w.vxf";

    EXPECT_EQ(run("pack " + quoted(src) + " " + quoted(vxf)).code, 0);
    Result check = run("check " + quoted(vxf));
    EXPECT_EQ(check.code, 0) << check.output;
    EXPECT_NE(check.output.find("Año.db                                 250000       250024"),
              std::string::npos)
        << check.output;
    EXPECT_NE(check.output.find("2 archivos, 250020 bytes"), std::string::npos) << check.output;

    EXPECT_EQ(run("unpack " + quoted(vxf) + " " + quoted(root_ / "dest")).code, 0);
    EXPECT_TRUE(readBytes(root_ / "dest" / "Año.db") == tableLikeBytes(250000, 3));

    Bytes damaged = readBytes(vxf);
    damaged.at(blocksOf(damaged).back().offset + 12) ^= 1;
    writeBytes(vxf, damaged);
    check = run("check " + quoted(vxf));
    EXPECT_EQ(check.code, 1);
    EXPECT_EQ(check.output, "vexa-cli: El archivo " + vxf.string() +
                                " está dañado o no es un espacio de trabajo de Vexa (CRC "
                                "incorrecto: los datos dentro del archivo estan corrompidos).\n");
    // A refused write names the user's file and the cause, not a temporary name.
    Result pack = run("pack " + quoted(src) + " " + quoted(root_ / "no such folder" / "w.vxf"));
    EXPECT_EQ(pack.code, 1);
    EXPECT_EQ(pack.output.rfind("vexa-cli: No se pudo escribir " +
                                    (root_ / "no such folder" / "w.vxf").string() + ". ",
                                0),
              0u)
        << pack.output;
    EXPECT_EQ(pack.output.find("~Archiv"), std::string::npos) << pack.output;
}

}  // namespace
}  // namespace vexa::testing
