#pragma once
// Every write, flush, link and rename of a workspace file goes through here, so that a test
// can make the n-th of them fail as a full disk or a refused rename would (in the manner of
// SQLite's fault injection), and every failure keeps the system's error number for the
// message the user sees.
#include <filesystem>

namespace vexa::vxf {

// Test seam: counting from this call, the n-th write, flush, link or rename fails with
// `error` (n >= 1); with `sticky` every later one fails too, as a disk that stays full or an
// immutable file. n = 0 turns failures off.
void failNthFileOperation(long n, int error, bool sticky = false);
// Test seam: every link fails as on a file system without hard links.
void simulateNoLinks(bool on);
// Operations counted since the last failNthFileOperation call.
long fileOperationCount();
// Counts one operation; false (and errno set) when it is the one to fail.
bool fileOperationAllowed();

// `file` with every symbolic link followed (the last one may name a file not yet there),
// absolute: where a save really writes, so that the link stays and its file is changed.
std::filesystem::path realFile(const std::filesystem::path& file);
enum class FileTargetKind { Missing, Regular, Stream, Directory, Other };
// What `file` (links followed) is: nothing yet, a regular file, something written through (a
// FIFO, a character device), a folder, or something a save must not touch (a socket...).
FileTargetKind fileTargetKind(const std::filesystem::path& file);
// 0 when `file` (links followed) is missing or a regular file, which a save may replace; else
// the error number that refuses it (EISDIR for a folder, EINVAL for a device, a pipe...).
int notReplaceable(const std::filesystem::path& file);

// rename(2) and link(2) through the seam: 0 on success, else the error number.
int renameFile(const std::filesystem::path& from, const std::filesystem::path& to);
int linkFile(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace vexa::vxf
