// Text and paths for the A forms of Windows' calls, the only string forms that Windows 95, 98
// and Me implement. They read the system's ANSI code page: 932 on Japanese Windows. Converted
// through the code page's own tables (MultiByteToWideChar, WideCharToMultiByte) without flags,
// which every Windows takes for every code page.
//
// Paths stay UTF-16 inside the program and are converted only at the call: code page 932's
// second bytes include 0x5C, "\" (ソ is 83 5C, 表 is 95 5C), so its bytes are never searched or
// cut at a separator.
#pragma once

#ifdef _WIN32
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// For a window's text: a character without a form of its own in the ANSI code page becomes
// "?".
std::string WideToAnsi(std::wstring_view wide);
std::wstring AnsiToWide(std::string_view ansi);

// For a call that names a file: none when a character has no form of its own in the ANSI code
// page, since its default character or a look-alike (U+00A5 ¥ is 5C, "\", in code page 932)
// would name another file.
std::optional<std::string> AnsiPath(const std::filesystem::path& path);
std::filesystem::path PathFromAnsi(std::string_view ansi);

}  // namespace platform
#endif
