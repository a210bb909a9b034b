#include "tests/session/fake_backend.h"

#include "session/my_address.h"
#include "session/session_state.h"
#include "session/wait.h"

namespace fake {

Backend& TheBackend() {
    static Backend backend;
    return backend;
}

void ResetAll() {
    TheBackend() = Backend{};
    lb::sessionState = lb::SessionState{};
    lb::RestoreDefaultWaitSeams();
}

namespace {

Outcome Next(std::deque<Outcome>& queue) {
    if (queue.empty()) return Outcome{};
    Outcome outcome = queue.front();
    queue.pop_front();
    return outcome;
}

// What a real backend leaves behind after open and close.
void ResetFields() {
    auto& s = lb::sessionState;
    s.cardOpen = false;
    s.activeAddress = 0;
    s.delimiter = 0;
    s.timeoutSetting = 5;
    s.recvBufferSize = 65536;
}

}  // namespace

}  // namespace fake

namespace lbDef {

bool BoardOpen(std::int32_t bufferSize) {
    auto& b = fake::TheBackend();
    b.calls.push_back("open");
    b.openSizes.push_back(bufferSize);
    const auto outcome = fake::Next(b.open);
    auto& s = lb::sessionState;
    s.boardTimeout = outcome.timeout;
    if (outcome.ok) {
        fake::ResetFields();
        s.cardOpen = true;
        s.recvBufferSize = bufferSize;
    }
    return outcome.ok;
}

bool BoardClose() {
    auto& b = fake::TheBackend();
    b.calls.push_back("close");
    const auto outcome = fake::Next(b.close);
    fake::ResetFields();
    lb::sessionState.boardTimeout = outcome.timeout;
    return outcome.ok;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    auto& b = fake::TheBackend();
    b.calls.push_back("send");
    b.sent.push_back(bytes);
    const auto outcome = fake::Next(b.send);
    lb::sessionState.boardTimeout = outcome.timeout;
    return outcome.ok;
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    auto& b = fake::TheBackend();
    b.calls.push_back("receive");
    auto outcome = fake::Next(b.receive);
    lb::sessionState.boardTimeout = outcome.timeout;
    bytes = outcome.received.empty() ? lb::ByteBuffer{0} : outcome.received;
    return outcome.ok;
}

bool BoardQueryStatus(std::int16_t& value) {
    auto& b = fake::TheBackend();
    b.calls.push_back("query status");
    lb::sessionState.boardTimeout = false;
    value = b.ownAddress;
    if (b.queryStatus.empty()) return true;
    const bool ok = b.queryStatus.front();
    b.queryStatus.pop_front();
    return ok;
}

}  // namespace lbDef

namespace lbDef {

std::string DriverLibraryName() {
    return "fake";
}

}  // namespace lbDef
