// Saving a whole group's run: `vexa-cli solve W --group G --all --save` beside the same run
// without --save, on a workspace of 10,000 ingredients × 300 nutrients with 2,000 formulas in
// 10 groups. Both runs store every formula's results in the working copy; --save adds the
// lock, the pack of the working folder into the file and the backup. "save_over_run" is the
// ratio of wall times.
//
//     ./bench_group_save [--benchmark_filter=...]   (the workspace is built once, ~1 min)
#include "large_workspace.h"
#include "test_paths.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

namespace vexa::bench {
namespace {

// Runs vexa-cli with its output thrown away; true when it exited with 0.
bool runCli(const std::vector<std::string>& args) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct GroupWorkspace {
    fs::path root = fs::temp_directory_path() / "vexa_bench_group_save";
    fs::path file = root / "Grande.vxf";
    GroupWorkspace() {
        fs::remove_all(root);
        fs::create_directories(root);
        QuietUi ui;
        WorkspaceSettings s;
        s.documents = root;
        s.workRoot = root / "Devov";
        s.vxfPath = root;
        s.privateFolder = root / "Temp";
        Tdmvxf vxf(s, ui);
        vxf.CrearVXF(file, [](Database& db, TDBDef& def) {
            fillWorkspace(db, def, WorkspaceSize{10000, 300, 2000, 10});
        });
    }
    ~GroupWorkspace() {
        if (!std::getenv("KEEPIT")) fs::remove_all(root);
    }
};

GroupWorkspace& groupWorkspace() {
    static GroupWorkspace w;
    return w;
}

double secondsOfRun(const std::vector<std::string>& args) {
    const auto start = std::chrono::steady_clock::now();
    if (!runCli(args)) throw std::runtime_error("vexa-cli failed");
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_GroupRunSaved(benchmark::State& state) {
    auto& w = groupWorkspace();
    const std::string cli = VEXA_CLI_PATH;
    const std::vector<std::string> run = {cli, "solve", w.file.string(), "--group", "3", "--all"};
    std::vector<std::string> saved = run;
    saved.push_back("--save");
    double plain = 0, withSave = 0;
    for (auto _ : state) {
        plain += secondsOfRun(run);
        withSave += secondsOfRun(saved);
    }
    const double n = double(state.iterations());
    state.counters["run_s"] = plain / n;
    state.counters["run_and_save_s"] = withSave / n;
    state.counters["save_over_run"] = withSave / plain;
    state.counters["file_MB"] = double(fs::file_size(w.file)) / 1e6;
}
BENCHMARK(BM_GroupRunSaved)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(3);

}  // namespace
}  // namespace vexa::bench

BENCHMARK_MAIN();
