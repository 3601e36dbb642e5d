// vexa-cli new, list and sample: workspaces without the desktop program.
#include "cli/verbs.h"
#include "cli/workspace_session.h"
#include "store/catalog_queries.h"
#include "store/sample_workspace.h"

#include <iostream>
#include <memory>
#include <string>

namespace vexa::cli {

namespace {

namespace fs = std::filesystem;

// Creates FILE; `fill` completes the database before it is packed.
int createWorkspace(const fs::path& file, const Tdmvxf::FillDatabase& fill) {
    CliUi ui(std::cerr);
    auto settings = cliWorkspaceSettings();
    int code = 0;
    {
        Tdmvxf vxf(settings, ui);
        try {
            vxf.CrearVXF(file, fill);
        } catch (const std::exception& e) {
            std::cerr << "vexa-cli: " << e.what() << '\n';
            code = 2;
        }
    }
    releaseProcessFolder(settings);
    return code;
}

int sampleWorkspace(const fs::path& file) {
    SampleCounts n;
    int code = createWorkspace(
        file, [&n](Database& db, TDBDef& def) { n = fillSampleWorkspace(db, def); });
    if (code == 0)
        std::cout << "Nutrientes: " << n.nutrients << ", insumos: " << n.ingredients
                  << ", grupos: " << n.groups << ", fórmulas: " << n.formulas << '\n';
    return code;
}

int listWorkspace(const fs::path& file, const std::string& what) {
    CliWorkspace ws(std::cerr);
    if (!ws.open(file)) return 2;
    Database& db = ws.vxf().db();
    const std::vector<CodeName> rows = what == "groups"        ? allGroups(db)
                                       : what == "formulas"    ? allFormulas(db)
                                       : what == "ingredients" ? allIngredients(db)
                                                               : allNutrients(db);
    for (const CodeName& r : rows) std::cout << r.code << '\t' << r.name << '\n';
    return 0;
}

const VerbRegistrar newVerb([](CLI::App& app) {
    auto file = std::make_shared<fs::path>();
    CLI::App* sub = app.add_subcommand("new", "Crea un espacio de trabajo vacío (.vxf)");
    sub->add_option("file", *file, "Archivo del espacio de trabajo")->required();
    sub->callback([file] { exitCode() = createWorkspace(*file, {}); });
});

const VerbRegistrar sampleVerb([](CLI::App& app) {
    auto file = std::make_shared<fs::path>();
    CLI::App* sub = app.add_subcommand(
        "sample", "Crea el espacio de trabajo de ejemplo (pollos, ponedoras y cerdos)");
    sub->add_option("file", *file, "Archivo del espacio de trabajo")->required();
    sub->callback([file] { exitCode() = sampleWorkspace(*file); });
});

const VerbRegistrar listVerb([](CLI::App& app) {
    auto file = std::make_shared<fs::path>();
    auto what = std::make_shared<std::string>();
    CLI::App* sub = app.add_subcommand(
        "list", "Lista código y nombre (separados por tabulador) de un espacio de trabajo");
    sub->add_option("file", *file, "Archivo del espacio de trabajo")->required();
    sub->add_option("what", *what, "groups, formulas, ingredients o nutrients")
        ->required()
        ->check(CLI::IsMember({"groups", "formulas", "ingredients", "nutrients"}));
    sub->callback([file, what] { exitCode() = listWorkspace(*file, *what); });
});

}  // namespace

}  // namespace vexa::cli
