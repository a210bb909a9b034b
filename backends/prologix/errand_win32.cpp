#include <windows.h>

#include "backends/prologix/errand.h"

namespace prologix {

struct Errand::State {
    std::function<void()> work;
    HANDLE thread = nullptr;
    ~State() {
        if (thread != nullptr) CloseHandle(thread);
    }
};

namespace {

DWORD WINAPI RunErrand(void* parameter) {
    // The thread's own share of the state: it outlives a caller that gave the errand up.
    auto* state = static_cast<std::shared_ptr<Errand::State>*>(parameter);
    (*state)->work();
    delete state;
    return 0;
}

}  // namespace

Errand::Errand(std::function<void()> work) : state_(std::make_shared<State>()) {
    state_->work = std::move(work);
    auto* share = new std::shared_ptr<State>(state_);
    state_->thread = CreateThread(nullptr, 0, RunErrand, share, 0, nullptr);
    if (state_->thread == nullptr) {
        delete share;
        state_->work();  // no thread to be had: the work is done here, waited for or not
    }
}

Errand::~Errand() = default;

bool Errand::Wait(int ms) {
    if (state_->thread == nullptr) return true;
    return WaitForSingleObject(state_->thread, static_cast<DWORD>(ms)) == WAIT_OBJECT_0;
}

}  // namespace prologix
