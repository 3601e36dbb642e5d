#pragma once
// The workspace file on disk, apart from its contents: whether it is still the one that was
// opened, whether the user may write it, copies found where a save or a crash left them,
// what was left behind by processes that no longer run, and what to tell the user when
// the disk refuses.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vexa {

class ContainerError;

// Size, modification time and a checksum of the whole file: another program that rewrote
// it changes at least one of them.
struct FileIdentity {
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::uint32_t checksum = 0;
    bool operator==(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& file);

// False when the file's mode has no write bit, the system refuses writing it, or its folder
// may not be written (a save replaces the file by a rename). The mode bits count even for
// an administrator, whom the system would let write anyway.
bool userMayWrite(const std::filesystem::path& file);

// The ".guardando" beside a workspace file: the new version, complete, before it takes
// the file's name.
std::filesystem::path savingPath(const std::filesystem::path& file);

// A complete copy of a missing workspace file: the ".guardando" a save left, else the
// ".bkp"; only a copy whose every block checks is offered.
std::optional<std::filesystem::path> findRecoverableCopy(const std::filesystem::path& file);
// Puts `copy` under the name `file`: a ".guardando" is renamed, a backup is linked (or
// copied) so that it stays the backup. 0 or the system's error number.
int restoreCopy(const std::filesystem::path& copy, const std::filesystem::path& file);

// The cause of a failed write, in Spanish: "No hay espacio en el disco.", "No tiene permiso
// para escribir en <where>.", ...; empty when `error` is 0.
std::string writeErrorText(int error, const std::filesystem::path& where);
// What the user is told when the workspace `file` cannot be opened because of `error`.
std::string openErrorText(const std::filesystem::path& file, const ContainerError& error);

// Leftovers of processes that no longer run, by the process id in their names: the
// command-line program's "vexa-cli-PID" folders and the temporary archives
// ("~Archiv-*.tmp") directly in `folder`.
void removeStaleLeftovers(const std::filesystem::path& folder);
// Working folders below a WorkRoot carry a mark beside them (".NAME.000.pid"): the process
// that made them, the workspace file they belong to and, once it is open, whether the folder
// changed since it last matched that file (opened or saved). A folder whose process no
// longer runs and that changed holds unsaved work.
void markWorkingFolder(const std::filesystem::path& folder, const std::filesystem::path& workspace);
// The folder now matches `workspace` (just opened or saved).
void recordSavedState(const std::filesystem::path& folder, const std::filesystem::path& workspace);
// The folder is about to differ from `workspace` (a change, recorded before it is made); also
// for a folder this process takes over from one that stopped.
void recordUnsavedChange(const std::filesystem::path& folder,
                         const std::filesystem::path& workspace);
void unmarkWorkingFolder(const std::filesystem::path& folder);

// A working folder whose program stopped without closing it.
struct UnsavedSession {
    std::filesystem::path folder;
    std::filesystem::path workspace;  // empty when the mark does not say
    std::int64_t changed = 0;         // last change, nanoseconds
    bool unsaved = false;             // changed since it last matched its file
};
// The folders below `workRoot` whose process no longer runs, the most recently changed first.
std::vector<UnsavedSession> unsavedSessions(const std::filesystem::path& workRoot);
// Removes the folder and its mark.
void discardSession(const UnsavedSession& session);
// At start: removes the folders of stopped programs that hold nothing unsaved; the others
// wait until the user decides (Tdmvxf::OfrecerRecuperacion).
void removeStaleWorkingFolders(const std::filesystem::path& workRoot);
// Whether the process runs; one that ended and waits for its parent to collect it does not.
bool processRunning(long pid);

}  // namespace vexa
