// vexa-cli: the engine and the store without the desktop program.
#include "cli/verbs.h"

#include <exception>
#include <iostream>

namespace vexa::cli {

std::vector<VerbSetup>& verbRegistry() {
    static std::vector<VerbSetup> verbs;
    return verbs;
}

int& exitCode() {
    static int code = 0;
    return code;
}

}  // namespace vexa::cli

int main(int argc, char** argv) {
    CLI::App app{"vexa-cli: formulación de raciones al mínimo costo sin la ventana"};
    app.require_subcommand(1);
    for (auto& setup : vexa::cli::verbRegistry()) setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    } catch (const std::exception& e) {
        std::cerr << "vexa-cli: " << e.what() << '\n';
        return 2;
    }
    return vexa::cli::exitCode();
}
