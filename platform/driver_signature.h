// Compile-time checks of a driver function type against the board maker's interface.
//
// The boards' drivers are 32-bit Windows DLLs: a wrong calling convention or a widened argument
// shows, if at all, only at run time as a corrupted stack or a garbled value, and only against a
// driver that reads its arguments as the real one does. So each backend states, next to its
// driver functions, the width in bytes of every result and argument as the interface documents
// it, and the i686 build checks the types against that statement and against stdcall spelled out
// here, apart from TQ58_DRIVER_CALL.
#pragma once

#include <array>
#include <cstddef>
#include <type_traits>

#include "platform/driver_library.h"

namespace platform {

// A pointer argument: 4 bytes on the 32-bit Windows the drivers run on.
inline constexpr std::size_t kPointer = sizeof(void*);
#if defined(_WIN32) && !defined(_WIN64)
static_assert(kPointer == 4, "32-bit Windows passes pointers in 4 bytes");
#endif

template <typename T>
constexpr std::size_t WidthOf() {
    if constexpr (std::is_void_v<T>) {
        return 0;
    } else {
        return sizeof(T);
    }
}

template <typename Function>
struct DriverSignature;

template <typename Result, typename... Args>
struct DriverSignature<DriverFunction<Result(Args...)>> {
    // The result first (0 for void), then each argument.
    static constexpr std::array<std::size_t, 1 + sizeof...(Args)> widths{WidthOf<Result>(),
                                                                         WidthOf<Args>()...};
#if defined(_WIN32) && !defined(_WIN64)
    static constexpr bool stdcall =
        std::is_same_v<typename DriverFunction<Result(Args...)>::Pointer,
                       Result(__attribute__((stdcall))*)(Args...)>;
#else
    static constexpr bool stdcall = true;  // x86_64 and POSIX have one calling convention
#endif
};

template <typename Function, std::size_t N>
constexpr bool WidthsAre(const std::size_t (&expected)[N]) {
    const auto& actual = DriverSignature<Function>::widths;
    if (actual.size() != N) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (actual[i] != expected[i]) return false;
    }
    return true;
}

}  // namespace platform

// TQ58_CHECK_DRIVER_FUNCTION(Struct::member, result width, argument widths...): the member's
// type is stdcall on 32-bit Windows and its result and arguments have the given widths.
#define TQ58_CHECK_DRIVER_FUNCTION(member, ...)                           \
    static_assert(::platform::DriverSignature<decltype(member)>::stdcall, \
                  #member " must be stdcall on 32-bit Windows");          \
    static_assert(::platform::WidthsAre<decltype(member)>({__VA_ARGS__}), \
                  #member ": a result or argument width differs from the driver's interface")
