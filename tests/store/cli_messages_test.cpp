// vexa-cli speaks Spanish also when it refuses what a formula file cannot do.
#include "cli_run.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace vexa {
namespace {

TEST(CliMessages, WorkspaceOptionsOnAFormulaFileAreRefusedInSpanish) {
    const auto err = std::filesystem::temp_directory_path() /
                     ("vexa_cli_messages_" + std::to_string(::getpid()) + ".txt");
    const auto formula = std::filesystem::path(VEXA_SAMPLES_DIR) / "broiler_starter.json";
    auto r = testing::runCli("solve " + testing::quoted(formula) + " --formula 1", err);
    std::filesystem::remove(err);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("sólo valen para un espacio de trabajo (.vxf)"), std::string::npos)
        << r.err;
}

}  // namespace
}  // namespace vexa
