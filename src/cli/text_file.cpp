#include "cli/text_file.h"

#include <fstream>

namespace vexa::cli {

namespace fs = std::filesystem;

std::string writeTextFile(const fs::path& file, const std::string& text) {
    fs::path tmp = file;
    tmp += ".part";
    std::error_code ec;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            fs::remove(tmp, ec);
            return "no se pudo escribir el archivo temporal";
        }
    }
    fs::rename(tmp, file, ec);
    if (!ec) return {};
    const std::string cause = ec.message();
    fs::remove(tmp, ec);
    return cause;
}

}  // namespace vexa::cli
