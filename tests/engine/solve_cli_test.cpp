// vexa-cli solve run as a user runs it: exit codes, messages and the ration of the sample.
#include "test_paths.h"

#include <cmath>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct CliRun {
    int exit = -1;
    std::string out, err;
};

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A path as one shell word.
std::string quoted(const fs::path& p) {
    std::string s(1, '\'');
    s.append(p.string());
    s.push_back('\'');
    return s;
}

class SolveCli : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("vexa_solve_cli_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliRun solve(const std::string& args) {
        const fs::path out = dir_ / "out.txt", err = dir_ / "err.txt";
        std::string cmd = std::string("'") + VEXA_CLI_PATH + "' solve " + args + " >'" +
                          out.string() + "' 2>'" + err.string() + "'";
        int status = std::system(cmd.c_str());
        CliRun r;
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = readAll(out);
        r.err = readAll(err);
        return r;
    }
    std::string write(const std::string& name, const std::string& text) {
        fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << text;
        return quoted(p);
    }

    fs::path dir_;
};

const std::string kSample = std::string("'") + VEXA_SAMPLES_DIR + "/broiler_starter.json'";

TEST_F(SolveCli, SampleGivesASensibleRation) {
    CliRun r = solve(kSample + " --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "");
    json res = json::parse(r.out);
    EXPECT_TRUE(res["feasible"].get<bool>());
    EXPECT_TRUE(res["suggestions"].empty());
    EXPECT_FALSE(res.contains("as_fed"));

    // Same order as the file, shares adding up to exactly 100 within their bounds.
    json input = json::parse(readAll(std::string(VEXA_SAMPLES_DIR) + "/broiler_starter.json"));
    ASSERT_EQ(res["ingredients"].size(), input["ingredients"].size());
    int64_t total = 0;
    std::map<double, std::string, std::greater<>> byShare;
    double cost = 0;
    for (size_t i = 0; i < res["ingredients"].size(); ++i) {
        const json& g = res["ingredients"][i];
        EXPECT_EQ(g["code"], input["ingredients"][i]["code"]);
        double share = g["share"].get<double>();
        total += std::llround(share * 10000);
        EXPECT_GE(share, g["min"].get<double>() - 1e-9) << g["name"];
        EXPECT_LE(share, g["max"].get<double>() + 1e-9) << g["name"];
        EXPECT_FALSE(g["out_of_bounds"].get<bool>());
        byShare[share] = g["name"].get<std::string>();
        cost += share * g["price"].get<double>() / 100;
    }
    EXPECT_EQ(total, 1000000);
    auto it = byShare.begin();
    EXPECT_EQ(it->second, "Maíz amarillo");
    EXPECT_EQ((++it)->second, "Harina de soya 48%");
    EXPECT_NEAR(res["cost_per_kg"].get<double>(), cost, 2e-4);

    ASSERT_EQ(res["nutrients"].size(), input["nutrients"].size());
    for (const json& n : res["nutrients"]) {
        double level = n["level"].get<double>(), lo = n["min"].get<double>();
        EXPECT_FALSE(n["out_of_bounds"].get<bool>()) << n["name"];
        // the values are used as stored: every bound is met to the unit
        EXPECT_GE(level, lo - 0.0001) << n["name"];
        if (!n["max"].is_null()) {
            EXPECT_LE(level, n["max"].get<double>() + 0.0001) << n["name"];
        }
    }
}

TEST_F(SolveCli, JsonQuantitiesCarryFourDecimals) {
    CliRun r = solve(kSample + " --json");
    ASSERT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("\"cost_per_kg\": 0."), std::string::npos);
    EXPECT_NE(r.out.find("\"min\": 0.5000, \"max\": 0.5000"), std::string::npos);  // premix
    EXPECT_NE(r.out.find("\"max\": 100.0000"), std::string::npos);
    EXPECT_EQ(r.out.find("e+"), std::string::npos);
    // every number that is not a code or a shadow price has exactly 4 decimals; an absent
    // limit is null
    json res = json::parse(r.out);
    int absent = 0;
    for (const char* list : {"ingredients", "nutrients"})
        for (const json& item : res[list])
            for (const char* key : {"min", "max", "price_min", "price_max"}) {
                if (!item.contains(key)) continue;
                std::string text = item[key].dump();
                if (item[key].is_null()) {
                    ++absent;
                    continue;
                }
                ASSERT_EQ(text.find("99999"), std::string::npos) << text;
                ASSERT_TRUE(text.find('.') != std::string::npos &&
                            text.size() - text.find('.') - 1 <= 4)
                    << text;
            }
    EXPECT_GT(absent, 0);  // the sample has nutrients without a maximum and open price ends
    // Shadow prices at full precision: energy and the electrolyte balance bind at levels in
    // the hundreds and thousands, with duals below 1e-3 $/kg per unit.
    int fine = 0;
    for (const json& n : res["nutrients"]) {
        const double dual = n["sensitivity"].get<double>();
        if (dual > 0 && dual < 1e-3) {
            ++fine;
            EXPECT_GT(std::fabs(dual * 1e4 - std::round(dual * 1e4)), 1e-6) << n["name"];
        }
    }
    EXPECT_GE(fine, 2);
}

