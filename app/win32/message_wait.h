// The paced wait's sleep on Windows.
#pragma once

#include <cstdint>

namespace win32 {

// Sleeps until a message arrives for the thread or ms milliseconds have passed. The thread's
// queue has just been emptied.
void WaitForMessage(std::uint32_t ms);

}  // namespace win32
