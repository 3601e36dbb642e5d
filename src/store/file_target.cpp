#include "store/file_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace vexa {

namespace fs = std::filesystem;

namespace {

std::string causeOf(int error) {
    return systemErrorCause(error);
}

// write(2) until done; 0 or the error number.
int writeAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

std::string writeWholeFile(const fs::path& file, std::string_view bytes) {
    const fs::path real = realFile(file);
    switch (fileTargetKind(real)) {
        case FileTargetKind::Stream: {
            // Written through: a device or a pipe is never replaced by a file.
            int fd = ::open(real.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (fd < 0) return causeOf(errno);
            const int error = writeAll(fd, bytes);
            ::close(fd);
            return error ? causeOf(error) : std::string();
        }
        case FileTargetKind::Directory:
        case FileTargetKind::Other:
            return "no es un archivo normal";
        case FileTargetKind::Missing:
        case FileTargetKind::Regular:
            break;
    }
    // Beside the real file, under a name no other save uses, then renamed over it.
    std::random_device rd;
    fs::path tmp = real;
    tmp += ".guardando-" + std::to_string(rd() % 1000000);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return causeOf(errno);
    // A replaced file keeps its permissions.
    struct stat st {};
    if (::stat(real.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
    int error = writeAll(fd, bytes);
    if (!error && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && !error) error = errno;
    if (!error && std::rename(tmp.c_str(), real.c_str()) != 0) error = errno;
    if (error) {
        ::unlink(tmp.c_str());
        return causeOf(error);
    }
    return {};
}

std::string systemErrorCause(int error) {
    switch (error) {
        case ENOSPC:
        case EDQUOT:
            return "no hay espacio en el disco";
        case EFBIG:
            return "el archivo excede el tamaño que el disco admite";
        case EACCES:
        case EPERM:
            return "no tiene permiso para escribir ahí";
        case EROFS:
            return "el disco es de sólo lectura";
        case EIO:
            return "error de lectura o escritura en el disco";
        case ENOENT:
            return "la carpeta no existe";
        case ENAMETOOLONG:
            return "el nombre es demasiado largo";
        case EISDIR:
            return "es una carpeta";
        default:
            return "error del sistema " + std::to_string(error) + " (" + std::strerror(error) + ")";
    }
}

int likelyWriteError(const fs::path& folder) {
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    struct statvfs vfs {};
    if (::statvfs(dir.c_str(), &vfs) == 0 &&
        std::uint64_t(vfs.f_bavail) * vfs.f_frsize < (std::uint64_t(1) << 20))
        return ENOSPC;
    if (::access(dir.c_str(), W_OK) != 0) return EACCES;
    return 0;
}

bool sameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::equivalent(a, b, ec) && !ec) return true;
    return realFile(a) == realFile(b);
}

}  // namespace vexa
