#include "store/container/file_ops.h"

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

}  // namespace vexa::vxf
