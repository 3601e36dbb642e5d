#pragma once
// What a process must not leave behind when it is told to stop (SIGTERM, SIGINT, SIGHUP):
// its temporary archives, working folders and lock files. Paths are registered while they
// exist; the handler removes them with system calls only and then lets the signal end the
// process as it would have.
#include <filesystem>

namespace vexa::vxf {

// Installs the handler once per process; later calls do nothing.
void installSignalCleanup();

// `path` (a file, or with `tree` a folder and everything in it) is removed if a signal
// ends the process before forgetCleanupPath. Paths past a small fixed number are not kept.
void addCleanupPath(const std::filesystem::path& path, bool tree = false);
void forgetCleanupPath(const std::filesystem::path& path);

}  // namespace vexa::vxf
