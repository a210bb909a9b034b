// UTF-8, as text is held inside the program, to and from UTF-16, as Windows' W functions and
// std::filesystem::path on Windows hold it. Converted by our own code rather than the system's
// CP_UTF8, which Windows 95 lacks and which takes no flags before Windows 2000 SP4.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A byte that does not belong to a well-formed UTF-8 sequence (a stray continuation byte, a
// sequence cut short, an overlong form, a surrogate, a value past U+10FFFF) becomes U+FFFD,
// one per byte.
std::u16string Utf8ToUtf16(std::string_view utf8);

// An unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

#ifdef _WIN32
// The same for Windows' wchar_t, which is UTF-16 there.
std::wstring Utf8ToWide(std::string_view utf8);
std::string WideToUtf8(std::wstring_view wide);
#endif

}  // namespace platform
