#pragma once
// Temporary files named "~Archiv-<hex>.tmp", created exclusively and removed by their
// owner's destructor unless kept. The hexadecimal part is the process id (8 digits) followed
// by the tick count plus 1, 2, ... (8 digits), so that the files of a process that was
// killed can be told from those of one still running and cleared.
#include <filesystem>

#include "store/container/binary_file.h"

namespace vexa::vxf {

class TempFile {
public:
    // Tries the tick count plus 1, 2, ... in `folder`; after 1000 names taken or refused it
    // throws ContainerError NoTempFile (with the system's error number of the last try).
    explicit TempFile(const std::filesystem::path& folder);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    BinaryFile& file() { return file_; }
    // The file now belongs to someone else (it was renamed); nothing is removed.
    void keep() { kept_ = true; }

private:
    std::filesystem::path path_;
    BinaryFile file_;
    bool kept_ = false;
};

// The process id in a temporary file's name; 0 for a name without one (another writer's).
int tempFileOwner(const std::string& fileName);

// The system's folder for temporary files; throws ContainerError NoTempFile without one.
std::filesystem::path systemTempFolder();

// The operating system's millisecond tick count, as the container records it.
std::uint32_t tickCount();

}  // namespace vexa::vxf
