// Starting vexa-cli to solve one formula against starting glpsol on the same programme:
// scripts run one program per formula, so the start is part of every answer. The programme
// given to glpsol is the sample formula written as an LP file (shares in %, the 100 % row,
// bounds, nutrient rows with each value ÷ 100). "cli_over_glpsol" is the ratio of wall times.
#include "test_paths.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Runs the program with its output thrown away; true when it exited with 0.
bool runQuiet(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The sample formula as a CPLEX LP file.
std::string lpOf(const fs::path& formulaFile) {
    std::ifstream in(formulaFile);
    const nlohmann::json f = nlohmann::json::parse(in);
    std::ostringstream lp;
    lp << "Minimize\n cost:";
    const auto& ings = f["ingredients"];
    for (size_t i = 0; i < ings.size(); ++i)
        lp << " + " << ings[i]["price"].get<double>() << " x" << i;
    lp << "\nSubject To\n total:";
    for (size_t i = 0; i < ings.size(); ++i) lp << " + x" << i;
    lp << " = 100\n";
    int row = 0;
    for (const auto& n : f["nutrients"]) {
        const std::string code = std::to_string(n["code"].get<int>());
        std::ostringstream terms;
        for (size_t i = 0; i < ings.size(); ++i) {
            const auto& v = ings[i]["values"];
            if (v.contains(code)) terms << " + " << v[code].get<double>() / 100.0 << " x" << i;
        }
        if (terms.str().empty()) continue;
        if (!n["min"].is_null() && n["min"].get<double>() > 0)
            lp << " r" << row++ << ":" << terms.str() << " >= " << n["min"].get<double>() << "\n";
        if (!n["max"].is_null() && n["max"].get<double>() > 0)
            lp << " r" << row++ << ":" << terms.str() << " <= " << n["max"].get<double>() << "\n";
    }
    lp << "Bounds\n";
    for (size_t i = 0; i < ings.size(); ++i) {
        const double lo = ings[i]["min"].is_null() ? 0.0 : ings[i]["min"].get<double>();
        const double hi = ings[i]["max"].is_null() ? 100.0 : ings[i]["max"].get<double>();
        lp << " " << lo << " <= x" << i << " <= " << hi << "\n";
    }
    lp << "End\n";
    return lp.str();
}

void BM_StartAndSolve(benchmark::State& state) {
    const fs::path formula = fs::path(VEXA_SAMPLES_DIR) / "broiler_starter.json";
    const fs::path lp =
        fs::temp_directory_path() / ("vexa_bench_" + std::to_string(getpid()) + ".lp");
    std::ofstream(lp) << lpOf(formula);
    const std::vector<std::string> cli = {VEXA_CLI_PATH, "solve", formula.string()};
    // glpsol removes its output file before writing it: never point it at /dev/null.
    const fs::path out = fs::path(lp).replace_extension(".sol");
    const std::vector<std::string> glpsol = {"glpsol", "--lp", lp.string(), "-o", out.string()};
    if (!runQuiet(glpsol)) {
        state.SkipWithError("glpsol no está instalado o no resolvió el programa");
        return;
    }
    double cliSeconds = 0, glpsolSeconds = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        runQuiet(cli);
        auto t1 = std::chrono::steady_clock::now();
        runQuiet(glpsol);
        auto t2 = std::chrono::steady_clock::now();
        cliSeconds += std::chrono::duration<double>(t1 - t0).count();
        glpsolSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    fs::remove(lp);
    fs::remove(out);
    const double n = static_cast<double>(state.iterations());
    state.counters["ms_vexa_cli"] = cliSeconds / n * 1e3;
    state.counters["ms_glpsol"] = glpsolSeconds / n * 1e3;
    state.counters["cli_over_glpsol"] = cliSeconds / glpsolSeconds;
}
BENCHMARK(BM_StartAndSolve)->Unit(benchmark::kMillisecond)->Iterations(200);

}  // namespace

BENCHMARK_MAIN();
