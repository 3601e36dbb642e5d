// vexa-cli on workspaces, run as a user would: new, sample, list and solve with --save.
#include "cli_run.h"
#include "lifecycle_fixture.h"

#include "store/workspace.h"
#include "test_paths.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace vexa {
namespace {

namespace fs = std::filesystem;
using testing::DocumentsFolder;
using testing::quoted;
using testing::ScriptedUi;

testing::CliRun cli(const std::string& args) {
    return testing::runCli(args);
}

std::string bytesOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(CliWorkspace, SampleListsAndSolvesEveryFormula) {
    DocumentsFolder docs;
    auto file = docs.vxf("Vexa30.VXF");
    ASSERT_EQ(cli("sample " + quoted(file)).code, 0);
    EXPECT_FALSE(fs::exists(backupPath(file)));  // built in one go

    auto groups = cli("list " + quoted(file) + " groups");
    ASSERT_EQ(groups.code, 0);
    EXPECT_EQ(groups.out, "1\tPollos de engorde\n2\tGallinas ponedoras\n3\tCerdos\n");
    auto formulas = cli("list " + quoted(file) + " formulas");
    EXPECT_EQ(formulas.out.substr(0, formulas.out.find('\n') + 1),
              "1\tPollo iniciación (0-3 semanas)\n");
    EXPECT_EQ(cli("list " + quoted(file) + " nutrients").out.substr(0, 24),
              "1\tPrecio\n2\tMateria Seca\n");

    const std::string before = bytesOf(file);
    int solved = 0, feasible = 0;
    for (int g = 1; g <= 3; ++g) {
        auto r = cli("solve " + quoted(file) + " --group " + std::to_string(g) + " --all --json");
        ASSERT_EQ(r.code, 0) << g;
        auto results = nlohmann::json::parse(r.out);
        for (const auto& f : results) {
            ++solved;
            feasible += f.at("feasible").get<bool>();
            EXPECT_FALSE(f.at("name").get<std::string>().empty());
            EXPECT_FALSE(f.at("ingredients").empty());
        }
    }
    EXPECT_EQ(solved, 8);
    EXPECT_EQ(feasible, 7);

    for (int lr = 1; lr <= 8; ++lr) {
        auto r = cli("solve " + quoted(file) + " --formula " + std::to_string(lr) +
                     " --report solution,content,contribution,sensitivity,summary");
        ASSERT_EQ(r.code, 0) << lr;
        EXPECT_NE(r.out.find("Base de datos: Vexa30 - Grupo: "), std::string::npos);
        EXPECT_NE(r.out.find("AL MÍNIMO COSTO\n"), std::string::npos);
        EXPECT_NE(r.out.find("CONTENIDO NUTRICIONAL DE LA SOLUCIÓN"), std::string::npos);
        EXPECT_NE(r.out.find("APORTE NUTRICIONAL"), std::string::npos);
        EXPECT_NE(r.out.find("RESUMEN DE LA SOLUCIÓN"), std::string::npos);
        EXPECT_NE(r.out.find("SENSIBILIDAD DE NUTRIENTES"), std::string::npos);
        EXPECT_NE(r.out.find("TOTAL                      100.0000%   1000.0000"), std::string::npos)
            << r.out;
    }
    // Without --save nothing reaches the file.
    EXPECT_EQ(bytesOf(file), before);
    EXPECT_FALSE(fs::exists(backupPath(file)));
}

TEST(CliWorkspace, SaveStoresTheResultsAndKeepsTheBackup) {
    DocumentsFolder docs;
    auto file = docs.vxf("Granja.vxf");
    ASSERT_EQ(cli("sample " + quoted(file)).code, 0);
    const std::string before = bytesOf(file);
    auto r = cli("solve " + quoted(file) + " --formula 7 --json --save");
    ASSERT_EQ(r.code, 0);
    auto result = nlohmann::json::parse(r.out);
    EXPECT_EQ(result.at("formula"), 7);
    EXPECT_EQ(result.at("name"), "Cerdo crecimiento (25-50 kg)");
    EXPECT_EQ(bytesOf(backupPath(file)), before);

    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, 0);
    auto lr = w.db().prepare("Select Valor, Ultima From LR Where Codigo = 7");
    ASSERT_TRUE(lr.step());
    EXPECT_EQ(lr.getFixed4(0), Fixed4::fromDouble(result.at("cost_per_kg").get<double>()));
    EXPECT_TRUE(lr.getDateTime(1).has_value());
    for (const auto& g : result.at("ingredients")) {
        auto q = w.db().prepare("Select Resul From RIn Where LR = 7 And CNI = :C");
        q.bind("C", g.at("code").get<int>());
        ASSERT_TRUE(q.step());
        EXPECT_EQ(q.getFixed4(0), Fixed4::fromDouble(g.at("share").get<double>()));
    }
    auto other = w.db().prepare("Select Ultima From LR Where Codigo = 1");
    ASSERT_TRUE(other.step());
    EXPECT_TRUE(other.isNull(0));  // only the solved formula carries results
}

