#include "backends/prologix/port_search.h"

#include <algorithm>
#include <chrono>
#include <optional>

#include "backends/prologix/errand.h"

namespace prologix {

namespace {

using Clock = std::chrono::steady_clock;

// Answers that come together, and the quiet after a late one.
constexpr int kAnswerWaitMs = 500;
constexpr int kQuietMs = 100;

bool IsNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

Found Failed(std::string port, std::int32_t condition) {
    Found found;
    found.verdicts.push_back({port, condition, {}, {}, {}});
    found.port = std::move(port);
    return found;
}

// The serial port opened on a thread of its own, given up after kOpenLimitMs: that thread then
// closes what it opened, if it ever does.
Opened OpenWithinLimit(const std::string& name) {
    auto outcome = std::make_shared<std::optional<Opened>>();
    Errand errand([outcome, open = SerialPortSystem().open, name] { *outcome = open(name); });
    if (!errand.Wait(kOpenLimitMs)) return {nullptr, OpenFailure::Hung, {}, {}};
    return std::move(**outcome);
}

// An AR488 may answer "++ver" like a Prologix, or with any text its owner set: "++ver real" has
// it say what it is, where a Prologix ignores the word. "++mode" follows, and its answer, a
// number, ends the answers to the question.
std::optional<Identity> Ar488Behind(ControllerLink& link) {
    if (!link.Command("ver real") || !link.Command("mode")) return std::nullopt;
    std::optional<Identity> ar488;
    while (const auto line = link.ReadLine(kAnswerWaitMs)) {
        if (IsNumber(*line)) {
            link.Confirmed();
            break;
        }
        if (const auto real = Identify(*line); real && real->family == Family::Ar488) ar488 = real;
    }
    return ar488;
}

Found Probe(Opened opened, const std::string& port) {
    if (!opened.port) {
        Found found = Failed(port, static_cast<std::int32_t>(opened.failure));
        found.verdicts.back().systemText = opened.systemText;
        found.verdicts.back().group = opened.group;
        return found;
    }
    auto link = std::make_unique<ControllerLink>(std::move(opened.port));
    std::optional<std::string> answer;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kAnswerWithinMs);
    while (!answer && !link->lost() && Clock::now() < deadline) {
        answer = link->Ask("ver", kAskEveryMs);
    }
    if (link->lost()) return Failed(port, kLost);
    if (!answer) return Failed(port, kNoVersion);
    // The answer to an earlier "++ver" that came late is followed by the answer to the next:
    // thrown away, so that no round trip takes it for its own.
    link->DiscardUntilQuiet(kQuietMs);
    link->KnowController(*answer, kPrologixLongestReadTimeoutMs);

    std::optional<Identity> identity = Identify(*answer);
    if (!identity || identity->family != Family::Ar488) {
        if (auto ar488 = Ar488Behind(*link)) identity = ar488;
    }
    if (link->lost()) return Failed(port, kLost);
    if (!identity) {
        Found found = Failed(port, kNotAController);
        found.verdicts.back().answer = *answer;
        return found;
    }
    Found found;
    found.link = std::move(link);
    found.identity = *identity;
    found.versionAnswer = *answer;
    found.port = port;
    return found;
}

}  // namespace

Found ProbeSerialPort(const std::string& name) {
    return Probe(OpenWithinLimit(name), name);
}

Found ProbeTcpPort(const std::string& host, int tcpPort) {
    return Probe(OpenTcpPort(host, tcpPort), host + ":" + std::to_string(tcpPort));
}

Found SearchSerialPorts(const std::string& triedFirst) {
    std::vector<ListedPort> ports = SerialPortSystem().list();
    std::stable_partition(ports.begin(), ports.end(),
                          [&](const ListedPort& port) { return port.name == triedFirst; });
    std::vector<PortVerdict> verdicts;
    for (const ListedPort& port : ports) {
        if (port.bluetooth) {
            verdicts.push_back({port.name, kBluetoothSkipped, {}, {}, {}});
            continue;
        }
        Found found = ProbeSerialPort(port.name);
        if (found.link) {
            found.verdicts.insert(found.verdicts.begin(), verdicts.begin(), verdicts.end());
            return found;
        }
        verdicts.insert(verdicts.end(), found.verdicts.begin(), found.verdicts.end());
    }
    Found none;
    none.verdicts = std::move(verdicts);
    return none;
}

}  // namespace prologix
