#pragma once
// vexa-cli run as another process, as a user runs it: its exit code, output and errors.
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "test_paths.h"

namespace vexa::testing {

struct CliRun {
    int code = -1;
    std::string out, err;
};

// A path quoted for the shell.
inline std::string quoted(const std::filesystem::path& p) {
    std::string q(1, '\'');
    q += p.string();
    q += '\'';
    return q;
}

// Runs `vexa-cli args`; the error stream goes through errFile (discarded when empty).
inline CliRun runCli(const std::string& args, const std::filesystem::path& errFile = {}) {
    CliRun r;
    std::string cmd = std::string(VEXA_CLI_PATH) + " " + args + " 2>";
    cmd += errFile.empty() ? std::string("/dev/null") : quoted(errFile);
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (!errFile.empty()) {
        std::ifstream in(errFile, std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        r.err = ss.str();
    }
    return r;
}

}  // namespace vexa::testing
