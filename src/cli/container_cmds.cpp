// vexa-cli pack / unpack / check: the workspace container without the desktop program.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/verbs.h"
#include "engine/utf8.h"
#include "store/container/container.h"
#include "store/workspace_files.h"

namespace vexa::cli {

namespace {

namespace fs = std::filesystem;

// Dates are stored in local time already, so they are shown without any conversion.
std::string showDate(double days) {
    using namespace std::chrono;
    if (!std::isfinite(days) || std::fabs(days) > 3e6) return "?";
    double whole = std::trunc(days);
    long seconds = std::lround(std::fabs(days - whole) * 86400);
    long dayCount = long(whole) + (seconds >= 86400 ? 1 : 0);
    seconds %= 86400;
    year_month_day ymd{sys_days{year{1899} / December / 30} + std::chrono::days{dayCount}};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02ld:%02ld:%02ld", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

// printf pads by bytes; names and headings carry accents, so pad by characters.
std::string padRight(const std::string& text, std::size_t width) {
    const std::size_t chars = utf8Length(text);
    return chars >= width ? text : text + std::string(width - chars, ' ');
}

// A damaged file says so, with the container's reason; a refused write says why, naming
// the file the user asked for.
template <typename Run>
int reportingErrors(const fs::path& file, bool writing, Run&& run) {
    try {
        run();
        return 0;
    } catch (const ContainerError& e) {
        std::string cause = writeErrorText(e.systemError(), file);
        if (writing && !e.isDamage())
            std::cerr << "vexa-cli: No se pudo escribir " << file.string() << ". "
                      << (cause.empty() ? e.what() : cause) << '\n';
        else
            std::cerr << "vexa-cli: " << openErrorText(file, e) << '\n';
        return 1;
    }
}

int check(const fs::path& file) {
    return reportingErrors(file, false, [&] {
        std::vector<ContainerEntryInfo> entries = checkFile(file);
        std::uint64_t total = 0, stored = 0;
        std::printf("%s       Tamaño     Guardado  Fecha\n", padRight("Nombre", 32).c_str());
        for (const ContainerEntryInfo& e : entries) {
            std::printf("%s %12llu %12llu  %s\n", padRight(e.name, 32).c_str(),
                        static_cast<unsigned long long>(e.size),
                        static_cast<unsigned long long>(e.storedSize), showDate(e.date).c_str());
            total += e.size;
            stored += e.storedSize;
        }
        std::printf("%zu archivos, %llu bytes (%llu guardados): correcto\n", entries.size(),
                    static_cast<unsigned long long>(total),
                    static_cast<unsigned long long>(stored));
    });
}

const VerbRegistrar packVerb([](CLI::App& app) {
    auto folder = std::make_shared<fs::path>();
    auto file = std::make_shared<fs::path>();
    CLI::App* sub = app.add_subcommand("pack", "Empaqueta los archivos de una carpeta en un .vxf");
    sub->add_option("folder", *folder, "Carpeta de trabajo")->required();
    sub->add_option("file", *file, "Archivo .vxf que se crea o reemplaza")->required();
    sub->callback([folder, file] {
        exitCode() = reportingErrors(*file, true, [&] { packFolder(*folder, *file); });
    });
});

const VerbRegistrar unpackVerb([](CLI::App& app) {
    auto file = std::make_shared<fs::path>();
    auto folder = std::make_shared<fs::path>();
    CLI::App* sub = app.add_subcommand("unpack", "Desempaqueta un .vxf en una carpeta");
    sub->add_option("file", *file, "Archivo .vxf")->required();
    sub->add_option("folder", *folder, "Carpeta de destino (se crea si no existe)")->required();
    sub->callback([file, folder] {
        exitCode() = reportingErrors(*file, false, [&] { unpackFile(*file, *folder); });
    });
});

const VerbRegistrar checkVerb([](CLI::App& app) {
    auto file = std::make_shared<fs::path>();
    CLI::App* sub = app.add_subcommand(
        "check",
        "Lista los archivos de un .vxf y verifica cada bloque sin escribir nada en el disco; "
        "0 si está sano");
    sub->add_option("file", *file, "Archivo .vxf")->required();
    sub->callback([file] { exitCode() = check(*file); });
});

}  // namespace

}  // namespace vexa::cli
