// Serves a simulated Prologix controller from a thread of its own: over a pseudo-terminal (the
// USB adapters' serial port; the program opens its slave device) or on a loopback TCP port (the
// Ethernet adapter). Every use of the controller holds the bench (BenchLock).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#ifndef _WIN32
#include <thread>
#endif

#include "sim/prologix_controller.h"

namespace sim {

class PrologixServer {
  public:
    enum class Kind { PseudoTerminal, Tcp };

    // Nothing when the system refuses the pseudo-terminal or the socket. tcpPort 0: any free one.
    // Windows has no pseudo-terminals: there Kind::PseudoTerminal gives nothing.
    static std::unique_ptr<PrologixServer> Start(Kind kind, PrologixController& controller,
                                                 int tcpPort = 0);
    ~PrologixServer();

    // What a program opens: the pseudo-terminal's slave ("/dev/pts/3") or "127.0.0.1:<port>".
    const std::string& where() const { return where_; }
    // The controller was unplugged: the pseudo-terminal is closed, or the connection dropped.
    bool unplugged() const { return unplugged_; }
    // Waits (up to 2 s) until the controller has taken every byte written to it so far.
    void Settle();

  private:
#ifdef _WIN32
    using Descriptor = std::uintptr_t;  // a Winsock SOCKET
    static constexpr Descriptor kNoDescriptor = ~Descriptor{0};
#else
    using Descriptor = int;
    static constexpr Descriptor kNoDescriptor = -1;
#endif
    PrologixServer(Kind kind, Descriptor fd, PrologixController& controller)
        : kind_(kind), fd_(fd), controller_(controller) {}
    void Serve();
#ifdef _WIN32
    static unsigned long __stdcall ServeThread(void* server);
#endif
    // Feeds what is readable on fd to the controller and writes back its answer; false when the
    // connection ended.
    bool Exchange(Descriptor fd);
    // The controller's answer to what arrived, taken under the bench lock; false, and the server
    // unplugged and idle, when what arrived unplugged the controller.
    bool Answer(const std::uint8_t* piece, std::size_t count, PrologixController::Bytes& answer);

    Kind kind_;
    Descriptor fd_;  // the pseudo-terminal's master, or the listening socket
    Descriptor connection_ = kNoDescriptor;  // the accepted TCP connection
    PrologixController& controller_;
    std::string where_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> unplugged_{false};
#ifdef _WIN32
    void* thread_ = nullptr;  // the serving thread's handle (this compiler's std::thread lacks it)
#else
    std::thread thread_;
#endif
};

}  // namespace sim
