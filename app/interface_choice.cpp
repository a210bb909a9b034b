#include "app/interface_choice.h"

#include <algorithm>
#include <cstdio>

#include "app/utf8_text.h"
#ifdef TQ58_WINDOWS_9X
#include "platform/ansi_code_page.h"
#endif

namespace app {

namespace {

InterfaceInUse current;

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

// Keys are ASCII; any case.
bool SameKey(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

std::FILE* OpenForReading(const std::filesystem::path& path) {
#if defined(TQ58_WINDOWS_9X)
    // Windows 95, 98 and Me: msvcrt's _wfopen fails there, as the W forms of kernel32 do.
    const std::optional<std::string> ansi = platform::AnsiPath(path);
    return ansi ? std::fopen(ansi->c_str(), "rb") : nullptr;
#elif defined(_WIN32)
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

}  // namespace

std::optional<std::string> SettingsValue(std::string_view text, std::string_view key) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // Notepad's UTF-8 mark
    std::optional<std::string> value;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string_view::npos || !SameKey(Trimmed(line.substr(0, equals)), key)) {
            continue;
        }
        std::string_view found = Trimmed(line.substr(equals + 1));
        if (found.size() >= 2 && found.front() == '"' && found.back() == '"') {
            found = found.substr(1, found.size() - 2);
        }
        value = std::string(found);
    }
    return value;
}

ChosenValue ChooseValue(const std::vector<std::string>& arguments, std::string_view key,
                        std::string_view defaultValue, const std::filesystem::path& settingsFile) {
    const std::string option = "--" + std::string(key);
    ChosenValue chosen;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == option && i + 1 < arguments.size()) {
            chosen.value = arguments[++i];
        } else if (argument.starts_with(option + "=")) {
            chosen.value = argument.substr(option.size() + 1);
        } else {
            chosen.error = "コマンドラインの「" + argument + "」は使えません。このプログラムが" +
                           "受け付けるのは「" + option + " 値」だけです。";
            return chosen;
        }
        chosen.origin = "コマンドラインの " + option;
    }
    if (!chosen.origin.empty()) return chosen;

    // A file that cannot be opened is taken as none. (C's files, as the CSV files: a C++ file
    // stream imports functions that Windows 2000's run-time library lacks.)
    if (std::FILE* file = settingsFile.empty() ? nullptr : OpenForReading(settingsFile)) {
        std::string text;
        char piece[512];
        for (size_t read; (read = std::fread(piece, 1, sizeof piece, file)) > 0;) {
            text.append(piece, read);
        }
        std::fclose(file);
        if (auto value = SettingsValue(text, key)) {
            chosen.value = *value;
            chosen.origin = "設定ファイル " + PathText(settingsFile) + " の " + std::string(key);
            return chosen;
        }
    }
    chosen.value = std::string(defaultValue);
    chosen.origin = "既定値";
    return chosen;
}

std::string TakeInterfaceChoice(const std::vector<std::string>& arguments,
                                const InterfaceOption& option,
                                const std::filesystem::path& settingsFile) {
    const ChosenValue chosen =
        ChooseValue(arguments, option.key, option.defaultValue, settingsFile);
    if (!chosen.error.empty()) return chosen.error;
    if (std::string refusal = option.choose(chosen.value); !refusal.empty()) {
        return refusal + "\n（指定: " + chosen.origin + "）";
    }
    SetCurrentInterface({option.name(), option.name, chosen.origin, option.note(),
                         option.statusText, std::string(option.statusLabel)});
    return {};
}

const InterfaceInUse& CurrentInterface() {
    if (current.nameOf != nullptr) current.name = current.nameOf();
    return current;
}

void SetCurrentInterface(InterfaceInUse inUse) {
    current = std::move(inUse);
}

std::string InterfaceText() {
    const std::string& name = CurrentInterface().name;
    return name.empty() ? std::string() : "インターフェース: " + name;
}

std::string WithInterface(std::string summary) {
    if (const std::string& name = CurrentInterface().name; !name.empty()) {
        summary += "（" + name + "）";
    }
    return summary;
}

std::string BoardNotOpenedText(std::int32_t openCode, std::int32_t driverStatus) {
    // The sentence says what the code means; the code is added, not its text a second time.
    const std::string code = std::to_string(openCode);
    const std::string& name = CurrentInterface().name;
    if (name.empty()) return "ボードを開けません（" + code + "）。";
    std::string text = "インターフェース「" + name + "」を開けません（" + code;
    if (current.statusText != nullptr) {
        text += "、" + current.statusLabel + current.statusText(driverStatus);
    }
    return text + "）。";
}

Status InterfaceStatus() {
    if (CurrentInterface().name.empty()) return {};
    Status status{InterfaceText() + (current.note.empty() ? "" : "（インターフェースクリアなし）"),
                  "指定: " + current.origin};
    if (!current.note.empty()) status.details += "\n" + current.note;
    return status;
}

}  // namespace app
