#include "store/container/signal_cleanup.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace vexa::vxf {

namespace {

constexpr int kSlots = 16;
constexpr std::size_t kLongestPath = 4096;

struct Slot {
    volatile std::sig_atomic_t state = 0;  // 0 free, 1 file, 2 tree
    char path[kLongestPath];
};

Slot slots[kSlots]{};  // zeroed at load time, not by a constructor at start
bool installed = false;

struct LinuxDirent64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

bool isDotName(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Removes `name` below `parent` with what it holds; only system calls, so it may run in a
// signal handler.
void removeTreeAt(int parent, const char* name, int depth) {
    int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        ::unlinkat(parent, name, 0);
        return;
    }
    // Entries removed while listing may hide others, so list again until nothing is left.
    for (int pass = 0; pass < 64; ++pass) {
        bool removed = false;
        ::lseek(fd, 0, SEEK_SET);
        alignas(8) char buffer[4096];
        for (;;) {
            long n = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (n <= 0) break;
            for (long at = 0; at < n;) {
                auto* entry = reinterpret_cast<LinuxDirent64*>(buffer + at);
                at += entry->d_reclen;
                if (isDotName(entry->d_name)) continue;
                if (entry->d_type == DT_DIR && depth < 16)
                    removeTreeAt(fd, entry->d_name, depth + 1);
                else
                    ::unlinkat(fd, entry->d_name, 0);
                removed = true;
            }
        }
        if (!removed) break;
    }
    ::close(fd);
    ::unlinkat(parent, name, AT_REMOVEDIR);
}

void onSignal(int signal) {
    for (Slot& slot : slots) {
        if (slot.state == 1) ::unlink(slot.path);
        if (slot.state == 2) removeTreeAt(AT_FDCWD, slot.path, 0);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void installSignalCleanup() {
    if (installed) return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &action, nullptr);
}

void addCleanupPath(const std::filesystem::path& path, bool tree) {
    const std::string& text = path.native();
    if (text.empty() || text.size() >= kLongestPath) return;
    for (Slot& slot : slots)
        if (slot.state != 0 && text == slot.path) return;
    for (Slot& slot : slots) {
        if (slot.state != 0) continue;
        std::memcpy(slot.path, text.c_str(), text.size() + 1);
        slot.state = tree ? 2 : 1;
        return;
    }
}

void forgetCleanupPath(const std::filesystem::path& path) {
    for (Slot& slot : slots)
        if (slot.state != 0 && path.native() == slot.path) slot.state = 0;
}

}  // namespace vexa::vxf
