#include "platform/tick_count.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace platform {

#ifdef _WIN32
// Not GetTickCount: it advances only at the system timer's interrupt, every 10 to 16 ms on
// Windows (15.6 ms on most PCs), so a 20 ms pause measured by it lasts anywhere from about
// 15.6 to 31 ms, and timeBeginPeriod does not refine it on every Windows. The performance
// counter (Windows 2000 and later) is independent of the timer interrupt; its milliseconds,
// cut to 32 bits, advance in steps of 1 ms and wrap after 2^32 ms as GetTickCount does.
std::uint32_t TickCount() {
    static const std::uint64_t frequency = [] {
        LARGE_INTEGER f{};
        QueryPerformanceFrequency(&f);
        return static_cast<std::uint64_t>(f.QuadPart);
    }();
    // Windows 2000 and XP report a frequency of 0 on the rare hardware without a counter;
    // there only the system's own millisecond count remains.
    if (frequency == 0) return static_cast<std::uint32_t>(GetTickCount());
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
    // Whole seconds and the rest apart, so that ticks * 1000 cannot overflow at any frequency.
    const std::uint64_t ms = ticks / frequency * 1000u + ticks % frequency * 1000u / frequency;
    return static_cast<std::uint32_t>(ms);  // truncation is the wrap
}
#else
std::uint32_t TickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                    static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);  // truncation is the wrap
}
#endif

}  // namespace platform
