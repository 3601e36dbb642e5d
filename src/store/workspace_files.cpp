#include "store/workspace_files.h"

#include "store/container/container.h"
#include "store/container/file_ops.h"
#include "store/container/temp_file.h"
#include "store/schema.h"
#include "store/workspace.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

namespace vexa {

namespace fs = std::filesystem;

std::optional<FileIdentity> fileIdentity(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return std::nullopt;
    FileIdentity id;
    id.size = std::uint64_t(st.st_size);
    id.modified = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (!in) return std::nullopt;
    std::vector<unsigned char> buffer(1 << 16);
    uLong crc = crc32(0, nullptr, 0);
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in))
        crc = crc32(crc, buffer.data(), uInt(n));
    bool ok = !std::ferror(in);
    std::fclose(in);
    if (!ok) return std::nullopt;
    id.checksum = std::uint32_t(crc);
    return id;
}

bool userMayWrite(const fs::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
        if (::access(file.c_str(), W_OK) != 0) return false;
    }
    fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    return ::access(folder.c_str(), W_OK) == 0;
}

fs::path savingPath(const fs::path& file) {
    fs::path p = file;
    return p += ".guardando";
}

std::optional<fs::path> findRecoverableCopy(const fs::path& file) {
    for (const fs::path& copy : {savingPath(file), backupPath(file)}) {
        std::error_code ec;
        if (!fs::is_regular_file(copy, ec)) continue;
        try {
            if (!checkFile(copy).empty()) return copy;
        } catch (const ContainerError&) {
        }
    }
    return std::nullopt;
}

int restoreCopy(const fs::path& copy, const fs::path& file) {
    if (copy == savingPath(file)) return vxf::renameFile(copy, file);
    if (vxf::linkFile(copy, file) == 0) return 0;
    std::error_code ec;
    fs::copy_file(copy, file, fs::copy_options::none, ec);
    return ec.value();
}

std::string writeErrorText(int error, const fs::path& where) {
    switch (error) {
        case 0:
            return "";
        case ENOSPC:
        case EDQUOT:
            return "No hay espacio en el disco.";
        case EFBIG:
            return "El archivo excede el tamaño que el disco admite.";
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return "No tiene permiso para escribir en " + where.string() + ".";
        case EIO:
            return "Error de lectura o escritura en el disco.";
        default:
            return "Error del sistema " + std::to_string(error) + " (" + std::strerror(error) +
                   ").";
    }
}

std::string openErrorText(const fs::path& file, const ContainerError& error) {
    if (error.isDamage())
        return "El archivo " + file.string() +
               " está dañado o no es un espacio de trabajo de Vexa (" + error.what() + ").";
    if (error.kind() == ContainerError::Kind::NoSpace)
        return "No se pudo abrir " + file.string() + ". " + error.what() + ".";
    if (error.kind() == ContainerError::Kind::CannotOpen &&
        (error.systemError() == EACCES || error.systemError() == EPERM))
        return "No tiene permiso para leer " + file.string() + ".";
    if (error.kind() == ContainerError::Kind::NoExtractPath) return error.what();
    std::string cause = writeErrorText(error.systemError(), file.parent_path());
    return "No se pudo abrir " + file.string() + ". " + (cause.empty() ? error.what() : cause);
}

bool processRunning(long pid) {
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM)) return false;
    // A process that ended but was not yet collected by its parent still answers.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;
    const auto close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] != 'Z';
}

void removeStaleLeftovers(const fs::path& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return;
    const std::string cliPrefix = "vexa-cli-";
    std::vector<fs::path> stale;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        long pid = 0;
        if (name.rfind(cliPrefix, 0) == 0 &&
            name.find_first_not_of("0123456789", cliPrefix.size()) == std::string::npos &&
            name.size() > cliPrefix.size() && name.size() < cliPrefix.size() + 10) {
            pid = std::stol(name.substr(cliPrefix.size()));
        } else {
            pid = vxf::tempFileOwner(name);
        }
        if (pid > 0 && pid != ::getpid() && !processRunning(pid)) stale.push_back(it->path());
    }
    for (const fs::path& p : stale) fs::remove_all(p, ec);
}

