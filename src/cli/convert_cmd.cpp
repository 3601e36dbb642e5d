// vexa-cli convert: a workspace of the earlier program (Paradox tables) written anew with a
// database, the old file left as it was.
#include <filesystem>
#include <iostream>
#include <memory>
#include <unistd.h>

#include "cli/verbs.h"
#include "store/container/container.h"
#include "store/legacy/paradox_convert.h"

namespace vexa::cli {

namespace {

namespace fs = std::filesystem;

int convert(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    const fs::path folder =
        fs::temp_directory_path(ec) / ("vexa-convert-" + std::to_string(::getpid()));
    fs::remove_all(folder, ec);
    int rc = 0;
    try {
        unpackFile(from, folder);
        if (!isParadoxFolder(folder)) throw std::runtime_error("no contiene tablas Paradox");
        long total = 0;
        auto counts = convertParadoxFolder(folder);
        for (const auto& c : counts) {
            std::cout << c.table << ": " << c.rows << " filas\n";
            total += c.rows;
        }
        // Only the database goes into the new file.
        for (const auto& e : fs::directory_iterator(folder)) {
            auto ext = e.path().extension().string();
            for (auto& ch : ext)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (ext == ".db" || ext == ".px" || ext == ".mb") fs::remove(e.path());
        }
        packFolder(folder, to);
        std::cout << counts.size() << " tablas, " << total << " filas convertidas\n";
    } catch (const std::exception& e) {
        std::cerr << from.string() << ": " << e.what() << "\n";
        rc = 1;
    }
    fs::remove_all(folder, ec);
    return rc;
}

const VerbRegistrar convertVerb([](CLI::App& app) {
    auto from = std::make_shared<fs::path>();
    auto to = std::make_shared<fs::path>();
    CLI::App* sub = app.add_subcommand(
        "convert", "Convierte un .vxf del programa anterior (tablas Paradox) al formato actual");
    sub->add_option("old", *from, "Archivo .vxf anterior")->required();
    sub->add_option("new", *to, "Archivo .vxf que se crea")->required();
    sub->callback([from, to] { exitCode() = convert(*from, *to); });
});

}  // namespace

}  // namespace vexa::cli
