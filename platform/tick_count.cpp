#include "platform/tick_count.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace platform {

std::uint32_t TickCount() {
#ifdef _WIN32
    return static_cast<std::uint32_t>(GetTickCount());
#else
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // truncation is the wrap
#endif
}

}  // namespace platform
