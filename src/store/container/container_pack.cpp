// Packing a folder into a workspace file: the files go raw into an inner archive in a
// temporary file, which then goes compressed, as the only entry, into the outer archive.
#include <algorithm>
#include <chrono>
#include <system_error>
#include <vector>

#include "store/container/archive_writer.h"
#include "store/container/container.h"
#include "store/container/cp1252.h"
#include "store/container/file_date.h"
#include "store/container/file_ops.h"
#include "store/container/temp_file.h"

namespace vexa {

namespace fs = std::filesystem;
using namespace vxf;

namespace {

constexpr std::uint32_t kAttributeReadOnly = 0x01;
constexpr std::uint32_t kAttributeArchive = 0x20;

std::vector<fs::path> plainFiles(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    if (ec) failCannotOpen(folder.string());
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) failCannotOpen(folder.string());
        std::error_code typeError;
        if (it->is_regular_file(typeError)) files.push_back(it->path());
    }
    if (ec) failCannotOpen(folder.string());
    // A stable order makes the same folder give the same file.
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    return files;
}

std::uint32_t attributesOf(const fs::path& file) {
    std::error_code ec;
    auto perms = fs::status(file, ec).permissions();
    bool writable = !ec && (perms & fs::perms::owner_write) != fs::perms::none;
    return kAttributeArchive | (writable ? 0 : kAttributeReadOnly);
}

void packOneFile(ArchiveWriter& writer, const fs::path& path) {
    std::string shown = path.string();
    auto name = utf8ToCp1252(path.filename().string());
    // A backslash would read back as a folder separator.
    if (!name || name->find('\\') != std::string::npos) failCannotOpen(shown);
    BinaryFile source(path, BinaryFile::Mode::Read);
    if (!source.isOpen()) failCannotOpen(shown);
    std::error_code ec;
    auto written = fs::last_write_time(path, ec);
    double date = ec ? 0.0 : fileTimeToDays(written);
    writer.addEntry(*name, date, attributesOf(path), source, shown);
}

}  // namespace

void packFolder(const fs::path& folder, const fs::path& given, const PackOptions& options) {
    // A link keeps pointing at the file it names, which receives the workspace; a device, a
    // pipe or a folder is never replaced by one.
    const fs::path file = realFile(given);
    if (int error = notReplaceable(file)) failCannotCreate(given.string(), error);
    std::vector<fs::path> files = plainFiles(folder);
    std::erase_if(files, [&](const fs::path& f) {
        return std::find(options.leaveOut.begin(), options.leaveOut.end(), f.filename().string()) !=
               options.leaveOut.end();
    });
    std::optional<std::string> comment = utf8ToCp1252(options.comment);
    if (!comment) failCannotCreate(file.string());

    TempFile inner(options.tempFolder.empty() ? systemTempFolder() : options.tempFolder);
    {
        ArchiveWriter writer(inner.file(), inner.path().string(), kInnerFlags);
        for (const fs::path& path : files) {
            try {
                packOneFile(writer, path);
            } catch (const ContainerError& error) {
                // Writing the archive itself (a full disk) is no fault of that one file.
                if (error.kind() == ContainerError::Kind::CannotCreate) throw;
                ContainerErrorHandler* handler = options.errorHandler;
                if (!handler || handler->onFileError(path.string(), error) == FileErrorAnswer::Stop)
                    throw;
            }
        }
        writer.finish(false);
    }

    // The new file is complete and on the disk before it takes the user's file name.
    fs::path targetFolder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    std::optional<TempFile> outer;
    try {
        outer.emplace(targetFolder);
    } catch (const ContainerError& e) {
        failCannotCreate(file.string(), e.systemError());
    }
    {
        ArchiveWriter writer(outer->file(), file.string(), kOuterFlags, *comment);
        if (!inner.file().seek(0)) failCannotOpen(inner.path().string());
        double now = fileTimeToDays(fs::file_time_type::clock::now());
        writer.addEntry(inner.path().filename().string(), now, kAttributeArchive, inner.file(),
                        inner.path().string());
        writer.finish(true);
    }
    if (!outer->file().close()) failCannotCreate(file.string(), outer->file().lastError());
    if (int error = renameFile(outer->path(), file)) failCannotCreate(file.string(), error);
    outer->keep();
    // The rename itself should survive a power cut too; failing that is no reason to fail.
    BinaryFile::syncFolder(targetFolder);
}

}  // namespace vexa
