// Work that runs on a thread of its own while its caller waits for it in short steps: the open
// of a controller (a search over the serial ports, an Arduino's boot) takes seconds, which the
// window spends handling its events. The compilers of the Windows builds have no std::thread,
// so each system has its own implementation: errand_posix.cpp, errand_win32.cpp.
#pragma once

#include <functional>
#include <memory>

namespace prologix {

class Errand {
  public:
    explicit Errand(std::function<void()> work);
    // Does not wait: an errand still running is given up and ends on its own thread, so work
    // must own (or share) whatever it uses.
    ~Errand();
    Errand(const Errand&) = delete;
    Errand& operator=(const Errand&) = delete;

    // Waits at most ms for the work to end; true once it has.
    bool Wait(int ms);

    struct State;  // each system's own, shared by the errand and its thread

  private:
    std::shared_ptr<State> state_;
};

}  // namespace prologix
