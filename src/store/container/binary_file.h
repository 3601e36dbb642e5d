#pragma once
// A small owner of a C stream for the container's reads and writes: 64-bit offsets,
// exact reads, and the flush-and-sync a safe save needs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace vexa::vxf {

class BinaryFile {
public:
    enum class Mode {
        Read,       // an existing file, read only
        CreateNew,  // a new file, failing when the name exists
        Replace,    // a new or truncated file
    };

    BinaryFile() = default;
    BinaryFile(const std::filesystem::path& path, Mode mode);
    ~BinaryFile();
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    // False unless exactly `size` bytes were transferred.
    bool read(void* data, std::size_t size);
    // Reads up to `size` bytes; fewer only at the end of the file or on an error.
    std::size_t readUpTo(void* data, std::size_t size);
    bool hasError() const;
    bool write(const void* data, std::size_t size);
    bool seek(std::uint64_t offset);
    std::uint64_t size();
    bool truncate(std::uint64_t size);
    // Flushes the stream and asks the system to put the bytes on the disk.
    bool sync();
    bool close();
    // The system's error number of the last failed open, write, flush or truncate (0: none).
    int lastError() const { return error_; }

    // Puts a folder's entries (a rename into it) on the disk.
    static bool syncFolder(const std::filesystem::path& folder);

private:
    bool failed();

    std::FILE* file_ = nullptr;
    int error_ = 0;
};

}  // namespace vexa::vxf
