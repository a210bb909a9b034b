// UTF-8, as text is held inside the program, to and from the text of the Win32 calls.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

namespace win32 {

// UTF-16, for the W forms of the calls.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The text of the window's calls in their generic names (CreateWindowEx, SetWindowText): UTF-16
// for the W forms, or, built for Windows 95, 98 and Me (TQ58_WINDOWS_9X, without UNICODE), the
// ANSI code page for the A forms, the only ones those systems implement.
#ifdef TQ58_WINDOWS_9X
using SystemString = std::string;
#else
using SystemString = std::wstring;
#endif
static_assert(std::is_same_v<SystemString::value_type, TCHAR>,
              "UNICODE is defined exactly where TQ58_WINDOWS_9X is not");

SystemString SystemText(std::string_view utf8);
std::string FromSystemText(std::basic_string_view<TCHAR> text);
// A folder to show or open; a character without an ANSI form shows as "?".
SystemString SystemPath(const std::filesystem::path& path);

}  // namespace win32
