#pragma once
// Workspace files (.vxf): a solid zlib container around the files of a working folder.
// The three operations the workspace lifecycle needs, plus a full check for the CLI.
// All paths are std::filesystem paths; names inside the file are CP-1252, on disk UTF-8.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexa {

// Every failure of the container carries its user-facing text (what()) and a kind, so
// callers can react without matching texts.
class ContainerError : public std::runtime_error {
public:
    enum class Kind {
        BadSignature,    // "Firma Erronea: el archivo "%s" no es valido"
        UnknownVersion,  // "Versión desconocida"
        Corrupted,       // "CRC incorrecto: los datos dentro del archivo estan corrompidos"
        InflateFailed,   // "No es posible descomprimir el bloque"
        DeflateFailed,   // "No se puede comprimir el bloque"
        NoExtractPath,   // "Es necesario la trayectoria de extracción (property ExtractPath)"
        CannotCreate,    // "Can not create %s"
        CannotOpen,      // "Can not open %s"
        NoTempFile,      // "No puedo construir archivo temporal"
        TooLarge,        // declared sizes beyond what a file of this size can hold
        NoSpace,         // declared sizes beyond the free space of the destination
    };
    ContainerError(Kind kind, const std::string& message, int systemError = 0)
        : std::runtime_error(message), kind_(kind), systemError_(systemError) {}
    Kind kind() const noexcept { return kind_; }
    // The system's error number behind a CannotCreate, CannotOpen or NoTempFile (0: unknown),
    // so the user can be told the cause (a full disk, a permission).
    int systemError() const noexcept { return systemError_; }
    // The file that is damaged or not a container at all, rather than one that could not be
    // read or written.
    bool isDamage() const noexcept {
        return kind_ == Kind::BadSignature || kind_ == Kind::UnknownVersion ||
               kind_ == Kind::Corrupted || kind_ == Kind::InflateFailed || kind_ == Kind::TooLarge;
    }

private:
    Kind kind_;
    int systemError_;
};

// The answer to an error that concerns one file only.
enum class FileErrorAnswer {
    Continue,  // skip that file and go on with the next one
    Stop,      // end the whole operation; the error is thrown to the caller
};

// Told about each error that concerns one file while packing or unpacking (the workspace
// module shows it and asks whether to go on). Without a handler the first such error ends
// the operation. Errors outside a single file (header, outer archive) always end it.
class ContainerErrorHandler {
public:
    virtual ~ContainerErrorHandler() = default;
    // fileName: the entry's name (UTF-8) or the path of the file being packed.
    virtual FileErrorAnswer onFileError(const std::string& fileName,
                                        const ContainerError& error) = 0;
};

struct PackOptions {
    // Folder for the temporary inner archive; empty = the system's temporary folder.
    std::filesystem::path tempFolder;
    // Comment of the outer archive (UTF-8, stored as CP-1252); workspaces carry none.
    std::string comment;
    ContainerErrorHandler* errorHandler = nullptr;
    // Names of files in the folder that are not packed (a database's idle journal).
    std::vector<std::string> leaveOut;
};

// Packs every plain file directly in `folder` (sub-folders are not entered) into `file`.
// The new file is written under a temporary name beside `file` and renamed over it only
// when complete and flushed, so a failure never leaves a half-written `file` behind (an
// existing `file` is then left as it was). Throws ContainerError.
void packFolder(const std::filesystem::path& folder, const std::filesystem::path& file,
                const PackOptions& options = {});

// Unpacks every file of `file` into `folder` (created when missing; existing files with
// the same names are overwritten). Entry names that would leave `folder` are refused.
// An empty `folder` fails with NoExtractPath. Throws ContainerError; a file whose data
// fails is removed again, never left half-written. Nothing is written for a file whose
// declared sizes pass expansionBudget (TooLarge) or the free space of `folder` (NoSpace);
// the inner archive is read as it is inflated, never stored in a temporary file.
void unpackFile(const std::filesystem::path& file, const std::filesystem::path& folder,
                ContainerErrorHandler* handler = nullptr);

// True when `file` is a readable container that holds at least one entry; false when it
// is missing, unreadable, not a container, of an unknown version, or empty. Never throws.
bool hasEntries(const std::filesystem::path& file) noexcept;

// The most bytes a container of `fileSize` bytes may declare, for its inner archive and
// again for the files inside it. A workspace compresses about 10:1, but SQLite pages emptied
// by deletions are zeros that deflate reaches at its own limit, 1032:1: a sound workspace
// saved by an earlier release with most of its catalogue deleted declares 200 times its size.
// So the bound is deflate's limit (a declaration above it cannot be true) plus 32 MB; what
// keeps a file built to fill the disk out is the free-space check of the unpacking.
std::uint64_t expansionBudget(std::uint64_t fileSize);

// One file inside a workspace, as listed by checkFile.
struct ContainerEntryInfo {
    std::string name;              // UTF-8, as stored (backslashes kept)
    std::uint64_t size = 0;        // raw bytes
    std::uint64_t storedSize = 0;  // CompressedSize: stored block bytes + 8 per block
    double date = 0;               // days since 30 December 1899, local time
    std::uint32_t attributes = 0;
};

// Reads the whole file and verifies every check and every block without writing
// anything (the inner archive is read as it is inflated, never stored); returns the entries
// of the inner archive. Throws ContainerError at the first fault.
std::vector<ContainerEntryInfo> checkFile(const std::filesystem::path& file);

}  // namespace vexa
