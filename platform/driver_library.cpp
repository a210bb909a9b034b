#include "platform/driver_library.h"

#ifdef _WIN32
#include <windows.h>
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

void* DriverLibrary::Resolve(const char* function) {
    const std::string file = LibraryFileName(name_);
#ifdef _WIN32
    if (handle_ == nullptr) {
        handle_ = reinterpret_cast<void*>(LoadLibraryA(file.c_str()));
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
