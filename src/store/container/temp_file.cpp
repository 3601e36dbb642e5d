#include "store/container/temp_file.h"

#include <chrono>
#include <cstdio>
#include <system_error>

#include "store/container/container.h"

namespace vexa::vxf {

std::uint32_t tickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

TempFile::TempFile(const std::filesystem::path& folder) {
    std::uint32_t base = tickCount();
    for (std::uint32_t i = 1; i <= 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "~Archiv-%x.tmp", base + i);
        std::filesystem::path candidate = folder / name;
        BinaryFile f(candidate, BinaryFile::Mode::CreateNew);
        if (f.isOpen()) {
            path_ = std::move(candidate);
            file_ = std::move(f);
            return;
        }
    }
    throw ContainerError(ContainerError::Kind::NoTempFile, "No puedo construir archivo temporal");
}

std::filesystem::path systemTempFolder() {
    std::error_code ec;
    std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
    if (ec)
        throw ContainerError(ContainerError::Kind::NoTempFile,
                             "No puedo construir archivo temporal");
    return folder;
}

TempFile::~TempFile() {
    file_.close();
    if (!kept_) {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
}

}  // namespace vexa::vxf
