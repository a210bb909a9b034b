// Finding the controller: behind the port the user chose, or behind the first serial port that
// answers like one (the port that answered last is tried first, Bluetooth ports are left alone),
// and, when there is none, what became of each port. It takes seconds (an Arduino boots after
// its port opens; a silent port is asked for 3.5 s): the backend runs it on a thread of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "backends/prologix/controller_link.h"
#include "backends/prologix/port_conditions.h"
#include "backends/prologix/protocol.h"

namespace prologix {

// The longest a serial port may take to open: a Bluetooth port waits for its paired device, and
// a port whose driver is stuck may never return.
inline constexpr int kOpenLimitMs = 3000;
// How long a port that was opened is asked "++ver": an Arduino restarts as its port opens and
// listens only after its boot loader, about 1 s later on an Uno, 2 s on a Nano's older one.
inline constexpr int kAnswerWithinMs = 3500;
inline constexpr int kAskEveryMs = 500;

struct Found {
    std::unique_ptr<ControllerLink> link;  // null when no controller was found
    Identity identity{};
    std::string versionAnswer;  // its answer to "++ver", which round trips wait for
    std::string port;
    std::vector<PortVerdict> verdicts;  // the ports tried or passed over without success
};

// The controller behind a serial port, or a TCP host and port.
Found ProbeSerialPort(const std::string& name);
Found ProbeTcpPort(const std::string& host, int tcpPort);

// The first serial port of the system with a controller behind it; triedFirst (the port found
// last, or empty) before the others.
Found SearchSerialPorts(const std::string& triedFirst);

}  // namespace prologix
