#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace app {

// Characters start to start + length - 1 (counted from 1) of a UTF-8 text; fewer when the text
// is shorter, empty when it ends before start.
std::string Utf8Mid(std::string_view text, size_t start, size_t length);

// A path as UTF-8 text, for messages and the status line.
inline std::string PathText(const std::filesystem::path& path) {
    const auto text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace app
