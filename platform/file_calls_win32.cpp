#include "platform/file_calls_win32.h"

#include <string>
#include <vector>

#ifdef TQ58_WINDOWS_9X
#include "platform/ansi_code_page.h"
#endif

namespace platform::file_calls {

#ifdef TQ58_WINDOWS_9X

namespace {

// The path in the ANSI code page, or none (and ERROR_INVALID_NAME) when it cannot be named there.
std::optional<std::string> Named(const std::filesystem::path& path) {
    std::optional<std::string> ansi = AnsiPath(path);
    if (!ansi) SetLastError(ERROR_INVALID_NAME);
    return ansi;
}

}  // namespace

HANDLE Create(const std::filesystem::path& path, DWORD access, DWORD share, DWORD creation) {
    const auto name = Named(path);
    if (!name) return INVALID_HANDLE_VALUE;
    return CreateFileA(name->c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

BOOL Move(const std::filesystem::path& from, const std::filesystem::path& to) {
    const auto fromName = Named(from);
    const auto toName = Named(to);
    return fromName && toName && MoveFileA(fromName->c_str(), toName->c_str());
}

BOOL Delete(const std::filesystem::path& path) {
    const auto name = Named(path);
    return name && DeleteFileA(name->c_str());
}

DWORD Attributes(const std::filesystem::path& path) {
    const auto name = Named(path);
    return name ? GetFileAttributesA(name->c_str()) : INVALID_FILE_ATTRIBUTES;
}

// FindFirstFile rather than GetFileAttributesEx, which Windows 95 lacks.
std::optional<FILETIME> LastWriteTime(const std::filesystem::path& path) {
    const auto name = Named(path);
    if (!name) return std::nullopt;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(name->c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    FindClose(search);
    return found.ftLastWriteTime;
}

HANDLE CreateNamedMapping(const char* name, DWORD size) {
    return CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
}

HANDLE OpenNamedMapping(const char* name) {
    return OpenFileMappingA(FILE_MAP_READ, FALSE, name);
}

std::filesystem::path ModulePath() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return PathFromAnsi(std::string_view(path.data(), length));
        path.resize(path.size() * 2);
    }
}

#else

HANDLE Create(const std::filesystem::path& path, DWORD access, DWORD share, DWORD creation) {
    return CreateFileW(path.c_str(), access, share, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

BOOL Move(const std::filesystem::path& from, const std::filesystem::path& to) {
    return MoveFileW(from.c_str(), to.c_str());
}

BOOL Delete(const std::filesystem::path& path) {
    return DeleteFileW(path.c_str());
}

DWORD Attributes(const std::filesystem::path& path) {
    return GetFileAttributesW(path.c_str());
}

std::optional<FILETIME> LastWriteTime(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return data.ftLastWriteTime;
}

HANDLE CreateNamedMapping(const char* name, DWORD size) {
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    return CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, wide.c_str());
}

HANDLE OpenNamedMapping(const char* name) {
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    return OpenFileMappingW(FILE_MAP_READ, FALSE, wide.c_str());
}

std::filesystem::path ModulePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return std::wstring(path.data(), length);
        path.resize(path.size() * 2);
    }
}

#endif

}  // namespace platform::file_calls
