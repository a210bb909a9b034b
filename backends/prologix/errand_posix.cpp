#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "backends/prologix/errand.h"

namespace prologix {

struct Errand::State {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
};

Errand::Errand(std::function<void()> work) : state_(std::make_shared<State>()) {
    std::thread([state = state_, work = std::move(work)] {
        work();
        const std::lock_guard lock(state->mutex);
        state->done = true;
        state->ended.notify_all();
    }).detach();
}

Errand::~Errand() = default;

bool Errand::Wait(int ms) {
    std::unique_lock lock(state_->mutex);
    return state_->ended.wait_for(lock, std::chrono::milliseconds(ms),
                                  [this] { return state_->done; });
}

}  // namespace prologix
