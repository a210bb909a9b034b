// Serves a simulated Prologix controller from a thread of its own: over a pseudo-terminal (the
// USB adapters' serial port; the program opens its slave device) or on a loopback TCP port (the
// Ethernet adapter). The controller runs on the real clock: the server hands it what the program
// wrote as it comes, and passes on what it sends when it sends it. A program's opening of the
// port (the slave device opened, a connection accepted) is the controller's too. Every use of the
// controller holds the bench (BenchLock).
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
    // Waits (up to 10 s) until the controller has taken every byte written to it so far and has
    // nothing under way.
    void Settle();

  private:
#ifdef _WIN32
    using Descriptor = std::uintptr_t;  // a Winsock SOCKET
    static constexpr Descriptor kNoDescriptor = ~Descriptor{0};
#else
    using Descriptor = int;
    static constexpr Descriptor kNoDescriptor = -1;
#endif
    using Micros = PrologixController::Micros;

    PrologixServer(Kind kind, Descriptor fd, PrologixController& controller)
        : kind_(kind), fd_(fd), controller_(controller) {}
    void Serve();
#ifdef _WIN32
    static unsigned long __stdcall ServeThread(void* server);
#endif
    // The real clock, in microseconds.
    static Micros Now();
    // How long the server may wait for the program: briefly while the controller has something
    // under way (a byte to pass on soon), longer when it is idle.
    int WaitMs();
    // The program opened the port.
    void Opened();
    // Hands the controller what the program wrote (count may be 0) and takes what it sends by
    // now; false, and the server unplugged, when the controller was unplugged.
    bool Turn(const std::uint8_t* piece, std::size_t count, PrologixController::Bytes& answer);
    // Reads what is readable on fd, runs the controller and writes back what it sends; false
    // when the connection ended.
    bool Exchange(Descriptor fd, bool readable);
    bool Idle();

    Kind kind_;
    Descriptor fd_;  // the pseudo-terminal's master, or the listening socket
    Descriptor connection_ = kNoDescriptor;  // the accepted TCP connection
#ifndef _WIN32
    int openWatch_ = -1;  // inotify on the pseudo-terminal's slave device: its openings
    int openers_ = 0;     // how many have it open
#endif
    PrologixController& controller_;
    std::string where_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> unplugged_{false};
#ifdef _WIN32
    void* thread_ = nullptr;  // the serving thread's handle (this compiler's std::thread lacks it)
#else
    std::thread thread_;
#endif
};

}  // namespace sim
