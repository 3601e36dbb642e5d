#include "store/container/file_ops.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace vexa::vxf {

namespace {
long counted = 0;
long failAt = 0;
int failError = 0;
bool failAfter = false;
bool noLinks = false;
}  // namespace

void simulateNoLinks(bool on) {
    noLinks = on;
}

void failNthFileOperation(long n, int error, bool sticky) {
    counted = 0;
    failAt = n;
    failError = error;
    failAfter = sticky;
}

long fileOperationCount() {
    return counted;
}

bool fileOperationAllowed() {
    ++counted;
    if (failAt > 0 && (counted == failAt || (failAfter && counted > failAt))) {
        errno = failError;
        return false;
    }
    return true;
}

int renameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!fileOperationAllowed()) return errno;
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int linkFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (!fileOperationAllowed()) return errno;
    if (noLinks) return EPERM;
    return ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

std::filesystem::path realFile(const std::filesystem::path& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p = fs::absolute(file, ec);
    if (ec) p = file;
    for (int depth = 0; depth < 40; ++depth) {
        if (!fs::is_symlink(fs::symlink_status(p, ec))) return p.lexically_normal();
        fs::path target = fs::read_symlink(p, ec);
        if (ec) return p;
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
    return file;  // a loop of links: the write itself says so
}

FileTargetKind fileTargetKind(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return errno == ENOENT ? FileTargetKind::Missing : FileTargetKind::Other;
    if (S_ISREG(st.st_mode)) return FileTargetKind::Regular;
    if (S_ISDIR(st.st_mode)) return FileTargetKind::Directory;
    if (S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode)) return FileTargetKind::Stream;
    return FileTargetKind::Other;
}

int notReplaceable(const std::filesystem::path& file) {
    switch (fileTargetKind(file)) {
        case FileTargetKind::Missing:
        case FileTargetKind::Regular:
            return 0;
        case FileTargetKind::Directory:
            return EISDIR;
        default:
            return EINVAL;
    }
}

}  // namespace vexa::vxf
