// What both systems' servers share: the controller answers under the bench lock.
#include "sim/prologix_server.h"

#include "sim/standins/standin_core.h"

namespace sim {

bool PrologixServer::Answer(const std::uint8_t* piece, std::size_t count,
                            PrologixController::Bytes& answer) {
    bool unplug;
    {
        BenchLock lock;
        answer = controller_.Feed(piece, count);
        unplug = controller_.unplugged();
    }
    if (!unplug) return true;
    unplugged_ = true;
    busy_ = false;
    return false;
}

}  // namespace sim
