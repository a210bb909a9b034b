// A 1 ms system timer for as long as an operation runs, so that the paced wait's sleeps end on
// time. Nothing to do off Windows, where sleeps are not tied to a coarse timer interrupt.
#pragma once

namespace platform {

class FineTimerResolution {
  public:
    FineTimerResolution();
    ~FineTimerResolution();
    FineTimerResolution(const FineTimerResolution&) = delete;
    FineTimerResolution& operator=(const FineTimerResolution&) = delete;

  private:
    bool raised_ = false;
};

}  // namespace platform
