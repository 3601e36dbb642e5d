#include "store/container/entry_name.h"

namespace vexa::vxf {

std::optional<std::filesystem::path> safeRelativePath(const std::string& name) {
    if (name.empty() || name.find('\0') != std::string::npos) return std::nullopt;
    if (name[0] == '/' || name[0] == '\\') return std::nullopt;
    bool letter = (name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z');
    if (name.size() >= 2 && letter && name[1] == ':') return std::nullopt;

    std::filesystem::path out;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t stop = name.find_first_of("/\\", start);
        if (stop == std::string::npos) stop = name.size();
        std::string part = name.substr(start, stop - start);
        if (part == "..") return std::nullopt;
        if (!part.empty() && part != ".") out /= part;
        start = stop + 1;
    }
    if (out.empty()) return std::nullopt;
    return out;
}

}  // namespace vexa::vxf
