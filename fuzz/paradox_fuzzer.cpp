// libFuzzer target for the reader of the earlier program's Paradox tables: the input is the
// nutrient table NUT.DB, followed after the first "\nMB\n" by its memo file NUT.MB, and the
// folder is converted as an open converts it. Every refusal must be an error with its message:
// no crash, no hang, no unbounded allocation.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "store/legacy/paradox_convert.h"

namespace fs = std::filesystem;

namespace {

fs::path folder() {
    static const fs::path f = [] {
        fs::path top = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::path("/tmp");
        fs::path p = top / ("vexa-paradox-fuzz-" + std::to_string(getpid()));
        fs::create_directories(p);
        static const std::string kept = p.string();
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(kept, ec);
        });
        return p;
    }();
    return f;
}

void write(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const fs::path dir = folder();
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const auto cut = in.find("\nMB\n");
    write(dir / "NUT.DB", in.substr(0, cut));
    if (cut != std::string_view::npos) write(dir / "NUT.MB", in.substr(cut + 4));
    try {
        vexa::convertParadoxFolder(dir);
    } catch (const std::exception&) {
    }
    return 0;
}
