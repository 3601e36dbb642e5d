// Packing and unpacking a 100 MB working folder of table-like files, against zlib's own
// deflate and inflate of the same bytes at level 6 in memory: the floor the format can
// reach. Printed at the end as ratios (container time / zlib time, file size / zlib size).
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "store/container/container.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFiles = 20;
constexpr std::size_t kFileSize = 5u << 20;

// Pages of fixed-size records: names from a short list, codes, packed doubles and
// free space, roughly as the working folder's tables look.
std::vector<std::uint8_t> tableFile(std::uint32_t seed) {
    static const char* names[] = {"Maiz amarillo",    "Harina de soya 46%",  "Sorgo grano",
                                  "Afrecho de trigo", "Carbonato de calcio", "Sal comun",
                                  "Aceite de palma",  "Harina de pescado",   "DL-Metionina",
                                  "L-Lisina HCl",     "Fosfato dicalcico",   "Premezcla vit."};
    std::vector<std::uint8_t> out(kFileSize, 0);
    std::mt19937 rng(seed);
    for (std::size_t page = 0; page + 4096 <= out.size(); page += 4096) {
        std::uint8_t* p = out.data() + page;
        std::size_t used = 64 + rng() % 3900;  // the rest of the page stays empty
        std::uint32_t code = std::uint32_t(page / 4096 * 40);
        std::memcpy(p, &code, 4);
        for (std::size_t at = 16; at + 96 <= used; at += 96) {
            const char* name = names[rng() % 12];
            std::memcpy(p + at, name, std::strlen(name));
            ++code;
            std::memcpy(p + at + 40, &code, 4);
            for (int k = 0; k < 6; ++k) {
                double value = double(rng() % 100000) / 100.0;
                std::memcpy(p + at + 48 + 8 * k, &value, 8);
            }
        }
    }
    return out;
}

struct Folder {
    fs::path root, src, dest, vxf;
    std::vector<std::vector<std::uint8_t>> files;
    std::vector<std::vector<std::uint8_t>> deflated;
    std::size_t rawTotal = 0;

    Folder() {
        root = fs::temp_directory_path() / ("vexa-bench-container-" + std::to_string(::getpid()));
        src = root / "src";
        dest = root / "dest";
        vxf = root / "w.vxf";
        fs::create_directories(src);
        for (std::size_t i = 0; i < kFiles; ++i) {
            files.push_back(tableFile(std::uint32_t(i + 1)));
            char name[32];
            std::snprintf(name, sizeof name, "T%02zu.db", i);
            std::ofstream out(src / name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(files.back().data()),
                      std::streamsize(files.back().size()));
            rawTotal += files.back().size();
        }
        deflated.resize(kFiles);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

Folder& folder() {
    static Folder f;
    return f;
}

void BM_PackFolder(benchmark::State& state) {
    Folder& f = folder();
    for (auto _ : state) vexa::packFolder(f.src, f.vxf);
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.rawTotal));
    state.counters["file_MB"] = double(fs::file_size(f.vxf)) / 1e6;
}

void BM_UnpackFile(benchmark::State& state) {
    Folder& f = folder();
    if (!fs::exists(f.vxf)) vexa::packFolder(f.src, f.vxf);
    for (auto _ : state) vexa::unpackFile(f.vxf, f.dest);
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.rawTotal));
}

void BM_ZlibDeflate(benchmark::State& state) {
    Folder& f = folder();
    std::size_t total = 0;
    for (auto _ : state) {
        total = 0;
        for (std::size_t i = 0; i < kFiles; ++i) {
            uLongf size = compressBound(uLong(f.files[i].size()));
            f.deflated[i].resize(size);
            compress2(f.deflated[i].data(), &size, f.files[i].data(), uLong(f.files[i].size()), 6);
            f.deflated[i].resize(size);
            total += size;
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.rawTotal));
    state.counters["file_MB"] = double(total) / 1e6;
}

void BM_ZlibInflate(benchmark::State& state) {
    Folder& f = folder();
    std::vector<std::uint8_t> out(kFileSize);
    for (auto _ : state) {
        for (std::size_t i = 0; i < kFiles; ++i) {
            uLongf size = uLongf(out.size());
            uncompress(out.data(), &size, f.deflated[i].data(), uLong(f.deflated[i].size()));
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * f.rawTotal));
}

// Deflate runs before inflate so the streams to inflate exist.
BENCHMARK(BM_ZlibDeflate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_PackFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_UnpackFile)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            times_[run.run_name.function_name] = run.GetAdjustedRealTime();
            cpu_[run.run_name.function_name] = run.GetAdjustedCPUTime();
            auto size = run.counters.find("file_MB");
            if (size != run.counters.end()) sizes_[run.run_name.function_name] = size->second;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void printRatios() {
        auto ratio = [&](std::map<std::string, double>& t, const char* a, const char* b) {
            return t.count(a) && t.count(b) && t[b] > 0 ? t[a] / t[b] : 0;
        };
        std::printf("\n%zu MB folder (%zu files)\n", kFiles * kFileSize >> 20, kFiles);
        // Wall time includes the disk; CPU time (this thread) is steadier on a busy machine.
        std::printf("pack   / zlib deflate level 6 : %.2f x the wall time, %.2f x the CPU time\n",
                    ratio(times_, "BM_PackFolder", "BM_ZlibDeflate"),
                    ratio(cpu_, "BM_PackFolder", "BM_ZlibDeflate"));
        std::printf("unpack / zlib inflate         : %.2f x the wall time, %.2f x the CPU time\n",
                    ratio(times_, "BM_UnpackFile", "BM_ZlibInflate"),
                    ratio(cpu_, "BM_UnpackFile", "BM_ZlibInflate"));
        if (sizes_["BM_ZlibDeflate"] > 0)
            std::printf(".vxf size / zlib streams size  : %.3f (%.1f MB / %.1f MB)\n",
                        sizes_["BM_PackFolder"] / sizes_["BM_ZlibDeflate"], sizes_["BM_PackFolder"],
                        sizes_["BM_ZlibDeflate"]);
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, double> cpu_;
    std::map<std::string, double> sizes_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
