// UTF-8, as text is held inside the program, to and from the UTF-16 of the Win32 API.
#pragma once

#include <string>
#include <string_view>

namespace win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace win32
