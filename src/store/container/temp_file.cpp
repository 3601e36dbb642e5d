#include "store/container/temp_file.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "store/container/container.h"
#include "store/container/signal_cleanup.h"

namespace vexa::vxf {

std::uint32_t tickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<std::uint32_t>(ms);
}

TempFile::TempFile(const std::filesystem::path& folder) {
    std::uint32_t base = tickCount();
    auto pid = static_cast<unsigned>(::getpid());
    int error = 0;
    for (std::uint32_t i = 1; i <= 1000; ++i) {
        char name[40];
        std::snprintf(name, sizeof name, "~Archiv-%08x%08x.tmp", pid, base + i);
        std::filesystem::path candidate = folder / name;
        BinaryFile f(candidate, BinaryFile::Mode::CreateNew);
        if (f.isOpen()) {
            path_ = std::move(candidate);
            file_ = std::move(f);
            addCleanupPath(path_);
            return;
        }
        error = f.lastError();
        // Only a name already taken is worth another try.
        if (error != EEXIST && i > 2) break;
    }
    throw ContainerError(ContainerError::Kind::NoTempFile, "No puedo construir archivo temporal",
                         error);
}

int tempFileOwner(const std::string& fileName) {
    const char prefix[] = "~Archiv-";
    const std::size_t digits = 16;
    if (fileName.size() != std::strlen(prefix) + digits + 4 || fileName.rfind(prefix, 0) != 0 ||
        fileName.compare(fileName.size() - 4, 4, ".tmp") != 0)
        return 0;
    std::string hex = fileName.substr(std::strlen(prefix), 8);
    if (hex.find_first_not_of("0123456789abcdef") != std::string::npos) return 0;
    return static_cast<int>(std::stoul(hex, nullptr, 16));
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
    forgetCleanupPath(path_);
}

}  // namespace vexa::vxf
