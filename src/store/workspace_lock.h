#pragma once
// The lock a program holds on the workspace file it may save, as office programs do: a
// small file ".~lock.NAME#" beside it that says who (user, host, process, time). The holder
// also keeps a system lock (flock) on it, so a lock whose process died is free at once,
// whatever its text says; one written on this host by a process that no longer runs is
// taken over too.
#include <filesystem>
#include <optional>
#include <string>

namespace vexa {

struct LockOwner {
    std::string user;
    std::string host;
    long pid = 0;
    std::string since;  // local time, "2026-12-10 15:52"
    // Not another program: the lock could not be taken at all (errno), so nothing keeps
    // another saver out. ENOLCK: the file system has no locking (a network folder).
    int error = 0;
    // A program of this machine holds it now. Otherwise the lock is only a record (written on
    // another host, or on this one under another name), which the user may take over.
    bool live = false;
};

// Whether the lock `owner` describes may be taken over after the user's say-so: a record no
// running program of this machine holds.
bool mayTakeOver(const LockOwner& owner);
// The question that offers it.
std::string takeOverQuestion(const std::filesystem::path& file, const LockOwner& owner);

std::filesystem::path lockFilePath(const std::filesystem::path& file);

// "El archivo F está abierto por USER en el equipo HOST (proceso PID) desde FECHA."
std::string lockedMessage(const std::filesystem::path& file, const LockOwner& owner);

class WorkspaceLock {
public:
    WorkspaceLock() = default;
    ~WorkspaceLock() { release(); }
    WorkspaceLock(WorkspaceLock&& other) noexcept;
    WorkspaceLock& operator=(WorkspaceLock&& other) noexcept;
    WorkspaceLock(const WorkspaceLock&) = delete;
    WorkspaceLock& operator=(const WorkspaceLock&) = delete;

    // Takes the lock of `file` (releasing any other held); nullopt when taken, else who
    // holds it. A folder where no lock file can be written (a read-only medium) gives no
    // lock and no holder: nothing can be saved there anyway.
    // takeOver: a record of another host that no program here holds is replaced.
    std::optional<LockOwner> acquire(const std::filesystem::path& file, bool takeOver = false);
    void release();
    bool held() const { return fd_ >= 0; }
    // True when this object holds the lock of `file`.
    bool holds(const std::filesystem::path& file) const;

private:
    std::filesystem::path file_;
    std::filesystem::path lockPath_;
    int fd_ = -1;
};

// Who holds the lock of `file`, when it is another process that still runs.
std::optional<LockOwner> lockHolder(const std::filesystem::path& file);

// Throws std::runtime_error with lockedMessage when another process holds `file`.
void checkNotLocked(const std::filesystem::path& file);

}  // namespace vexa
