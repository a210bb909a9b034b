#include "session/wait.h"

#include <chrono>
#include <thread>

#include "platform/tick_count.h"

namespace lb {

namespace {

bool SleepStep(std::uint32_t remainingMs) {
    std::this_thread::sleep_for(std::chrono::milliseconds(remainingMs));
    return true;
}

TickSource& Ticks() {
    static TickSource source = platform::TickCount;
    return source;
}

EventStep& Step() {
    static EventStep step = SleepStep;
    return step;
}

}  // namespace

void SetTickSource(TickSource source) {
    Ticks() = std::move(source);
}
void SetEventStep(EventStep step) {
    Step() = std::move(step);
}

void RestoreDefaultWaitSeams() {
    Ticks() = platform::TickCount;
    Step() = SleepStep;
}

void WaitMs(std::int32_t ms) {
    constexpr double kWrap = 4294967296.0;  // the counter wraps after 2^32 ms (49.7 days)
    const double start = Ticks()();
    const double end = start + ms;
    double now = start;
    do {
        const double remaining = end - now;
        if (!Step()(remaining > 0 ? static_cast<std::uint32_t>(remaining) : 0u)) return;
        now = Ticks()();
        if (start > now) now += kWrap;
    } while (end > now);
}

}  // namespace lb
