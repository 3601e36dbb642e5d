#pragma once
// A fresh folder per test, removed afterwards.
#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace vexa::testing_tables {

class TempDir {
public:
    TempDir() {
        static std::atomic<int> serial{0};
        path_ = std::filesystem::temp_directory_path() /
                ("vexa_tables_" + std::to_string(::getpid()) + "_" + std::to_string(++serial));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace vexa::testing_tables
