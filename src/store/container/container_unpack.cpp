// Unpacking and checking workspace files. The inner archive is inflated as it is read,
// never stored; memory stays at a few blocks.
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "store/container/archive_reader.h"
#include "store/container/container.h"
#include "store/container/cp1252.h"
#include "store/container/entry_name.h"
#include "store/container/file_date.h"

namespace vexa {

namespace fs = std::filesystem;
using namespace vxf;

namespace {

constexpr std::uint32_t kAttributeReadOnly = 0x01;

[[noreturn]] void failTooLarge(const std::string& file, std::uint64_t declared) {
    throw ContainerError(ContainerError::Kind::TooLarge,
                         "El archivo \"" + file + "\" declara " + std::to_string(declared) +
                             " bytes, más de lo que un archivo de su tamaño puede contener");
}

[[noreturn]] void failNoSpace(std::uint64_t needed, std::uint64_t available) {
    throw ContainerError(ContainerError::Kind::NoSpace,
                         "No hay espacio en el disco: se necesitan " +
                             std::to_string(needed / (1024 * 1024) + 1) + " MB y hay " +
                             std::to_string(available / (1024 * 1024)) + " MB libres",
                         ENOSPC);
}

// Creates the folders of `relative` below `root`, refusing to pass through a link (which
// could lead outside `root`), and returns the file's full path, free to be created.
fs::path prepareTarget(const fs::path& root, const fs::path& relative, const std::string& shown) {
    fs::path current = root;
    fs::path parent = relative.parent_path();
    std::error_code ec;
    for (const fs::path& part : parent) {
        current /= part;
        auto status = fs::symlink_status(current, ec);
        if (fs::is_symlink(status)) failCannotCreate(shown);
        if (!fs::exists(status)) {
            if (!fs::create_directory(current, ec) || ec) failCannotCreate(shown, ec.value());
        } else if (!fs::is_directory(status)) {
            failCannotCreate(shown);
        }
    }
    fs::path target = root / relative;
    auto status = fs::symlink_status(target, ec);
    if (fs::is_directory(status)) failCannotCreate(shown);
    // An existing file is replaced; a link is removed, never written through.
    if (fs::exists(status) || fs::is_symlink(status)) {
        if (!fs::remove(target, ec) || ec) failCannotCreate(shown);
    }
    return target;
}

void restoreDateAndAttributes(const fs::path& target, const EntryHeader& header) {
    std::error_code ec;
    if (auto time = daysToFileTime(header.date)) fs::last_write_time(target, *time, ec);
    if (header.attributes & kAttributeReadOnly)
        fs::permissions(target,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
}

void extractEntry(ArchiveReader& reader, const EntryView& entry, const fs::path& folder,
                  const std::string& name) {
    auto relative = safeRelativePath(name);
    if (!relative) failCannotCreate((folder / name).string());
    std::string shown = (folder / *relative).string();
    fs::path target = prepareTarget(folder, *relative, shown);
    BinaryFile out(target, BinaryFile::Mode::CreateNew);
    if (!out.isOpen()) failCannotCreate(shown, out.lastError());
    try {
        reader.readData(entry, [&](const std::uint8_t* data, std::size_t size) {
            if (!out.write(data, size)) failCannotCreate(shown, out.lastError());
        });
        if (!out.close()) failCannotCreate(shown, out.lastError());
    } catch (...) {
        out.close();
        std::error_code ec;
        fs::remove(target, ec);
        throw;
    }
    restoreDateAndAttributes(target, entry.header);
}

// Declared sizes are added up as entries come and checked before anything of an entry is
// written: against what a file of this size may hold and, when writing, the free space.
class SizeGuard {
public:
    SizeGuard(std::uint64_t budget, std::uint64_t freeSpace) : budget_(budget), free_(freeSpace) {}
    void add(std::uint64_t declared, const std::string& fileName) {
        total_ += declared;
        if (total_ > budget_) failTooLarge(fileName, total_);
        if (total_ > free_) failNoSpace(total_, free_);
    }

private:
    std::uint64_t budget_;
    std::uint64_t free_;
    std::uint64_t total_ = 0;
};

void extractAll(ArchiveReader& reader, const fs::path& folder, ContainerErrorHandler* handler,
                SizeGuard& guard, const std::string& fileName) {
    EntryView entry;
    while (reader.nextEntry(entry)) {
        if (entry.header.flags & kEntryFolder) continue;
        guard.add(entry.header.size, fileName);
        std::string name = cp1252ToUtf8(entry.header.name);
        try {
            extractEntry(reader, entry, folder, name);
        } catch (const ContainerError& error) {
            // The next entry header is found from this one's declared length, so going on
            // after a damaged file is safe: nextEntry checks it like any other.
            if (!handler || handler->onFileError(name, error) == FileErrorAnswer::Stop) throw;
        }
    }
}

BinaryFile openContainer(const fs::path& file) {
    BinaryFile in(file, BinaryFile::Mode::Read);
    if (!in.isOpen()) failCannotOpen(file.string(), in.lastError());
    return in;
}

// Runs `use` on the archive that holds the files: the file itself, or for a solid file
// the inner archive in its first entry, inflated as it is read. `use` also gets the file's
// size, which bounds what the file may declare.
template <typename Use>
void withFileArchive(const fs::path& file, Use&& use) {
    BinaryFile in = openContainer(file);
    const std::uint64_t fileSize = in.size();
    ArchiveReader outer(in, file.string());
    if (!(outer.header().flags & kArchiveSolid)) {
        use(outer, fileSize);
        return;
    }
    if (outer.header().segFileCount == 0) return;
    EntryView entry;
    if (!outer.nextEntry(entry)) failCorrupted();
    // Offsets inside the inner archive are 32-bit signed; a larger claim is no archive.
    if (entry.header.size > kLargestOffset) failCorrupted();
    if (entry.header.size > expansionBudget(fileSize))
        failTooLarge(file.string(), entry.header.size);
    EntrySource source(outer, entry);
    ArchiveReader inner(source, file.string());
    // One level of nesting is all the format has.
    if (inner.header().flags & kArchiveSolid) failCorrupted();
    use(inner, fileSize);
}

}  // namespace

void unpackFile(const fs::path& file, const fs::path& folder, ContainerErrorHandler* handler) {
    if (folder.empty())
        throw ContainerError(ContainerError::Kind::NoExtractPath,
                             "Es necesario la trayectoria de extracción (property ExtractPath)");
    withFileArchive(file, [&](ArchiveReader& reader, std::uint64_t fileSize) {
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (!fs::is_directory(folder, ec)) failCannotCreate(folder.string(), ec.value());
        auto space = fs::space(folder, ec);
        SizeGuard guard(expansionBudget(fileSize), ec ? UINT64_MAX : space.available);
        extractAll(reader, folder, handler, guard, file.string());
    });
}

std::uint64_t expansionBudget(std::uint64_t fileSize) {
    constexpr std::uint64_t kFactor = 1032;  // deflate's own limit
    constexpr std::uint64_t kAllowance = std::uint64_t(32) << 20;
    return fileSize * kFactor + kAllowance;
}

bool hasEntries(const fs::path& file) noexcept {
    try {
        BinaryFile in(file, BinaryFile::Mode::Read);
        if (!in.isOpen()) return false;
        ArchiveReader outer(in, file.string());
        const ArchiveHeader& header = outer.header();
        if (std::uint64_t(header.fileCount) + header.segFileCount == 0) return false;
        if (!(header.flags & kArchiveSolid)) return true;
        if (header.segFileCount == 0) return false;
        // The inner header lies at the start of the first block: no need to inflate more.
        EntryView entry;
        if (!outer.nextEntry(entry)) return false;
        std::vector<std::uint8_t> first = outer.readFirstBlock(entry);
        if (first.size() < kArchiveHeaderSize) return false;
        ArchiveHeader inner = ArchiveHeader::parseFixed(first.data());
        return std::uint32_t(inner.signature) == kSignature && inner.version <= kVersion &&
               std::uint64_t(inner.fileCount) + inner.segFileCount > 0;
    } catch (...) {
        return false;
    }
}

std::vector<ContainerEntryInfo> checkFile(const fs::path& file) {
    std::vector<ContainerEntryInfo> entries;
    withFileArchive(file, [&](ArchiveReader& reader, std::uint64_t fileSize) {
        SizeGuard guard(expansionBudget(fileSize), UINT64_MAX);
        EntryView entry;
        while (reader.nextEntry(entry)) {
            guard.add(entry.header.size, file.string());
            reader.readData(entry, [](const std::uint8_t*, std::size_t) {});
            ContainerEntryInfo info;
            info.name = cp1252ToUtf8(entry.header.name);
            info.size = entry.header.size;
            info.storedSize = entry.header.compressedSize;
            info.date = entry.header.date;
            info.attributes = entry.header.attributes;
            entries.push_back(std::move(info));
        }
    });
    return entries;
}

}  // namespace vexa
