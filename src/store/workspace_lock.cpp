#include "store/workspace_lock.h"

#include "store/container/signal_cleanup.h"
#include "store/file_target.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <cstdio>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace vexa {

namespace fs = std::filesystem;

namespace {

std::string hostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) return "?";
    return name;
}

std::string userName() {
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name) return pw->pw_name;
    if (const char* user = std::getenv("USER"); user && *user) return user;
    return "?";
}

std::string nowText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
    return text;
}

std::optional<LockOwner> readOwner(int fd) {
    char buffer[2048];
    ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    if (n <= 0) return std::nullopt;
    std::istringstream in(std::string(buffer, std::size_t(n)));
    LockOwner owner;
    std::string line;
    bool any = false;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        any = true;
        if (key == "usuario") owner.user = value;
        if (key == "equipo") owner.host = value;
        if (key == "fecha") owner.since = value;
        if (key == "proceso") owner.pid = std::strtol(value.c_str(), nullptr, 10);
    }
    if (!any) return std::nullopt;
    return owner;
}

bool sameFile(int fd, const fs::path& path) {
    struct stat a {
    }, b{};
    return ::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
           a.st_ino == b.st_ino;
}

// Every holder keeps the system lock while it runs, so on this host a lock file without it
// is stale: its process died, whether or not its number was given to another since. One
// written on another host is kept, as this host cannot see that host's processes.
bool staleText(const std::optional<LockOwner>& owner) {
    return !owner || owner->host.empty() || owner->host == hostName();
}

}  // namespace

fs::path lockFilePath(const fs::path& file) {
    std::string name = file.filename().string();
    // A name so long that the lock's would not fit (255 bytes) is cut and made unique with a
    // hash of the whole name, so that such a workspace is still locked.
    constexpr size_t kMaxName = 255, kDecoration = 8, kHash = 17;
    if (name.size() + kDecoration > kMaxName) {
        const uint64_t hash = std::hash<std::string>{}(name);
        size_t keep = kMaxName - kDecoration - kHash;
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80) --keep;
        char hex[kHash + 1];
        std::snprintf(hex, sizeof hex, "~%016llx", static_cast<unsigned long long>(hash));
        name = name.substr(0, keep) + hex;
    }
    return file.parent_path() / (".~lock." + name + "#");
}

std::string lockedMessage(const fs::path& file, const LockOwner& owner) {
    if (owner.error == ENOLCK)
        return "No se puede bloquear el archivo " + file.string() +
               ": el sistema de archivos de esa carpeta no admite bloqueos (por ejemplo, una "
               "carpeta de red), así que nada impide que otro programa lo modifique a la vez.";
    if (owner.error != 0)
        return "No se pudo bloquear el archivo " + file.string() + " para que nadie más lo " +
               "modifique: " + systemErrorCause(owner.error) + " (" + lockFilePath(file).string() +
               ").";
    std::string who = owner.user.empty() ? "otro usuario" : owner.user;
    std::string text = "El archivo " + file.string() + " está abierto por " + who;
    if (!owner.host.empty()) text += " en el equipo " + owner.host;
    if (owner.pid > 0) text += " (proceso " + std::to_string(owner.pid) + ")";
    if (!owner.since.empty()) text += " desde " + owner.since;
    return text + ".";
}

WorkspaceLock::WorkspaceLock(WorkspaceLock&& other) noexcept
    : file_(std::move(other.file_)),
      lockPath_(std::move(other.lockPath_)),
      fd_(std::exchange(other.fd_, -1)) {}

WorkspaceLock& WorkspaceLock::operator=(WorkspaceLock&& other) noexcept {
    if (this != &other) {
        release();
        file_ = std::move(other.file_);
        lockPath_ = std::move(other.lockPath_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool WorkspaceLock::holds(const fs::path& file) const {
    std::error_code ec;
    return held() && fs::weakly_canonical(file, ec) == fs::weakly_canonical(file_, ec);
}

bool mayTakeOver(const LockOwner& owner) {
    return owner.error == 0 && !owner.live;
}

std::string takeOverQuestion(const fs::path& file, const LockOwner& owner) {
    return lockedMessage(file, owner) +
           " Ningún programa de este equipo lo tiene abierto. Si está seguro de que tampoco "
           "está abierto en ese equipo (por ejemplo, se apagó o cambió de nombre), puede "
           "tomar el bloqueo y modificarlo. ¿Desea tomar el bloqueo?";
}

std::optional<LockOwner> WorkspaceLock::acquire(const fs::path& file, bool takeOver) {
    release();
    const fs::path path = lockFilePath(file);
    for (int attempt = 0; attempt < 5; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
        if (fd < 0) {
            // A lock that cannot be taken is no lock: the caller is told why.
            LockOwner failed;
            failed.error = errno;
            return failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if (error != EWOULDBLOCK) {
                ::close(fd);
                LockOwner failed;
                failed.error = error;
                return failed;
            }
            auto owner = readOwner(fd);
            ::close(fd);
            LockOwner holder = owner ? *owner : LockOwner{};
            holder.live = true;
            return holder;
        }
        // The holder before us may have removed the file while we opened it.
        if (!sameFile(fd, path)) {
            ::close(fd);
            continue;
        }
        auto previous = readOwner(fd);
        if (!takeOver && !staleText(previous)) {
            ::close(fd);
            return previous;
        }
        std::string text = "Vexa\nusuario=" + userName() + "\nequipo=" + hostName() +
                           "\nproceso=" + std::to_string(::getpid()) + "\nfecha=" + nowText() +
                           "\n";
        if (::ftruncate(fd, 0) != 0 ||
            ::pwrite(fd, text.data(), text.size(), 0) != ssize_t(text.size())) {
            // No room to say who holds it; the system lock still keeps others out.
        }
        fd_ = fd;
        file_ = file;
        lockPath_ = path;
        vxf::addCleanupPath(lockPath_);
        return std::nullopt;
    }
    return LockOwner{};
}

void WorkspaceLock::release() {
    if (fd_ < 0) return;
    vxf::forgetCleanupPath(lockPath_);
    if (sameFile(fd_, lockPath_)) ::unlink(lockPath_.c_str());
    ::close(fd_);
    fd_ = -1;
    file_.clear();
    lockPath_.clear();
}

std::optional<LockOwner> lockHolder(const fs::path& file) {
    const fs::path path = lockFilePath(file);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::optional<LockOwner> result;
    auto owner = readOwner(fd);
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        result = owner ? *owner : LockOwner{};
        result->live = true;
    } else if (!staleText(owner))
        result = owner;
    ::close(fd);
    if (result && result->pid == ::getpid() && result->host == hostName()) return std::nullopt;
    return result;
}

void checkNotLocked(const fs::path& file) {
    if (auto owner = lockHolder(file)) throw std::runtime_error(lockedMessage(file, *owner));
}

}  // namespace vexa