namespace {

fs::path markPath(const fs::path& folder) {
    std::string name = ".";
    name += folder.filename().string();
    name += ".pid";
    return folder.parent_path() / name;
}

// What a mark says of its folder once the workspace is open.
constexpr const char* kSaved = "guardado";
constexpr const char* kChanged = "cambiado";

struct Mark {
    long pid = 0;
    fs::path workspace;
    std::string state;  // kSaved, kChanged, or empty before the open completed
};

Mark readMark(const fs::path& mark) {
    Mark m;
    std::ifstream in(mark);
    in >> m.pid;
    std::string line;
    std::getline(in, line);  // the rest of the first line
    if (std::getline(in, line)) m.workspace = line;
    std::getline(in, m.state);
    return m;
}

void writeMark(const fs::path& folder, const fs::path& workspace, const std::string& state) {
    // Written beside and renamed over, so that a kill in between leaves the old mark whole.
    const fs::path mark = markPath(folder);
    fs::path fresh = mark;
    fresh += ".nuevo";
    {
        std::ofstream out(fresh, std::ios::trunc);
        out << ::getpid() << '\n' << workspace.string() << '\n';
        if (!state.empty()) out << state << '\n';
        if (!out.flush()) return;
    }
    std::error_code ec;
    fs::rename(fresh, mark, ec);
    if (ec) fs::remove(fresh, ec);
}

// The latest modification time of the files in `folder`, in nanoseconds.
std::int64_t folderChangeTime(const fs::path& folder) {
    std::int64_t latest = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        latest =
            std::max(latest, std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec);
    }
    return latest;
}

}  // namespace

void markWorkingFolder(const fs::path& folder, const fs::path& workspace) {
    writeMark(folder, workspace, "");
}

void recordSavedState(const fs::path& folder, const fs::path& workspace) {
    writeMark(folder, workspace, kSaved);
}

void recordUnsavedChange(const fs::path& folder, const fs::path& workspace) {
    writeMark(folder, workspace, kChanged);
}

void unmarkWorkingFolder(const fs::path& folder) {
    std::error_code ec;
    fs::remove(markPath(folder), ec);
}

std::vector<UnsavedSession> unsavedSessions(const fs::path& workRoot) {
    std::vector<UnsavedSession> found;
    std::error_code ec;
    if (workRoot.empty() || !fs::is_directory(workRoot, ec)) return found;
    for (fs::directory_iterator it(workRoot, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() < 6 || name[0] != '.' || name.compare(name.size() - 4, 4, ".pid") != 0)
            continue;
        // Only a folder directly inside, never "." or ".." (a stray "....pid" named the
        // documents folder itself) and never through a link.
        const std::string folderName = name.substr(1, name.size() - 5);
        if (folderName == "." || folderName == ".." || folderName.find('/') != std::string::npos)
            continue;
        const fs::path folder = workRoot / folderName;
        if (!fs::is_directory(fs::symlink_status(folder, ec))) continue;
        const Mark mark = readMark(it->path());
        if (mark.pid <= 0 || mark.pid == ::getpid() || processRunning(mark.pid)) continue;
        UnsavedSession s;
        s.folder = folder;
        s.workspace = mark.workspace;
        s.changed = folderChangeTime(s.folder);
        // Without a database there is nothing to offer. A folder never opened (still being
        // unpacked or created) holds nothing of the user's; a mark of an earlier version
        // names no workspace, and nothing says its folder is unchanged.
        const bool oldMark = mark.workspace.empty();
        s.unsaved =
            fs::is_regular_file(databaseFile(s.folder), ec) && (oldMark || mark.state == kChanged);
        found.push_back(std::move(s));
    }
    std::sort(found.begin(), found.end(), [](const UnsavedSession& a, const UnsavedSession& b) {
        return a.changed > b.changed;
    });
    return found;
}

void discardSession(const UnsavedSession& session) {
    std::error_code ec;
    fs::remove_all(session.folder, ec);
    fs::remove(markPath(session.folder), ec);
}

void removeStaleWorkingFolders(const fs::path& workRoot) {
    for (const UnsavedSession& s : unsavedSessions(workRoot))
        if (!s.unsaved) discardSession(s);
}

}  // namespace vexa
