// GoogleTest's own hook for what a port needs, used by the Windows cross builds only. Their win32
// thread model (chosen so that the programs start on Windows 2000) has no std::mutex in GCC 12,
// and GoogleTest's Notification, which only its own thread tests use, is built on one. This one
// waits on a flag instead; the project's tests run on one thread and never reach it.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
  public:
    Notification() = default;
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { notified_.store(true); }
    void WaitForNotification() {
        while (!notified_.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

  private:
    std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
