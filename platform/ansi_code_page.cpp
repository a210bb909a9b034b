#include "platform/ansi_code_page.h"

#include <windows.h>

namespace platform {

namespace {

// wide in the ANSI code page; exact: no character took the default character or a best fit,
// checked by converting back, as WC_NO_BEST_FIT_CHARS (Windows 2000 and later) would.
std::string ToAnsi(std::wstring_view wide, bool& exact) {
    exact = true;
    std::string ansi;
    if (wide.empty()) return ansi;
    const int length = static_cast<int>(wide.size());
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0) {
        exact = false;
        return ansi;
    }
    ansi.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, ansi.data(), size, nullptr, &usedDefault);
    exact = !usedDefault && AnsiToWide(ansi) == wide;
    return ansi;
}

}  // namespace

std::string WideToAnsi(std::wstring_view wide) {
    bool exact = false;
    std::string ansi = ToAnsi(wide, exact);
    if (exact) return ansi;
    // Character by character, so that only those without a form of their own become "?", not
    // a look-alike (U+00E9 é is no "e").
    ansi.clear();
    for (size_t at = 0; at < wide.size(); ++at) {
        const bool pair = wide[at] >= 0xD800 && wide[at] < 0xDC00 && at + 1 < wide.size();
        const std::string piece = ToAnsi(wide.substr(at, pair ? 2 : 1), exact);
        ansi += exact ? piece : "?";
        if (pair) ++at;
    }
    return ansi;
}

std::wstring AnsiToWide(std::string_view ansi) {
    std::wstring wide;
    if (ansi.empty()) return wide;
    const int length = static_cast<int>(ansi.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (size <= 0) return wide;
    wide.resize(static_cast<size_t>(size));
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), size);
    return wide;
}

std::optional<std::string> AnsiPath(const std::filesystem::path& path) {
    bool exact = false;
    std::string ansi = ToAnsi(path.native(), exact);
    if (!exact) return std::nullopt;
    return ansi;
}

std::filesystem::path PathFromAnsi(std::string_view ansi) {
    return std::filesystem::path(AnsiToWide(ansi));
}

}  // namespace platform
