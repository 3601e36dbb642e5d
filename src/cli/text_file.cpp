#include "cli/text_file.h"

#include "store/file_target.h"

namespace vexa::cli {

std::string writeTextFile(const std::filesystem::path& file, const std::string& text) {
    return writeWholeFile(file, text);
}

}  // namespace vexa::cli
