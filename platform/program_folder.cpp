#include "platform/program_folder.h"

#ifdef _WIN32
#include <windows.h>

#include <vector>
#endif

namespace platform {

std::filesystem::path ProgramFolder() {
#ifdef _WIN32
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            return std::filesystem::path(std::wstring(path.data(), length)).parent_path();
        }
        path.resize(path.size() * 2);
    }
#else
    return std::filesystem::read_symlink("/proc/self/exe").parent_path();
#endif
}

}  // namespace platform