TEST_F(SolveCli, DryMatterFormulaReportsAsFed) {
    std::string f = write("dm.json", R"({"name": "Base seca", "use_dry_matter": true,
      "ingredients": [
        {"code": 1, "name": "A", "min": 50, "max": 50, "price": 0.2, "dry_matter": 80},
        {"code": 2, "name": "B", "price": 0.3, "dry_matter": 50}],
      "nutrients": []})");
    CliRun r = solve(f + " --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("\"as_fed\": [\n    {\"code\": 1, \"share\": 38.4615},\n"
                         "    {\"code\": 2, \"share\": 61.5385}\n  ],\n"
                         "  \"as_fed_total\": 162.5000\n}"),
              std::string::npos)
        << r.out;
}

TEST_F(SolveCli, TextReports) {
    CliRun r = solve(kSample);
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("      Fórmula: Pollo de engorde inicio\n"), std::string::npos);
    EXPECT_NE(r.out.find("SOLUCIÓN ÓPTIMA AL MÍNIMO COSTO\n"), std::string::npos);
    EXPECT_NE(r.out.find("TOTAL                      100.0000%   1000.0000"), std::string::npos);
    EXPECT_EQ(r.out.find("APORTE NUTRICIONAL"), std::string::npos);

    r = solve(kSample + " --report contribution,sensitivity");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out.find("SOLUCIÓN ÓPTIMA"), std::string::npos);
    for (const char* heading : {"APORTE NUTRICIONAL DE LA SOLUCIÓN AL MÍNIMO COSTO",
                                "ANALISIS DE SENSIBILIDAD DE INSUMOS", "SENSIBILIDAD DE NUTRIENTES",
                                "ANALISIS DE SENSIBILIDAD DE PRECIOS"})
        EXPECT_NE(r.out.find(heading), std::string::npos) << heading;

    r = solve(std::string("'") + VEXA_SAMPLES_DIR + "/infeasible_example.json'");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("SOLUCIÓN ALTERNA AL MÍNIMO COSTO"), std::string::npos);
    EXPECT_NE(r.out.find(" Bajo en Proteína cruda, %  "), std::string::npos);
}

