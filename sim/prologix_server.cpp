// What both systems' servers share: the controller runs on the real clock under the bench lock.
#include "sim/prologix_server.h"

#include <chrono>

#include "sim/standins/standin_core.h"

namespace sim {

PrologixServer::Micros PrologixServer::Now() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int PrologixServer::WaitMs() {
    BenchLock lock;
    return controller_.Idle(Now()) ? 20 : 1;
}

bool PrologixServer::Idle() {
    BenchLock lock;
    return unplugged_ || controller_.Idle(Now());
}

void PrologixServer::Opened() {
    BenchLock lock;
    controller_.PortOpened(Now());
}

bool PrologixServer::Turn(const std::uint8_t* piece, std::size_t count,
                          PrologixController::Bytes& answer) {
    bool unplug;
    {
        BenchLock lock;
        const Micros now = Now();
        controller_.Write(piece, count, now);
        answer = controller_.Run(now);
        unplug = controller_.unplugged();
    }
    if (unplug) unplugged_ = true;
    return !unplug;
}

}  // namespace sim
