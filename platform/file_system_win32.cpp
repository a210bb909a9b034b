// The download files on Windows: handles written without a buffer of the program's own, a
// writer's hold as a share mode that lets others read but not write, rename or delete, and the
// writer named to other programs through a named file mapping, which lives exactly as long as
// the writer holds its file. Windows 95, 98 and Me have no MoveFileEx: there the replace moves
// the earlier file aside first (ReplaceWithoutMoveFileEx).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "platform/file_calls_win32.h"
#include "platform/file_system.h"

namespace platform {

namespace {

FileOutcome Failed(FileFailure failure, DWORD error) {
    return {failure, "Windows のエラー " + std::to_string(error), {}};
}

FileOutcome FromError(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return Failed(FileFailure::Exists, error);
        // What a virus scanner, the search indexer, a synchronising client or a spreadsheet
        // that has the file open cause: a sharing violation, or access denied while a delete
        // or rename is pending.
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_ACCESS_DENIED:
            return Failed(FileFailure::Held, error);
        default:
            return Failed(FileFailure::Other, error);
    }
}

HANDLE Native(FileHandle file) {
    return reinterpret_cast<HANDLE>(file.native);
}

constexpr DWORD kWriterNameBytes = 256;

// The name of the file mapping that names a file's writer: kernel object names take no
// backslash, so the path is hashed (FNV-1a, 64 bits), its ASCII letters in upper case as the
// file system compares them.
std::string RegistrationName(const std::filesystem::path& path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : path.wstring()) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    std::string name = "tq58pc-download-";
    for (int shift = 60; shift >= 0; shift -= 4) name += "0123456789abcdef"[(hash >> shift) & 0xf];
    return name;
}

HANDLE Register(const std::filesystem::path& path, std::string_view writerName) {
    HANDLE mapping =
        file_calls::CreateNamedMapping(RegistrationName(path).c_str(), kWriterNameBytes);
    if (mapping == nullptr) return nullptr;
    if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kWriterNameBytes)) {
        const size_t length = std::min<size_t>(writerName.size(), kWriterNameBytes - 1);
        std::memcpy(view, writerName.data(), length);
        static_cast<char*>(view)[length] = '\0';
        UnmapViewOfFile(view);
    }
    return mapping;
}

// The program that writes the file, if one of ours does.
std::optional<std::string> RegisteredWriter(const std::filesystem::path& path) {
    HANDLE mapping = file_calls::OpenNamedMapping(RegistrationName(path).c_str());
    if (mapping == nullptr) return std::nullopt;
    std::string name;
    if (const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kWriterNameBytes)) {
        const char* text = static_cast<const char*>(view);
        name.assign(text, std::find(text, text + kWriterNameBytes, '\0'));
        UnmapViewOfFile(view);
    }
    CloseHandle(mapping);
    return name;
}

#ifdef TQ58_WINDOWS_9X
// MoveFileEx is a stub on Windows 95, 98 and Me (Microsoft KB Q129532), and MoveFile never
// replaces: the earlier file is moved aside to a name of its own, the new file into its place,
// and only then is the earlier one deleted. Whatever fails, the earlier file is put back, so that
// it is never lost; a crash between the moves leaves it under the aside name.
BOOL ReplaceWithoutMoveFileEx(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (file_calls::Attributes(to) == INVALID_FILE_ATTRIBUTES) return file_calls::Move(from, to);
    std::filesystem::path aside;
    for (int nth = 1;; ++nth) {
        const std::string number = nth > 1 ? "-" + std::to_string(nth) : std::string();
        const auto name = to.stem().u8string() + u8"_置換前" +
                          std::u8string(number.begin(), number.end()) + to.extension().u8string();
        aside = to.parent_path() / name;
        if (file_calls::Attributes(aside) == INVALID_FILE_ATTRIBUTES) break;
        if (nth == 99) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
    }
    if (!file_calls::Move(to, aside)) return FALSE;
    if (!file_calls::Move(from, to)) {
        const DWORD error = GetLastError();
        file_calls::Move(aside, to);
        SetLastError(error);
        return FALSE;
    }
    file_calls::Delete(aside);
    return TRUE;
}
#endif

