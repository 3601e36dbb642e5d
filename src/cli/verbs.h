#pragma once
// Each verb of vexa-cli lives in a file of its own and registers itself here
// through a static VerbRegistrar; main() builds the command line from the list.
#include <CLI/CLI.hpp>

#include <functional>
#include <vector>

namespace vexa::cli {

// Adds one subcommand to the program; the subcommand's callback sets exitCode().
using VerbSetup = std::function<void(CLI::App& app)>;

std::vector<VerbSetup>& verbRegistry();
int& exitCode();

struct VerbRegistrar {
    explicit VerbRegistrar(VerbSetup setup) { verbRegistry().push_back(std::move(setup)); }
};

}  // namespace vexa::cli
