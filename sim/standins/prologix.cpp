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

using ServerPair = std::array<std::unique_ptr<sim::PrologixServer>, 2>;

#ifdef _WIN32
// The servers last as long as the process: Windows ends their threads before it unloads the
// library at the process's end, and servers destroyed then would wait for those threads and close
// Winsock from inside the loader.
ServerPair& Servers() {
    static ServerPair& servers = *new ServerPair;
    return servers;
}
#else
// The servers' threads use the controller: made after it, so destroyed (and stopped) before it
// when the program ends.
ServerPair& Servers() {
    Controller();
    static ServerPair servers;
    return servers;
}
#endif

}  // namespace

extern "C" {

TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_serve(const char* kind, char* buffer,
                                                           int capacity) {
    using Kind = sim::PrologixServer::Kind;
    const Kind chosen = std::string(kind ? kind : "") == "tcp" ? Kind::Tcp : Kind::PseudoTerminal;
    auto& server = Servers()[chosen == Kind::Tcp ? 1 : 0];
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
    for (auto& server : Servers()) {
        if (server) server->Settle();
    }
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL tq58sim_prologix_set_version(const char* answer) {
    sim::BenchLock lock;
    Controller().SetVersion(answer ? answer : "");
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_set_kind(const char* kind) {
    const auto chosen = sim::ControllerKindNamed(kind ? kind : "");
    if (!chosen) return -1;
    sim::BenchLock lock;
    Controller().SetKind(*chosen);
    return 0;
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL tq58sim_prologix_overflow_bytes(void) {
    sim::BenchLock lock;
    return static_cast<int>(Controller().overflowBytes());
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
