// The stand-in for a Prologix-protocol controller: not a driver library (the program reaches the
// controller through a serial port or a socket), but a library with the common control
// interface, whose controller serves a pseudo-terminal or a loopback TCP port from a thread of
// its own. A test binds it, asks where it serves, and points the program's port there.
#include <array>
#include <memory>
#include <string>

#include "sim/prologix_controller.h"
#include "sim/prologix_server.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

sim::PrologixController& Controller() {
    static sim::PrologixController controller(sim::Bench::Instance());
    static const bool hooked = [] {
        sim::Bench::Instance().OnReset([] { Controller().Reset(); });
        return true;
    }();
    (void)hooked;
    return controller;
}

// The servers last as long as the process. Destroyed as the library is unloaded at its end, they
// would wait for threads that Windows has already ended and close Winsock from inside the
// loader: the 32-bit test processes crashed so as they ended under Wine.
std::array<std::unique_ptr<sim::PrologixServer>, 2>& servers =
    *new std::array<std::unique_ptr<sim::PrologixServer>, 2>;

}  // namespace

extern "C" {

TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_serve(const char* kind, char* buffer,
                                                           int capacity) {
    using Kind = sim::PrologixServer::Kind;
    const Kind chosen = std::string(kind ? kind : "") == "tcp" ? Kind::Tcp : Kind::PseudoTerminal;
    auto& server = servers[chosen == Kind::Tcp ? 1 : 0];
    if (!server || server->unplugged()) {
        server.reset();  // not under the bench lock: its thread may be waiting for it
        server = sim::PrologixServer::Start(chosen, Controller());
    }
    if (!server) return -1;
    sim::BenchLock lock;
    Controller();
    return sim::CopyOut(server->where(), buffer, capacity);
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_prologix_settle(void) {
    for (auto& server : servers) {
        if (server) server->Settle();
    }
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_prologix_set_version(const char* answer) {
    sim::BenchLock lock;
    Controller().SetVersion(answer ? answer : "");
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_eeprom_writes(void) {
    sim::BenchLock lock;
    return Controller().eepromWrites();
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_settings(char* buffer, int capacity) {
    sim::BenchLock lock;
    return sim::CopyOut(Controller().Settings(), buffer, capacity);
}

}  // extern "C"