class Win32FileSystem : public FileSystem {
  public:
    FileOutcome CreateExclusive(const std::filesystem::path& path, std::string_view writerName,
                                FileHandle& file) override {
        HANDLE handle = file_calls::Create(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
        if (handle == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            // Creating a file is refused with access denied for a folder one may not write.
            return error == ERROR_ACCESS_DENIED ? Failed(FileFailure::Other, error)
                                                : FromError(error);
        }
        file.native = reinterpret_cast<std::intptr_t>(handle);
        file.registration = reinterpret_cast<std::intptr_t>(Register(path, writerName));
        return {};
    }

    FileOutcome Write(FileHandle file, std::string_view bytes) override {
        while (!bytes.empty()) {
            DWORD written = 0;
            if (!WriteFile(Native(file), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                           nullptr) ||
                written == 0) {
                return FromError(GetLastError());
            }
            bytes.remove_prefix(written);
        }
        return {};
    }

    FileOutcome FlushToDisk(FileHandle file) override {
        return FlushFileBuffers(Native(file)) ? FileOutcome{} : FromError(GetLastError());
    }

    FileOutcome Close(FileHandle file) override {
        if (file.registration != 0) CloseHandle(reinterpret_cast<HANDLE>(file.registration));
        return CloseHandle(Native(file)) ? FileOutcome{} : FromError(GetLastError());
    }

    FileOutcome Replace(const std::filesystem::path& from,
                        const std::filesystem::path& to) override {
#ifdef TQ58_WINDOWS_9X
        if (ReplaceWithoutMoveFileEx(from, to)) return {};
#else
        // msvcrt's rename refuses an existing target. MOVEFILE_WRITE_THROUGH matters only for a
        // move across volumes; the data was flushed before.
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return {};
        }
#endif
        return FromError(GetLastError());
    }

    FileOutcome MoveAside(const std::filesystem::path& from,
                          const std::filesystem::path& to) override {
        if (const auto writer = RegisteredWriter(from)) {
            return {FileFailure::Writing,
                    "Windows のエラー " + std::to_string(ERROR_SHARING_VIOLATION), *writer};
        }
        // MoveFile never replaces.
        return file_calls::Move(from, to) ? FileOutcome{} : FromError(GetLastError());
    }

    FileOutcome Remove(const std::filesystem::path& path) override {
        return file_calls::Delete(path) ? FileOutcome{} : FromError(GetLastError());
    }

    FileOutcome SyncFolder(const std::filesystem::path&) override {
        return {};
    }

    // The files go beside the program, whose folder exists; std::filesystem's operations would
    // bring in msvcrt functions that Windows 2000 lacks (_wstat64).
    FileOutcome CreateFolders(const std::filesystem::path&) override {
        return {};
    }

    FileOutcome CheckReplaceable(const std::filesystem::path& path) override {
        const DWORD attributes = file_calls::Attributes(path);
        if (attributes == INVALID_FILE_ATTRIBUTES) return {};
        if (attributes & FILE_ATTRIBUTE_READONLY) {
            return Failed(FileFailure::Other, ERROR_ACCESS_DENIED);
        }
#ifdef TQ58_WINDOWS_9X
        // Windows 95, 98 and Me know no deletion sharing: a file that another program holds
        // without sharing writes cannot be moved aside.
        HANDLE probe = file_calls::Create(path, GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
#else
        // A rename over the file needs it opened for deletion: refused while another program
        // holds it without sharing deletion, as a spreadsheet showing it does.
        HANDLE probe = file_calls::Create(
            path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
#endif
        if (probe == INVALID_HANDLE_VALUE) return FromError(GetLastError());
        CloseHandle(probe);
        return {};
    }

    bool Exists(const std::filesystem::path& path) override {
        return file_calls::Attributes(path) != INVALID_FILE_ATTRIBUTES;
    }

    std::optional<std::tm> LastWritten(const std::filesystem::path& path) override {
        const std::optional<FILETIME> written = file_calls::LastWriteTime(path);
        FILETIME local;
        SYSTEMTIME time;
        if (!written || !FileTimeToLocalFileTime(&*written, &local) ||
            !FileTimeToSystemTime(&local, &time)) {
            return std::nullopt;
        }
        std::tm tm{};
        tm.tm_year = time.wYear - 1900;
        tm.tm_mon = time.wMonth - 1;
        tm.tm_mday = time.wDay;
        tm.tm_hour = time.wHour;
        tm.tm_min = time.wMinute;
        tm.tm_sec = time.wSecond;
        return tm;
    }
};

}  // namespace

FileSystem& SystemFileSystem() {
    static Win32FileSystem system;
    return system;
}

std::string ProgramName() {
    const auto stem = file_calls::ModulePath().stem().u8string();
    return std::string(stem.begin(), stem.end());
}

}  // namespace platform
