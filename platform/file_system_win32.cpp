// The download files on Windows: handles written without a buffer of the program's own, a
// writer's hold as a share mode that lets others read but not write, rename or delete, and the
// writer named to other programs through a named file mapping, which lives exactly as long as
// the writer holds its file.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

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
std::wstring RegistrationName(const std::filesystem::path& path) {
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : path.wstring()) {
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    }
    std::wstring name = L"tq58pc-download-";
    for (int shift = 60; shift >= 0; shift -= 4) name += L"0123456789abcdef"[(hash >> shift) & 0xf];
    return name;
}

HANDLE Register(const std::filesystem::path& path, std::string_view writerName) {
    HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                        kWriterNameBytes, RegistrationName(path).c_str());
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
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ, FALSE, RegistrationName(path).c_str());
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

class Win32FileSystem : public FileSystem {
  public:
    FileOutcome CreateExclusive(const std::filesystem::path& path, std::string_view writerName,
                                FileHandle& file) override {
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
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
        // msvcrt's rename refuses an existing target. MOVEFILE_WRITE_THROUGH matters only for a
        // move across volumes; the data was flushed before.
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return {};
        }
        return FromError(GetLastError());
    }

    FileOutcome MoveAside(const std::filesystem::path& from,
                          const std::filesystem::path& to) override {
        if (const auto writer = RegisteredWriter(from)) {
            return {FileFailure::Writing,
                    "Windows のエラー " + std::to_string(ERROR_SHARING_VIOLATION), *writer};
        }
        // MoveFileW never replaces.
        return MoveFileW(from.c_str(), to.c_str()) ? FileOutcome{} : FromError(GetLastError());
    }

    FileOutcome Remove(const std::filesystem::path& path) override {
        return DeleteFileW(path.c_str()) ? FileOutcome{} : FromError(GetLastError());
    }

    FileOutcome SyncFolder(const std::filesystem::path&) override { return {}; }

    // The files go beside the program, whose folder exists; std::filesystem's operations would
    // bring in msvcrt functions that Windows 2000 lacks (_wstat64).
    FileOutcome CreateFolders(const std::filesystem::path&) override { return {}; }

    FileOutcome CheckReplaceable(const std::filesystem::path& path) override {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return {};
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return Failed(FileFailure::Other, ERROR_ACCESS_DENIED);
        // A rename over the file needs it opened for deletion: refused while another program
        // holds it without sharing deletion, as a spreadsheet showing it does.
        HANDLE probe = CreateFileW(path.c_str(), DELETE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe == INVALID_HANDLE_VALUE) return FromError(GetLastError());
        CloseHandle(probe);
        return {};
    }

    bool Exists(const std::filesystem::path& path) override {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::optional<std::tm> LastWritten(const std::filesystem::path& path) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        FILETIME local;
        SYSTEMTIME time;
        if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
            !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
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
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            const auto stem = std::filesystem::path(std::wstring(path.data(), length)).stem();
            const auto text = stem.u8string();
            return std::string(text.begin(), text.end());
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace platform
