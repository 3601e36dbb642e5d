#pragma once
// Where a save really writes, and writing a whole file there safely. Every writer of the
// program (workspace saves, reports, spreadsheet exports, settings, converted files) goes
// through these, so that:
// - a symbolic link is followed and kept: the file it names receives the change (a workspace
//   kept in a synchronised folder and opened through a link is saved there);
// - a regular file is replaced only once the new content is complete (written beside it,
//   then renamed over it), so a full disk keeps the old one;
// - a FIFO or a character device (/dev/null, a terminal) is written through, never replaced;
//   a directory or another kind of file is refused with a message.
#include <filesystem>
#include <string>
#include <string_view>

#include "store/container/file_ops.h"

namespace vexa {

// Where a write really goes (links followed) and what is there: the container's, shared.
using vxf::FileTargetKind;
using vxf::fileTargetKind;
using vxf::realFile;

// Writes `bytes` as the whole content of `file` by the rules above. Empty on success, else
// the cause in Spanish (systemErrorCause); on failure the old content is as it was.
std::string writeWholeFile(const std::filesystem::path& file, std::string_view bytes);

// The cause of a failed write, in Spanish words, without a capital or a full stop ("no hay
// espacio en el disco"); an error without words of its own is named with the system's text.
std::string systemErrorCause(int error);

// The likely error of a write into `folder` that failed without one: ENOSPC when its disk
// is full, EACCES when it may not be written; 0 when neither.
int likelyWriteError(const std::filesystem::path& folder);

// Whether `a` and `b` are the same file once links are followed and "./" is taken away
// (an output that would replace its own input).
bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vexa
