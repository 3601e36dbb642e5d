#pragma once
// Turning a name read from a workspace file into a path below the destination folder.
#include <filesystem>
#include <optional>
#include <string>

namespace vexa::vxf {

// The relative path for an entry name (UTF-8). Backslashes and slashes both separate
// folders. Empty when the name could reach outside the destination: absolute, with a
// drive letter, with a ".." component, with a NUL, or with nothing left to name a file.
std::optional<std::filesystem::path> safeRelativePath(const std::string& name);

}  // namespace vexa::vxf
