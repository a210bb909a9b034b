#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, as a 32-bit counter that wraps to 0 after 2^32 - 1.
std::uint32_t TickCount();

}  // namespace platform