TEST_F(SolveCli, InfeasibleRunCompletesWithSuggestions) {
    CliRun r = solve(std::string("'") + VEXA_SAMPLES_DIR + "/infeasible_example.json' --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    json res = json::parse(r.out);
    EXPECT_FALSE(res["feasible"].get<bool>());
    ASSERT_FALSE(res["suggestions"].empty());
    bool protein = false;
    for (const json& s : res["suggestions"])
        if (s["class"] == 3 && s["code"] == 3) protein = true;
    EXPECT_TRUE(protein);
}

// --apply-suggestions writes the suggested bounds into the formula file and solves again:
// the second run is feasible and the file holds exactly the suggested bounds. A feasible
// formula and its file are left as they are.
TEST_F(SolveCli, ApplyingSuggestionsWritesThemAndSolvesAgain) {
    const std::string original = readAll(fs::path(VEXA_SAMPLES_DIR) / "infeasible_example.json");
    const std::string file = write("f.json", original);
    CliRun r = solve(file + " --apply-suggestions --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    const json runs = json::parse(r.out);
    ASSERT_TRUE(runs.is_array());
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_FALSE(runs[0]["feasible"].get<bool>());
    EXPECT_TRUE(runs[1]["feasible"].get<bool>());
    const json stored = json::parse(readAll(dir_ / "f.json"));
    ASSERT_FALSE(runs[0]["suggestions"].empty());
    for (const json& s : runs[0]["suggestions"]) {
        if (s["class"] == 1) continue;
        const char* list = s["class"] == 2 ? "ingredients" : "nutrients";
        bool found = false;
        for (const json& item : stored[list])
            if (item["code"] == s["code"]) {
                found = true;
                const double suggested = std::stod(s["suggested"].dump());
                if (s["type"] != 7) {
                    EXPECT_NEAR(item["min"].get<double>(), suggested, 1e-9);
                }
                if (s["type"] != 6) {
                    EXPECT_NEAR(item["max"].get<double>(), suggested, 1e-9);
                }
            }
        EXPECT_TRUE(found) << s.dump();
    }
    // The file as the user wrote it otherwise: names and values unchanged.
    const json before = json::parse(original);
    EXPECT_EQ(stored["name"], before["name"]);
    EXPECT_EQ(stored["ingredients"].size(), before["ingredients"].size());
    for (size_t i = 0; i < before["ingredients"].size(); ++i)
        EXPECT_EQ(stored["ingredients"][i]["values"], before["ingredients"][i]["values"]);

    const std::string feasible = readAll(fs::path(VEXA_SAMPLES_DIR) / "broiler_starter.json");
    const std::string plain = write("g.json", feasible);
    r = solve(plain + " --apply-suggestions --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_TRUE(json::parse(r.out).is_object());
    EXPECT_EQ(readAll(dir_ / "g.json"), feasible);
}

// Ratios in formula files: read, printed in the JSON result, and a ratio suggestion written
// back into the file as [n1, 1].
TEST_F(SolveCli, RatiosAreReadPrintedAndTheirSuggestionsWrittenBack) {
    json f = json::parse(readAll(fs::path(VEXA_SAMPLES_DIR) / "broiler_starter.json"));
    int ca = 0, p = 0;
    for (const json& n : f["nutrients"]) {
        if (n["name"] == "Calcio") ca = n["code"];
        if (n["name"] == "Fósforo disponible") p = n["code"];
    }
    f["ratios"] = json::array({{{"code", 4},
                                {"name", "Ca : P disp."},
                                {"nut1", ca},
                                {"nut2", p},
                                {"min", {1, 0.45}},
                                {"max", {1.1, 0.45}}}});
    CliRun r = solve(write("r.json", f.dump()) + " --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    json run = json::parse(r.out);
    ASSERT_EQ(run["ratios"].size(), 1u);
    EXPECT_EQ(run["ratios"][0]["name"], "Ca : P disp.");
    EXPECT_FALSE(run["ratios"][0]["out_of_bounds"].get<bool>());
    const double level = run["ratios"][0]["level"].get<double>();
    EXPECT_GE(level, 1 / 0.45 - 1e-4);
    EXPECT_LE(level, 1.1 / 0.45 + 1e-4);
    // the plain report has the section too
    r = solve(write("r2.json", f.dump()));
    EXPECT_NE(r.out.find("RELACIONES ENTRE NUTRIENTES"), std::string::npos);

    // 9 : 1 is out of reach: the relaxed minimum goes into the file
    f["ratios"][0]["min"] = {9, 1};
    f["ratios"][0]["max"] = nullptr;
    r = solve(write("bad.json", f.dump()) + " --apply-suggestions --json");
    ASSERT_EQ(r.exit, 0) << r.err;
    const json runs = json::parse(r.out);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[1]["feasible"].get<bool>());
    const json stored = json::parse(readAll(dir_ / "bad.json"));
    ASSERT_EQ(stored["ratios"][0]["min"].size(), 2u);
    EXPECT_LT(stored["ratios"][0]["min"][0].get<double>(), 9);
    EXPECT_EQ(stored["ratios"][0]["min"][1].get<double>(), 1);
    EXPECT_TRUE(stored["ratios"][0]["max"].is_null());
}

TEST_F(SolveCli, BadFilesExitTwoWithOneLine) {
    const std::string ing =
        R"("ingredients": [{"code": 1, "name": "A", "price": 1, "values": {"3": 1}}])";
    const std::string nut = R"("nutrients": [{"code": 3, "name": "P", "unit": "%", "min": 1}])";
    struct {
        std::string text;
        const char* mentions;
    } cases[] = {
        {"{ not json", "JSON"},
        {R"({"name": "x", )" + nut + "}", "ingredients"},
        {R"({"name": "x", "ingredients": [{"code": 1, "price": 1}], )" + nut + "}", "name"},
        {R"({"name": "x", "ingredients": [{"code": 1, "name": "A", "price": "1"}], )" + nut + "}",
         "price"},
        {R"({"name": "x", "ingredients": [{"code": 1, "name": "A", "price": 1, "values": {"9": 1}}], )" +
             nut + "}",
         "9"},
        {R"({"name": "x", "ingredients": [{"code": 1, "name": "A", "price": 1, "min": -1}], )" +
             nut + "}",
         "min"},
        {R"({"name": "x", "ingredients": [{"code": 1, "name": "A", "price": 1, "min": 60, "max": 50}], )" +
             nut + "}",
         "max"},
        {R"({"name": "x", )" + ing +
             R"(, "nutrients": [{"code": 3, "name": "P", "min": 5, "max": 2}]})",
         "max"},
        // Below the 4 decimals: refused, never read as 0.
        {R"({"name": "x", )" + ing +
             R"(, "nutrients": [{"code": 3, "name": "P", "min": 0.00003}]})",
         "\"min\" is 3e-05, below 0.00005"},
        {R"({"name": "x", "ingredients": [{"code": 1, "name": "A", "price": 1, "values": {"3": 0.00004}}], )" +
             nut + "}",
         "below 0.00005"},
    };
    int i = 0;
    for (const auto& c : cases) {
        CliRun r = solve(write("bad" + std::to_string(i++) + ".json", c.text));
        EXPECT_EQ(r.exit, 2) << c.text;
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
        EXPECT_NE(r.err.find(c.mentions), std::string::npos) << r.err;
    }
    CliRun r = solve(quoted(dir_ / "missing.json"));
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("missing.json"), std::string::npos);
    r = solve(kSample + " --report nonsense");
    EXPECT_EQ(r.exit, 2);
    r = solve(kSample + " --json --report solution");
    EXPECT_EQ(r.exit, 2);
    // options of workspaces
    for (const char* opt : {" --formula 3", " --group 1 --all", " --save", " --report summary"}) {
        r = solve(kSample + opt);
        EXPECT_EQ(r.exit, 2) << opt;
        EXPECT_EQ(r.out, "") << opt;
        EXPECT_NE(r.err.find("espacio de trabajo (.vxf)"), std::string::npos) << opt;
    }
}

TEST_F(SolveCli, EngineRefusalsExitOneInSpanish) {
    CliRun r = solve(write("empty.json", R"({"name": "x", "ingredients": [], "nutrients": []})"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "Error: Se intentó mezclar una fórmula sin insumos\n");
    EXPECT_EQ(r.out, "");
    r = solve(write("short.json", R"({"name": "x", "nutrients": [], "ingredients": [
        {"code": 1, "name": "A", "price": 1, "max": 60},
        {"code": 2, "name": "B", "price": 1, "max": 39.9999}]})"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "Error: La suma de máximos es menor al 100% en la lista de insumos.\n");
}

}  // namespace
