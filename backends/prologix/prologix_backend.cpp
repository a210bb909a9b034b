// Backend for the GPIB controllers that speak the Prologix command set over a serial port or
// TCP: the Prologix GPIB-USB and GPIB-ETHERNET and the AR488 with its clones. No driver library:
// the controller is told what to do in text lines (protocol.h), paced so that it loses none of
// them (controller_link.h). Where it is: the port the user chose (ChooseInterface), or the first
// serial port that answers "++ver" like such a controller (port_search.h).
//
// The session's 5 s bus time-out holds on every controller: an AR488 is given it as its read
// time-out; a Prologix, which reads for 3 s at most, is asked again when it gives up. After a
// time-out the controller is brought back in step before anything else is asked of it.
// boardStatus holds an OpenFailure or a prologix::Condition when the open failed.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backends/prologix/controller_link.h"
#include "backends/prologix/errand.h"
#include "backends/prologix/port_conditions.h"
#include "backends/prologix/port_search.h"
#include "backends/prologix/protocol.h"
#include "session/backend.h"
#include "session/chosen_interface.h"
#include "session/session_state.h"
#include "session/wait.h"

namespace lbDef {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kEthernetPort = 1234;  // the GPIB-ETHERNET's command and data port
// While the open runs aside, the window handles its events this often.
constexpr int kWindowStepMs = 20;

struct Where {
    std::string port;  // empty: found among the serial ports
    std::string host;  // TCP when not empty
    int tcpPort = kEthernetPort;
};

Where chosen;

struct Controller {
    std::unique_ptr<prologix::ControllerLink> link;
    int address = -1;  // the address the controller was last given; -1 none yet
    std::optional<Clock::time_point> queryAt;  // when the query now owed a reply was sent
};

std::optional<Controller> controller;
// The controller found last, for the status line; it stays named after the close.
std::string inUseName;
// The serial port where the search last found a controller: the next search tries it first.
std::string lastFound;
// Why the open failed: the port the user chose, or every port of the search.
prologix::PortVerdict failed;
std::vector<prologix::PortVerdict> searched;

lb::SessionState& S() {
    return lb::sessionState;
}

bool IsDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Finds the controller and sets it up; on the errand's thread.
prologix::Found OpenController(const Where& where, const std::string& triedFirst,
                               int readTimeoutMs) {
    prologix::Found found = !where.host.empty() ? prologix::ProbeTcpPort(where.host, where.tcpPort)
                            : !where.port.empty() ? prologix::ProbeSerialPort(where.port)
                                                  : prologix::SearchSerialPorts(triedFirst);
    if (!found.link) return found;
    const prologix::Family family = found.identity.family;
    found.link->KnowController(found.versionAnswer,
                               std::min(readTimeoutMs, prologix::LongestReadTimeoutMs(family)));
    bool ready = true;
    for (const std::string& command : prologix::SetupCommands(family, readTimeoutMs)) {
        ready = ready && found.link->Command(command);
    }
    // Before the first data line the controller has taken the set-up, pauses and all.
    if (!ready || !found.link->RoundTrip()) {
        found.link.reset();
        found.verdicts.push_back({found.port, prologix::kLost, {}, {}, {}});
    }
    return found;
}

bool Lost() {
    controller.reset();
    S().boardLost = true;
    S().boardStatus = prologix::kLost;
    S().boardTimeout = false;
    return false;
}

// The analyzer's address given to the controller when it changed.
bool Addressed() {
    if (controller->address == S().activeAddress) return true;
    if (!controller->link->Command("addr " + std::to_string(S().activeAddress))) return false;
    controller->address = S().activeAddress;
    return true;
}

}  // namespace

std::string ChooseInterface(const std::string& choice) {
    Where where;
    if (choice.empty() || choice == "auto") {
        chosen = where;
        return {};
    }
    const bool serial = choice.front() == '/' || choice.starts_with("COM") ||
                        choice.starts_with("com") || choice.starts_with("\\\\.\\") ||
                        choice.starts_with("tty");
    if (serial) {
        where.port = choice.starts_with("tty") ? "/dev/" + choice : choice;
    } else {
        const size_t colon = choice.rfind(':');
        where.host = choice.substr(0, colon);
        if (colon != std::string::npos) {
            const std::string number = choice.substr(colon + 1);
            if (!IsDigits(number) || number.size() > 5 || std::stoi(number) < 1 ||
                std::stoi(number) > 65535) {
                where.host.clear();
            } else {
                where.tcpPort = std::stoi(number);
            }
        }
        if (where.host.empty() || where.host.find_first_of(" \t/\\") != std::string::npos) {
            return "ポート「" + choice + "」は使えません。COM3、/dev/ttyUSB0 のようなシリアル" +
                   "ポート名か、192.168.1.20:1234 のような LAN 変換器のアドレスを指定して" +
                   "ください（指定しなければ、つながっている変換器を探します）。";
        }
    }
    chosen = where;
    inUseName.clear();
    return {};
}

