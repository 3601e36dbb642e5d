#include "store/container/binary_file.h"

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "store/container/file_ops.h"

namespace vexa::vxf {

BinaryFile::BinaryFile(const std::filesystem::path& path, Mode mode) {
    const char* how = mode == Mode::Read ? "rb" : mode == Mode::CreateNew ? "w+bx" : "w+b";
    if (mode != Mode::Read && !fileOperationAllowed()) {
        error_ = errno;
        return;
    }
    file_ = std::fopen(path.c_str(), how);
    if (!file_) error_ = errno;
}

bool BinaryFile::failed() {
    error_ = errno ? errno : EIO;
    return false;
}

BinaryFile::~BinaryFile() {
    close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), error_(other.error_) {}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        close();
        file_ = std::exchange(other.file_, nullptr);
        error_ = other.error_;
    }
    return *this;
}

bool BinaryFile::read(void* data, std::size_t size) {
    return file_ && std::fread(data, 1, size, file_) == size;
}

std::size_t BinaryFile::readUpTo(void* data, std::size_t size) {
    if (!file_) return 0;
    errno = 0;
    const std::size_t got = std::fread(data, 1, size, file_);
    if (got < size && std::ferror(file_)) failed();
    return got;
}

bool BinaryFile::hasError() const {
    return !file_ || std::ferror(file_) != 0;
}

bool BinaryFile::write(const void* data, std::size_t size) {
    if (!file_) return false;
    errno = 0;
    if (!fileOperationAllowed() || std::fwrite(data, 1, size, file_) != size) return failed();
    return true;
}

bool BinaryFile::seek(std::uint64_t offset) {
    if (!file_ || offset > std::uint64_t(INT64_MAX)) return false;
    // Seeking writes what is still buffered: a full disk shows here first.
    errno = 0;
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return failed();
    return true;
}

std::uint64_t BinaryFile::size() {
    if (!file_) return 0;
    off_t here = ftello(file_);
    if (fseeko(file_, 0, SEEK_END) != 0) return 0;
    off_t end = ftello(file_);
    fseeko(file_, here, SEEK_SET);
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

bool BinaryFile::truncate(std::uint64_t size) {
    if (!file_) return false;
    errno = 0;
    if (!fileOperationAllowed() || std::fflush(file_) != 0 ||
        ftruncate(fileno(file_), off_t(size)) != 0)
        return failed();
    return true;
}

bool BinaryFile::sync() {
    if (!file_) return false;
    errno = 0;
    if (!fileOperationAllowed() || std::fflush(file_) != 0 || fsync(fileno(file_)) != 0)
        return failed();
    return true;
}

bool BinaryFile::close() {
    if (!file_) return true;
    errno = 0;
    bool ok = std::fclose(file_) == 0;
    if (!ok) failed();
    file_ = nullptr;
    return ok;
}

bool BinaryFile::syncFolder(const std::filesystem::path& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return false;
    bool ok = fsync(fd) == 0;
    ::close(fd);
    return ok;
}

}  // namespace vexa::vxf
