#include "platform/program_folder.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>

#include "platform/ansi_code_page.h"
#else
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#endif

namespace platform {

std::filesystem::path ProgramFolder() {
#ifdef _WIN32
    // The A form on Windows 95, 98 and Me (TQ58_WINDOWS_9X): its bytes become UTF-16 before
    // the folder is taken off, never searched for "\" themselves.
    std::vector<TCHAR> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileName(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
#ifdef UNICODE
            return std::filesystem::path(std::wstring(path.data(), length)).parent_path();
#else
            return PathFromAnsi(std::string_view(path.data(), length)).parent_path();
#endif
        }
        path.resize(path.size() * 2);
    }
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

std::filesystem::path ChooseOutputFolder(const std::filesystem::path& programFolder,
                                         bool programFolderWritable, std::string documents,
                                         const std::string& home) {
    if (programFolderWritable) return programFolder;
    while (!documents.empty() && (documents.back() == '\n' || documents.back() == '\r')) {
        documents.pop_back();
    }
    // xdg-user-dir prints the home folder itself when no documents folder is configured.
    if (!documents.empty() && documents.front() == '/') {
        return std::filesystem::path(documents) / "TQ58";
    }
    if (!home.empty() && home.front() == '/') return std::filesystem::path(home) / "TQ58";
    // Nowhere better: the write is refused with a message that names the file.
    return programFolder;
}

#ifndef _WIN32
namespace {

std::string DocumentsFolder() {
    FILE* pipe = popen("xdg-user-dir DOCUMENTS 2>/dev/null", "r");
    if (pipe == nullptr) return {};
    std::string text;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) text += buffer;
    return pclose(pipe) == 0 ? text : std::string();
}

}  // namespace
#endif

std::filesystem::path OutputFolder() {
    const std::filesystem::path programFolder = ProgramFolder();
#ifdef _WIN32
    return programFolder;
#else
    if (access(programFolder.c_str(), W_OK) == 0) return programFolder;
    const char* home = std::getenv("HOME");
    return ChooseOutputFolder(programFolder, false, DocumentsFolder(), home ? home : "");
#endif
}

std::filesystem::path ChooseSettingsFile(const std::string& configHome, const std::string& home) {
    // The XDG base directory rules: a relative $XDG_CONFIG_HOME is ignored.
    if (!configHome.empty() && configHome.front() == '/') {
        return std::filesystem::path(configHome) / "tq58pc" / "settings.ini";
    }
    if (!home.empty() && home.front() == '/') {
        return std::filesystem::path(home) / ".config" / "tq58pc" / "settings.ini";
    }
    return {};
}

std::filesystem::path SettingsFile() {
#ifdef _WIN32
    return ProgramFolder() / "settings.ini";
#else
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    return ChooseSettingsFile(configHome ? configHome : "", home ? home : "");
#endif
}

}  // namespace platform