std::string InterfaceName() {
    if (!inUseName.empty()) return inUseName;
    if (!chosen.host.empty()) return chosen.host + ":" + std::to_string(chosen.tcpPort);
    if (!chosen.port.empty()) return chosen.port;
    return "ポート自動検出";
}

std::string InterfaceNote() {
    return {};
}

std::string DriverStatusText(std::int32_t boardStatus) {
    if (boardStatus == prologix::kNoneFound) return prologix::NoneFoundText(searched);
    prologix::PortVerdict verdict = failed;
    verdict.condition = boardStatus;
    return prologix::VerdictText(verdict);
}

bool BoardOpen(std::int32_t bufferSize) {
    lb::ResetClosedSession();
    controller.reset();
    S().boardLost = false;
    S().boardTimeout = false;
    // A search, an Arduino's boot and the set-up take seconds: they run aside while the window
    // handles its events.
    auto found = std::make_shared<prologix::Found>();
    prologix::Errand opening(
        [found, where = chosen, triedFirst = lastFound, readTimeoutMs = S().timeoutSetting * 1000] {
            *found = OpenController(where, triedFirst, readTimeoutMs);
        });
    while (!opening.Wait(kWindowStepMs)) lb::WaitMs(0);

    const bool searching = chosen.port.empty() && chosen.host.empty();
    if (!found->link) {
        searched = found->verdicts;
        failed = found->verdicts.empty() ? prologix::PortVerdict{} : found->verdicts.back();
        S().boardStatus = searching && failed.condition != prologix::kLost ? prologix::kNoneFound
                                                                           : failed.condition;
        return false;
    }
    if (searching) lastFound = found->port;
    inUseName = found->identity.name + " (" + found->port + ")";
    controller = Controller{std::move(found->link), -1, std::nullopt};
    S().boardStatus = 0;
    S().unconfirmedSends = true;  // the controller says nothing of the bus handshake
    S().cardOpen = true;
    S().recvBufferSize = bufferSize;
    return true;
}

bool BoardClose() {
    lb::ResetClosedSession();
    if (!controller) return !S().boardLost;
    // The analyzer back to local: go to local for the addressed device. Then a round trip: its
    // answer says that the controller took everything sent before (a send is never confirmed
    // otherwise), and that it is still there.
    prologix::ControllerLink& link = *controller->link;
    const bool local = controller->address <= 0 || link.Command("loc");
    const bool there = local && link.RoundTrip();
    controller.reset();
    if (!there) return Lost();
    S().boardStatus = 0;
    return true;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    if (!controller) return Lost();
    if (!Addressed() || !controller->link->Send(prologix::DataLine(bytes))) return Lost();
    controller->queryAt = Clock::now();
    S().boardTimeout = false;
    return true;
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    if (!controller) return Lost();
    if (!Addressed()) return Lost();
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    prologix::ReplyCollector collector(static_cast<size_t>(capacity));
    // The session's time-out runs from the query; a read with none before it, from now.
    const Clock::time_point queryAt = controller->queryAt.value_or(Clock::now());
    controller->queryAt.reset();
    const prologix::ReplyEnd end =
        controller->link->Receive(collector, queryAt, std::chrono::seconds(S().timeoutSetting));
    bytes = lb::ReceivedBytes(collector.reply(), static_cast<long long>(collector.reply().size()),
                              capacity);
    if (end == prologix::ReplyEnd::Lost) return Lost();
    S().boardTimeout = end == prologix::ReplyEnd::TimedOut;
    return end == prologix::ReplyEnd::Complete;
}

std::string DriverLibraryName() {
    return {};  // none: the controller is reached through the system's serial port or TCP
}

}  // namespace lbDef
