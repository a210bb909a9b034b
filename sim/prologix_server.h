// Serves a simulated Prologix controller from a thread of its own: over a pseudo-terminal (the
// USB adapters' serial port; the program opens its slave device) or on a loopback TCP port (the
// Ethernet adapter). Every use of the controller holds the bench (BenchLock).
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "sim/prologix_controller.h"

namespace sim {

class PrologixServer {
  public:
    enum class Kind { PseudoTerminal, Tcp };

    // Nothing when the system refuses the pseudo-terminal or the socket. tcpPort 0: any free one.
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
    PrologixServer(Kind kind, int fd, PrologixController& controller)
        : kind_(kind), fd_(fd), controller_(controller) {}
    void Serve();
    // Feeds what is readable on fd to the controller and writes back its answer; false when the
    // connection ended.
    bool Exchange(int fd);

    Kind kind_;
    int fd_;               // the pseudo-terminal's master, or the listening socket
    int connection_ = -1;  // the accepted TCP connection
    PrologixController& controller_;
    std::string where_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> busy_{false};
    std::atomic<bool> unplugged_{false};
    std::thread thread_;
};

}  // namespace sim
