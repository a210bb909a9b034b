// The file system calls a download's file makes, behind one interface: the system's own, or in
// tests one that fails a chosen call and records the order of the calls. Each call says why it
// failed in the terms the caller acts on, with the system's words for the message.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

enum class FileFailure {
    None,
    Exists,   // the name is taken
    Held,     // another program holds the file: a sharing violation, EBUSY or ETXTBSY
    Writing,  // a download writes the file now (CreateExclusive's hold)
    Other,    // permission, a missing folder, a full disk, ...
};

struct FileOutcome {
    FileFailure failure = FileFailure::None;
    std::string systemText;  // the system's words for a failure, for messages
    std::string holder;      // Writing: the program that writes the file, when that can be told

    bool ok() const { return failure == FileFailure::None; }
};

// A file open for writing: a descriptor, or a Windows handle with the registration that names
// its writer to other programs.
struct FileHandle {
    std::intptr_t native = -1;
    std::intptr_t registration = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Creates the file, failing with Exists when the name is taken, and holds it for this
    // writer alone until Close: other programs may read it but not write, rename or delete it
    // (Windows), and see it locked (POSIX). writerName is what they are told is writing it.
    virtual FileOutcome CreateExclusive(const std::filesystem::path& path,
                                        std::string_view writerName, FileHandle& file) = 0;
    // Hands the bytes to the system at once: they survive the program's crash.
    virtual FileOutcome Write(FileHandle file, std::string_view bytes) = 0;
    // Puts what was written on the disk itself, out of the system's cache: it survives a power
    // cut.
    virtual FileOutcome FlushToDisk(FileHandle file) = 0;
    virtual FileOutcome Close(FileHandle file) = 0;

    // Renames from to to, replacing a file there.
    virtual FileOutcome Replace(const std::filesystem::path& from,
                                const std::filesystem::path& to) = 0;
    // Renames from to to, which must not exist (Exists), unless a download writes from
    // (Writing, with the writer's name when it can be told).
    virtual FileOutcome MoveAside(const std::filesystem::path& from,
                                  const std::filesystem::path& to) = 0;
    virtual FileOutcome Remove(const std::filesystem::path& path) = 0;
    // Makes the renames in the folder survive a power cut (POSIX: its entries are written
    // separately from the files' data; Windows journals them itself).
    virtual FileOutcome SyncFolder(const std::filesystem::path& folder) = 0;
    virtual FileOutcome CreateFolders(const std::filesystem::path& folder) = 0;
    // Whether the file could be replaced now: on Windows not when another program holds it
    // without sharing it or it is read-only. POSIX renames over a file whatever holds it.
    virtual FileOutcome CheckReplaceable(const std::filesystem::path& path) = 0;

    virtual bool Exists(const std::filesystem::path& path) = 0;
    // When the file was last written, in local time.
    virtual std::optional<std::tm> LastWritten(const std::filesystem::path& path) = 0;
};

FileSystem& SystemFileSystem();

// The running program's file name without its folder and extension: "tq58pc-contec".
std::string ProgramName();

}  // namespace platform
