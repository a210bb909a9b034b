// Run-time binding of a board maker's driver library by name.
//
// The library is loaded on the first call of any of its functions; each function is looked up
// by its exported name on its own first call and kept. Anything that cannot be bound raises
// BindingError, which names the library and the function.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/driver_call.h"

namespace platform {

class BindingError : public std::runtime_error {
  public:
    BindingError(std::string library, std::string function, const std::string& reason);
    const std::string& library() const { return library_; }
    const std::string& function() const { return function_; }

  private:
    std::string library_;
    std::string function_;
};

// The file the loader is asked for: on Windows the name as given (the loader adds ".dll" where
// there is no extension); on POSIX "lib", the name without its extension, and ".so", except
// that a name starting with "lib" and holding ".so" ("libgpib.so.0") is a file name already.
std::string LibraryFileName(const std::string& name);

class DriverLibrary {
  public:
    explicit DriverLibrary(std::string name) : name_(std::move(name)) {}
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    const std::string& name() const { return name_; }

    // Address of an exported function; loads the library first if it is not loaded yet.
    void* Resolve(const char* function);

  private:
    std::string name_;
    void* handle_ = nullptr;  // kept loaded for the rest of the run, as a bound driver is
};

template <typename Signature>
class DriverFunction;

template <typename Result, typename... Args>
class DriverFunction<Result(Args...)> {
  public:
    using Pointer = Result(TQ58_DRIVER_CALL*)(Args...);

    DriverFunction(DriverLibrary& library, const char* name) : library_(library), name_(name) {}

    Result operator()(Args... args) {
        if (pointer_ == nullptr) {
            pointer_ = reinterpret_cast<Pointer>(library_.Resolve(name_));
        }
        return pointer_(args...);
    }

  private:
    DriverLibrary& library_;
    const char* name_;
    Pointer pointer_ = nullptr;
};

}  // namespace platform
