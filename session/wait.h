// The paced wait between exchanges, which keeps the window live.
#pragma once

#include <cstdint>
#include <functional>

namespace lb {

// Waits ms milliseconds by the 32-bit tick counter, handling one wrap of it. Window events are
// processed at least once, also for 0 or a negative ms.
void WaitMs(std::int32_t ms);

// Seams: where the ticks come from, and the step that processes pending window events. The
// step is told how long the wait still has to run, so that it may sleep until the next event
// or that deadline instead of spinning; it returns false to end the wait early (the window is
// closing).
using TickSource = std::function<std::uint32_t()>;
using EventStep = std::function<bool(std::uint32_t remainingMs)>;

void SetTickSource(TickSource source);
void SetEventStep(EventStep step);
// The platform's tick counter, and a step that just sleeps (there is no window).
void RestoreDefaultWaitSeams();

}  // namespace lb
