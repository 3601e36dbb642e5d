// vexa-cli convert: a workspace of the earlier program (Paradox tables) opened as the desktop
// program opens it and saved under a new name in the current format; the old file is left as
// it was.
#include <filesystem>
#include <iostream>
#include <memory>

#include "cli/verbs.h"
#include "cli/workspace_session.h"
#include "store/file_target.h"

namespace vexa::cli {

namespace {

namespace fs = std::filesystem;

// The save dialog is answered with the new file's name; the notice is not needed here, the
// verb prints what it did.
class ConvertUi : public CliUi {
public:
    ConvertUi(std::ostream& err, fs::path target) : CliUi(err), target_(std::move(target)) {}
    void showNotice(const std::string&) override {}
    std::optional<fs::path> chooseSaveFile(const std::string&, const fs::path&) override {
        return target_;
    }

private:
    fs::path target_;
};

int convert(const fs::path& from, const fs::path& to) {
    if (sameFile(from, to)) {
        std::cerr << "vexa-cli: El archivo nuevo debe ser distinto de " << from.string() << ".\n";
        return 1;
    }
    ConvertUi ui(std::cerr, to);
    WorkspaceSettings settings = cliWorkspaceSettings();
    int rc = 1;
    {
        Tdmvxf vxf(settings, ui);
        vxf.setLockOnOpen(false);
        vxf.AbrirVXF(from);
        if (vxf.OpenStage == kStageOk && vxf.isOpen()) {
            if (!vxf.lastOpenConverted()) {
                ui.showError(
                    from.string() +
                    " no fue escrito por el programa anterior: no hay nada que convertir.");
            } else if (vxf.GuardarVXFComo()) {
                long total = 0;
                for (const auto& c : vxf.lastConversion()) {
                    std::cout << c.table << ": " << c.rows << " filas\n";
                    total += c.rows;
                }
                std::cout << vxf.lastConversion().size() << " tablas, " << total
                          << " filas convertidas en " << to.string() << "\n";
                rc = 0;
            }
        }
        vxf.DBModified = false;
        vxf.CerrarVXF();
    }
    releaseProcessFolder(settings);
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
