#include "tests/support/standin_control.h"

#include <stdexcept>

namespace testing_support {

StandIn::StandIn(const std::string& name) : library_(name) {}

void StandIn::Reset() {
    reset_();
}
void StandIn::SetAnalyzerAddress(int address) {
    setAddress_(address);
}
void StandIn::FailCall(const std::string& function, int nth, long long code) {
    failCall_(function.c_str(), nth, code);
}
void StandIn::ForceReceiveCount(long long count) {
    forceCount_(count);
}
void StandIn::SetInterface(const std::string& name, bool interfaceResource) {
    setInterface_(name.c_str(), interfaceResource ? 1 : 0);
}

void StandIn::SetBoardAddress(long long address) {
    setBoardAddress_(address);
}
void StandIn::SetReply(const std::string& query, const std::string& bytes) {
    setReply_(query.c_str(), bytes.data(), static_cast<int>(bytes.size()));
}
void StandIn::RestoreReply(const std::string& query) {
    setReply_(query.c_str(), nullptr, -1);
}
void StandIn::MuteQuery(const std::string& query, bool muted) {
    mute_(query.c_str(), muted);
}

void StandIn::SetMemorySize(int size) {
    memorySize_(size);
}
void StandIn::SetLogging(bool on) {
    logging_(on ? 1 : 0);
}

std::vector<std::string> StandIn::Log() {
    std::vector<std::string> entries;
    const int size = logSize_();
    for (int i = 0; i < size; ++i) {
        std::string text(static_cast<size_t>(logEntry_(i, nullptr, 0)) + 1, '\0');
        logEntry_(i, text.data(), static_cast<int>(text.size()));
        text.pop_back();
        entries.push_back(std::move(text));
    }
    return entries;
}

std::vector<std::string> StandIn::Calls(const std::string& function) {
    std::vector<std::string> matching;
    for (auto& entry : Log()) {
        if (entry.rfind(function + "(", 0) == 0) matching.push_back(entry);
    }
    return matching;
}

std::vector<std::string> StandIn::CallNames() {
    std::vector<std::string> names;
    for (const auto& entry : Log()) names.push_back(entry.substr(0, entry.find('(')));
    return names;
}

std::string StandIn::Record(int address) {
    std::string text(static_cast<size_t>(record_(address, nullptr, 0)) + 1, '\0');
    record_(address, text.data(), static_cast<int>(text.size()));
    text.pop_back();
    return text;
}

std::string StandIn::ServePrologix(const std::string& kind) {
    char where[256];
    if (serve_(kind.c_str(), where, sizeof where) < 0) return {};
    return where;
}
void StandIn::SettlePrologix() {
    settle_();
}
void StandIn::SetPrologixKind(const std::string& kind) {
    if (kind_(kind.c_str()) != 0) throw std::invalid_argument("no such controller: " + kind);
}
void StandIn::SetPrologixVersion(const std::string& answer) {
    version_(answer.c_str());
}
int StandIn::PrologixOverflowBytes() {
    return overflow_();
}
int StandIn::PrologixEepromWrites() {
    return eepromWrites_();
}
std::string StandIn::PrologixSettings() {
    char text[512];
    settings_(text, sizeof text);
    return text;
}

}  // namespace testing_support