// A workspace formula made infeasible: --apply-suggestions solves it again with the suggested
// bounds; the file changes only with --save, and then holds those bounds.
TEST(CliWorkspace, ApplyingSuggestionsToAStoredFormula) {
    DocumentsFolder docs;
    auto file = docs.vxf("Granja.vxf");
    ASSERT_EQ(cli("sample " + quoted(file)).code, 0);
    const std::string before = bytesOf(file);
    auto r = cli("solve " + quoted(file) + " --formula 4 --json --apply-suggestions");
    ASSERT_EQ(r.code, 0);
    auto runs = nlohmann::json::parse(r.out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_FALSE(runs[0].at("feasible").get<bool>());
    EXPECT_TRUE(runs[1].at("feasible").get<bool>());
    EXPECT_EQ(bytesOf(file), before);  // without --save the file is untouched

    r = cli("solve " + quoted(file) + " --formula 4 --json --apply-suggestions --save");
    ASSERT_EQ(r.code, 0);
    runs = nlohmann::json::parse(r.out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[1].at("feasible").get<bool>());
    ScriptedUi ui;
    Tdmvxf w(docs.settings(), ui);
    w.AbrirVXF(file);
    ASSERT_EQ(w.OpenStage, 0);
    int checked = 0;
    for (const auto& s : runs[0].at("suggestions")) {
        if (s.at("class") == 1) continue;
        auto q = w.db().prepare(s.at("class") == 2
                                    ? "Select \"Min\", \"Max\" From RIn Where LR = 4 And CNI = :C"
                                    : "Select \"Min\", \"Max\" From RNu Where LR = 4 And CNI = :C");
        q.bind("C", s.at("code").get<int>());
        ASSERT_TRUE(q.step());
        const Fixed4 suggested = Fixed4::fromDouble(s.at("suggested").get<double>());
        if (s.at("type") != 7) {
            EXPECT_EQ(q.getFixed4(0), suggested);
        }
        if (s.at("type") != 6) {
            EXPECT_EQ(q.getFixed4(1), suggested);
        }
        ++checked;
    }
    EXPECT_GT(checked, 0);
    w.CerrarVXF();
    // Solved again as stored, the formula is feasible at once.
    r = cli("solve " + quoted(file) + " --formula 4 --json --apply-suggestions");
    ASSERT_EQ(r.code, 0);
    EXPECT_TRUE(nlohmann::json::parse(r.out).at("feasible").get<bool>());
}

TEST(CliWorkspace, NewWorkspaceAndErrors) {
    DocumentsFolder docs;
    auto file = docs.vxf("Vacia.vxf");
    ASSERT_EQ(cli("new " + quoted(file)).code, 0);
    auto r = cli("list " + quoted(file) + " ingredients");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(cli("list " + quoted(docs.vxf("NoEsta.vxf")) + " groups").code, 2);
    EXPECT_EQ(cli("solve " + quoted(file) + " --formula 3").code, 2);  // no such formula
    EXPECT_EQ(cli("solve " + quoted(file)).code, 2);                   // which formula?
}

}  // namespace
}  // namespace vexa
