#pragma once
// Files the command-line program writes for the user (reports, formula files): complete or
// not at all.
#include <filesystem>
#include <string>

namespace vexa::cli {

// Writes `text` into "<file>.part" beside the file and renames it over the file once it is
// complete, so a failed write leaves the file as it was. Returns "" or the cause of failure.
std::string writeTextFile(const std::filesystem::path& file, const std::string& text);

}  // namespace vexa::cli
