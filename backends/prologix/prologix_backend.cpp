// Backend for the GPIB controllers that speak the Prologix command set over a serial port or
// TCP: the Prologix GPIB-USB and GPIB-ETHERNET and the AR488 with its clones. No driver library:
// the controller is told what to do in text lines (protocol.h). Where it is: the port the user
// chose (ChooseInterface), or the first serial port that answers "++ver" like such a controller.
//
// The session's bus time-out holds although the controllers give up on a reply after 3 s at
// most: this backend waits for a reply's end marker until its own deadline, and a reply that has
// not ended by then is a time-out. boardStatus holds a PortCondition when the open failed.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "backends/prologix/port.h"
#include "backends/prologix/protocol.h"
#include "session/backend.h"
#include "session/chosen_interface.h"
#include "session/session_state.h"

namespace lbDef {

namespace {

using prologix::Bytes;
using Clock = std::chrono::steady_clock;

// What went wrong with the port, beyond OpenFailure's values (1 to 5).
enum PortCondition : std::int32_t {
    kNotAController = 6,  // the port answered "++ver" with something else
    kNoVersion = 7,       // the port answered nothing to "++ver"
    kNoneFound = 8,       // no serial port answered like a controller
    kLost = 9,            // the port went away while it was in use
};

constexpr int kEthernetPort = 1234;  // the GPIB-ETHERNET's command and data port
// "++ver" is asked again while nothing comes: an AR488 on an Arduino restarts when its port
// is opened and listens only after its boot loader, about 2 s later.
constexpr int kVersionTries = 6;
constexpr int kVersionWaitMs = 500;

struct Where {
    std::string port;  // empty: found among the serial ports
    std::string host;  // TCP when not empty
    int tcpPort = kEthernetPort;
};

Where chosen;

struct Link {
    std::unique_ptr<prologix::Port> port;
    std::string portName;
    prologix::Identity identity;
    int address = -1;  // the address the controller was last given; -1 none yet
};

std::optional<Link> link;
// The controller found last, for the status line; it stays named after the close.
std::string inUseName;
// The port and what it said, for the message when the open failed.
std::string failedPort;
std::string failedAnswer;
std::string failedSystemText;

lb::SessionState& S() {
    return lb::sessionState;
}

bool IsDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Throws away what a controller sent that nobody waited for: the late end of a reply whose
// deadline passed, so that it cannot pass for the next reply.
void DiscardPending(prologix::Port& port) {
    Bytes stale;
    while (port.Read(stale, 0) == prologix::ReadResult::Data) stale.clear();
}

// One answer line to a controller command: the bytes up to LF, without CR. Nothing when the
// port stays silent for waitMs; on a port that is gone, nothing either.
std::optional<std::string> AnswerLine(prologix::Port& port, int waitMs) {
    Bytes bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        if (port.Read(bytes, static_cast<int>(left.count())) != prologix::ReadResult::Data) break;
        if (const auto end = std::find(bytes.begin(), bytes.end(), '\n'); end != bytes.end()) {
            std::string line(bytes.begin(), end);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
    }
    if (bytes.empty()) return std::nullopt;
    return std::string(bytes.begin(), bytes.end());  // something, but not a line
}

struct Probe {
    std::optional<Link> link;
    std::int32_t condition = 0;
};

// Opens a port and asks it "++ver".
Probe ProbePort(const std::string& portName, const std::string& host, int tcpPort) {
    failedPort = host.empty() ? portName : host + ":" + std::to_string(tcpPort);
    failedAnswer.clear();
    failedSystemText.clear();
    prologix::Opened opened =
        host.empty() ? prologix::OpenSerialPort(portName) : prologix::OpenTcpPort(host, tcpPort);
    if (!opened.port) {
        failedSystemText = opened.systemText;
        return {std::nullopt, static_cast<std::int32_t>(opened.failure)};
    }
    prologix::Port& port = *opened.port;
    for (int i = 0; i < kVersionTries; ++i) {
        DiscardPending(port);
        if (!port.Write(prologix::CommandLine("ver"))) return {std::nullopt, kLost};
        const std::optional<std::string> answer = AnswerLine(port, kVersionWaitMs);
        if (!answer) continue;
        if (const auto identity = prologix::Identify(*answer)) {
            return {Link{std::move(opened.port), failedPort, *identity, -1}, 0};
        }
        failedAnswer = *answer;
        return {std::nullopt, kNotAController};
    }
    return {std::nullopt, kNoVersion};
}

// The controller the user chose, or the first serial port that answers like one.
Probe FindController() {
    if (!chosen.port.empty() || !chosen.host.empty()) {
        return ProbePort(chosen.port, chosen.host, chosen.tcpPort);
    }
    for (const std::string& name : prologix::SerialPortNames()) {
        if (Probe probe = ProbePort(name, {}, 0); probe.link) return probe;
    }
    failedPort.clear();
    return {std::nullopt, kNoneFound};
}

bool Lost() {
    link.reset();
    S().boardLost = true;
    S().boardStatus = kLost;
    S().boardTimeout = false;
    return false;
}

bool Command(const std::string& command) {
    return link->port->Write(prologix::CommandLine(command));
}

// The analyzer's address given to the controller when it changed.
bool Addressed() {
    if (link->address == S().activeAddress) return true;
    if (!Command("addr " + std::to_string(S().activeAddress))) return false;
    link->address = S().activeAddress;
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
    const std::string port = "ポート「" + failedPort + "」";
    const std::string system = failedSystemText.empty() ? "" : "（" + failedSystemText + "）";
    switch (boardStatus) {
        case static_cast<std::int32_t>(prologix::OpenFailure::Absent):
            return port + "がありません" + system;
        case static_cast<std::int32_t>(prologix::OpenFailure::Busy):
            return port + "は他のプログラムが使用中です" + system;
        case static_cast<std::int32_t>(prologix::OpenFailure::Denied):
            return port + "を開く権限がありません" + system;
        case static_cast<std::int32_t>(prologix::OpenFailure::Refused):
            return port + "に接続できません" + system;
        case static_cast<std::int32_t>(prologix::OpenFailure::Other):
            return port + "を開けません" + system;
        case kNotAController:
            return port + "は GPIB 変換器ではありません（++ver への応答: 「" + failedAnswer +
                   "」）";
        case kNoVersion:
            return port + "は ++ver に応答しません";
        case kNoneFound:
            return "++ver に応答する GPIB 変換器がどのシリアルポートにも見つかりません";
        case kLost:
            return "GPIB 変換器との接続が切れました";
        default:
            return "状態 " + std::to_string(boardStatus);
    }
}

bool BoardOpen(std::int32_t bufferSize) {
    lb::ResetClosedSession();
    link.reset();
    S().boardLost = false;
    S().boardTimeout = false;
    Probe probe = FindController();
    if (!probe.link) {
        S().boardStatus = probe.condition;
        return false;
    }
    link = std::move(probe.link);
    inUseName = link->identity.name + " (" + link->portName + ")";
    bool ready = true;
    for (const std::string& command : prologix::SetupCommands(link->identity.family)) {
        ready = ready && Command(command);
    }
    ready = ready && Command("ifc");  // the controller takes charge of the bus
    if (!ready) return Lost();
    S().boardStatus = 0;
    S().unconfirmedSends = true;  // the controller says nothing of the bus handshake
    S().cardOpen = true;
    S().recvBufferSize = bufferSize;
    return true;
}

bool BoardClose() {
    lb::ResetClosedSession();
    if (!link) return !S().boardLost;
    // The analyzer back to local: go to local for the addressed device. Then the controller is
    // asked "++ver": it handles lines in order, so its answer says that it took everything
    // sent before (a send is never confirmed otherwise), and that it is still there.
    DiscardPending(*link->port);
    const bool local = link->address <= 0 || Command("loc");
    const bool there = local && Command("ver") && AnswerLine(*link->port, kVersionWaitMs * 2);
    link.reset();
    if (!there) return Lost();
    S().boardStatus = 0;
    return true;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    if (!link) return Lost();
    DiscardPending(*link->port);
    if (!Addressed() || !link->port->Write(prologix::DataLine(bytes))) return Lost();
    S().boardTimeout = false;
    return true;
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    if (!link) return Lost();
    DiscardPending(*link->port);
    if (!Addressed() || !Command("read eoi")) return Lost();
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    prologix::ReplyCollector collector(static_cast<size_t>(capacity));
    const auto deadline = Clock::now() + std::chrono::seconds(S().timeoutSetting);
    Bytes arrived;
    while (!collector.complete()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        arrived.clear();
        const prologix::ReadResult result =
            link->port->Read(arrived, static_cast<int>(left.count()));
        if (result == prologix::ReadResult::Lost) {
            bytes = lb::ReceivedBytes(collector.reply(),
                                      static_cast<long long>(collector.reply().size()), capacity);
            return Lost();
        }
        if (result == prologix::ReadResult::Data) collector.Take(arrived);
    }
    bytes = lb::ReceivedBytes(collector.reply(), static_cast<long long>(collector.reply().size()),
                              capacity);
    S().boardTimeout = !collector.complete();
    return collector.complete();
}

std::string DriverLibraryName() {
    return {};  // none: the controller is reached through the system's serial port or TCP
}

}  // namespace lbDef
