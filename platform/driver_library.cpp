#include "platform/driver_library.h"

#ifdef _WIN32
#include <windows.h>

#include <string>
#else
#include <dlfcn.h>
#endif

namespace platform {

BindingError::BindingError(std::string library, std::string function, const std::string& reason)
    : std::runtime_error("driver library \"" + library + "\", function \"" + function +
                         "\": " + reason),
      library_(std::move(library)),
      function_(std::move(function)) {}

std::string LibraryFileName(const std::string& name) {
#ifdef _WIN32
    return name;
#else
    // A name that already is a shared object's file name, such as "libgpib.so.0", is used as
    // given: the loader finds exactly the file its package installs.
    if (name.rfind("lib", 0) == 0 && name.find(".so") != std::string::npos) return name;
    std::string stem = name;
    if (const auto dot = stem.rfind('.'); dot != std::string::npos) stem.erase(dot);
    return "lib" + stem + ".so";
#endif
}

#ifdef _WIN32
namespace {

// Windows looks for a DLL that is not in the program's folder or the system folders also in the
// current folder, before PATH. A file there named like the driver, left by anyone, would be
// loaded in its place: the current folder is taken out of the search before the first driver
// is bound. SetDllDirectory does that (Windows XP SP1 and later), so it is looked up, never
// imported. Microsoft documents both an empty string and a folder as removing the current
// folder: with a folder, the search is the program's folder, that folder, the system folders
// and PATH. The system folder is passed rather than an empty string: Wine takes the empty
// string for "no directory set" and keeps the current folder, and the system folder is searched
// anyway. Windows 95, 98, Me and 2000 lack the function: there the current folder is switched
// to the system folder for the load alone, to the same effect.
//
// Built for Windows 95, 98 and Me (TQ58_WINDOWS_9X) these are the A forms, the only ones those
// systems implement; the folders are the system's own bytes, handed back unchanged.
using FolderName = std::basic_string<TCHAR>;
#ifdef UNICODE
constexpr char kSetDllDirectory[] = "SetDllDirectoryW";
#else
constexpr char kSetDllDirectory[] = "SetDllDirectoryA";
#endif

FolderName SystemFolder() {
    TCHAR folder[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectory(folder, MAX_PATH + 1);
    return length > 0 && length <= MAX_PATH ? FolderName(folder, length) : FolderName();
}

bool RemoveCurrentFolderFromDllSearch() {
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCTSTR);
    static const bool removed = [] {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        const auto set = reinterpret_cast<SetDllDirectoryFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, kSetDllDirectory)));
        const FolderName system = SystemFolder();
        return set != nullptr && !system.empty() && set(system.c_str()) != 0;
    }();
    return removed;
}

HMODULE LoadDriver(const std::string& file) {
    if (RemoveCurrentFolderFromDllSearch()) return LoadLibraryA(file.c_str());
    TCHAR previous[MAX_PATH + 1] = {};
    const DWORD kept = GetCurrentDirectory(MAX_PATH + 1, previous);
    const FolderName system = SystemFolder();
    const bool moved =
        kept > 0 && kept <= MAX_PATH && !system.empty() && SetCurrentDirectory(system.c_str()) != 0;
    const HMODULE module = LoadLibraryA(file.c_str());
    const DWORD error = GetLastError();
    if (moved) SetCurrentDirectory(previous);
    SetLastError(error);
    return module;
}

}  // namespace
#endif

void* DriverLibrary::Resolve(const char* function) {
    const std::string file = LibraryFileName(name_);
#ifdef _WIN32
    if (handle_ == nullptr) {
        handle_ = reinterpret_cast<void*>(LoadDriver(file));
        if (handle_ == nullptr) {
            throw BindingError(name_, function,
                               "cannot be loaded (error " + std::to_string(GetLastError()) + ")");
        }
    }
    void* address =
        reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), function));
    if (address == nullptr) {
        throw BindingError(name_, function, "not exported by " + file);
    }
    return address;
#else
    if (handle_ == nullptr) {
        handle_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            const char* why = dlerror();
            throw BindingError(name_, function,
                               "cannot be loaded (" + std::string(why ? why : file) + ")");
        }
    }
    dlerror();
    void* address = dlsym(handle_, function);
    if (address == nullptr) {
        throw BindingError(name_, function, "not exported by " + file);
    }
    return address;
#endif
}

}  // namespace platform
