// Windows' file calls that take a name, in the form each program's Windows implements: the W
// forms, or in tq58pc-rex5052-9x (TQ58_WINDOWS_9X) the A forms, the only ones Windows 95, 98 and
// Me implement, with the path converted to the ANSI code page at the call. A path that code page
// cannot name fails with ERROR_INVALID_NAME rather than name another file.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>

namespace platform::file_calls {

HANDLE Create(const std::filesystem::path& path, DWORD access, DWORD share, DWORD creation);
// Renames; fails when to exists.
BOOL Move(const std::filesystem::path& from, const std::filesystem::path& to);
BOOL Delete(const std::filesystem::path& path);
DWORD Attributes(const std::filesystem::path& path);
std::optional<FILETIME> LastWriteTime(const std::filesystem::path& path);

// A named file mapping in the system's paging file; the name is ASCII.
HANDLE CreateNamedMapping(const char* name, DWORD size);
HANDLE OpenNamedMapping(const char* name);

// The running program's file.
std::filesystem::path ModulePath();

}  // namespace platform::file_calls
