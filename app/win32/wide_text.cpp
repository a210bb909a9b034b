#include "app/win32/wide_text.h"

#include "platform/utf16_text.h"

#ifdef TQ58_WINDOWS_9X
#include "platform/ansi_code_page.h"
#endif

namespace win32 {

std::wstring Widen(std::string_view utf8) {
    return platform::Utf8ToWide(utf8);
}

std::string Narrow(std::wstring_view utf16) {
    return platform::WideToUtf8(utf16);
}

#ifdef TQ58_WINDOWS_9X
SystemString SystemText(std::string_view utf8) {
    return platform::WideToAnsi(Widen(utf8));
}

std::string FromSystemText(std::string_view text) {
    return Narrow(platform::AnsiToWide(text));
}

SystemString SystemPath(const std::filesystem::path& path) {
    return platform::WideToAnsi(path.native());
}
#else
SystemString SystemText(std::string_view utf8) {
    return Widen(utf8);
}

std::string FromSystemText(std::wstring_view text) {
    return Narrow(text);
}

SystemString SystemPath(const std::filesystem::path& path) {
    return path.native();
}
#endif

}  // namespace win32
