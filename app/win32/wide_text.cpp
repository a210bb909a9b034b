#include "app/win32/wide_text.h"

#include <windows.h>

namespace win32 {

std::wstring Widen(std::string_view utf8) {
    std::wstring wide;
    if (utf8.empty()) return wide;
    const int length = static_cast<int>(utf8.size());
    wide.resize(
        static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0)));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, wide.data(),
                        static_cast<int>(wide.size()));
    return wide;
}

std::string Narrow(std::wstring_view utf16) {
    std::string text;
    if (utf16.empty()) return text;
    const int length = static_cast<int>(utf16.size());
    text.resize(static_cast<size_t>(
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, nullptr, 0, nullptr, nullptr)));
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), length, text.data(),
                        static_cast<int>(text.size()), nullptr, nullptr);
    return text;
}

}  // namespace win32
