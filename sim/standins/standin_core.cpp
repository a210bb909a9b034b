#include "sim/standins/standin_core.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sim/standins/control.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <mutex>
#endif

namespace sim {

Bench& Bench::Instance() {
    static Bench bench;
    return bench;
}

void Bench::Reset() {
    analyzer_.Reset();
    analyzerAddress_ = 5;
    logging_ = true;
    log_.clear();
    calls_.clear();
    failures_.clear();
    forcedCount_.reset();
    boardAddress_ = 0;
    interfaceName_ = "GPIB0";
    interfaceResource_ = true;
    initialized = false;
    if (onReset_) onReset_();
}

std::optional<long long> Bench::Enter(const std::string& function, const std::string& arguments) {
    if (logging_) log_.push_back(function + "(" + arguments + ")");
    const int nth = ++calls_[function];
    if (const auto found = failures_.find({function, nth}); found != failures_.end()) {
        return found->second;
    }
    return std::nullopt;
}

bool Bench::Deliver(long address, const std::uint8_t* data, long long count) {
    if (!Present(address) || count < 0) return false;
    analyzer_.Write(std::string(reinterpret_cast<const char*>(data), static_cast<size_t>(count)));
    return true;
}

std::optional<std::string> Bench::Fetch(long address) {
    if (!Present(address)) return std::nullopt;
    return analyzer_.Read();
}

std::optional<long long> Bench::Receive(long address, std::uint8_t* buffer, long long capacity) {
    const auto reply = Fetch(address);
    if (!reply) return std::nullopt;
    return CopyReply(*reply, buffer, capacity);
}

long long Bench::CopyReply(const std::string& reply, std::uint8_t* buffer,
                           long long capacity) const {
    const long long copied = std::min<long long>(static_cast<long long>(reply.size()), capacity);
    if (copied > 0) std::memcpy(buffer, reply.data(), static_cast<size_t>(copied));
    return forcedCount_ ? *forcedCount_ : copied;
}

std::string LogText(const char* text) {
    return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}

std::string LogBytes(const std::uint8_t* data, long long count) {
    std::string text = "[";
    for (long long i = 0; data != nullptr && i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, i == 0 ? "%02X" : " %02X", data[i]);
        text += hex;
    }
    return text + "]";
}

std::string LogIntegers(const std::int32_t* values, long long count) {
    std::string text = "[";
    for (long long i = 0; values != nullptr && i < count; ++i) {
        if (i > 0) text += ", ";
        text += std::to_string(values[i]);
    }
    return text + "]";
}

std::string LogArguments(std::initializer_list<std::string> arguments) {
    std::string text;
    for (const auto& argument : arguments) {
        if (!text.empty()) text += ", ";
        text += argument;
    }
    return text;
}

int CopyOut(const std::string& text, char* buffer, int capacity) {
    if (buffer != nullptr && capacity > 0) {
        const size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
        std::memcpy(buffer, text.data(), length);
        buffer[length] = '\0';
    }
    return static_cast<int>(text.size());
}

#if defined(_WIN32)
// The MinGW win32 thread model has no std::mutex.
namespace {
struct CriticalSection {
    CRITICAL_SECTION section;
    CriticalSection() { InitializeCriticalSection(&section); }
} benchSection;
}  // namespace
BenchLock::BenchLock() {
    EnterCriticalSection(&benchSection.section);
}
BenchLock::~BenchLock() {
    LeaveCriticalSection(&benchSection.section);
}
#else
namespace {
std::recursive_mutex benchMutex;
}
BenchLock::BenchLock() {
    benchMutex.lock();
}
BenchLock::~BenchLock() {
    benchMutex.unlock();
}
#endif

}  // namespace sim

extern "C" {

void TQ58_DRIVER_CALL tq58sim_reset(void) {
    sim::BenchLock lock;
    sim::Bench::Instance().Reset();
}

void TQ58_DRIVER_CALL tq58sim_set_analyzer_address(int address) {
    sim::BenchLock lock;
    sim::Bench::Instance().SetAnalyzerAddress(address);
}

void TQ58_DRIVER_CALL tq58sim_fail_call(const char* function, int nth, long long code) {
    sim::BenchLock lock;
    sim::Bench::Instance().FailCall(function ? function : "", nth, code);
}

void TQ58_DRIVER_CALL tq58sim_force_receive_count(long long count) {
    sim::BenchLock lock;
    sim::Bench::Instance().ForceReceiveCount(count);
}

void TQ58_DRIVER_CALL tq58sim_set_board_address(long long address) {
    sim::BenchLock lock;
    sim::Bench::Instance().SetBoardAddress(address);
}

void TQ58_DRIVER_CALL tq58sim_set_interface(const char* name, int interfaceResource) {
    sim::BenchLock lock;
    sim::Bench::Instance().SetInterface(name ? name : "", interfaceResource != 0);
}

void TQ58_DRIVER_CALL tq58sim_set_reply(const char* query, const char* bytes, int length) {
    sim::BenchLock lock;
    if (query == nullptr) return;
    auto& analyzer = sim::Bench::Instance().analyzer();
    if (length < 0 || bytes == nullptr) {
        analyzer.RestoreReply(query);
        return;
    }
    analyzer.OverrideReply(query, std::string(bytes, static_cast<size_t>(length)));
}

void TQ58_DRIVER_CALL tq58sim_mute_query(const char* query, int muted) {
    sim::BenchLock lock;
    if (query != nullptr) sim::Bench::Instance().analyzer().MuteQuery(query, muted != 0);
}

int TQ58_DRIVER_CALL tq58sim_log_size(void) {
    sim::BenchLock lock;
    return static_cast<int>(sim::Bench::Instance().log().size());
}

int TQ58_DRIVER_CALL tq58sim_log_entry(int index, char* buffer, int capacity) {
    sim::BenchLock lock;
    const auto& log = sim::Bench::Instance().log();
    if (index < 0 || static_cast<size_t>(index) >= log.size()) return -1;
    return sim::CopyOut(log[static_cast<size_t>(index)], buffer, capacity);
}

void TQ58_DRIVER_CALL tq58sim_set_memory_size(int size) {
    sim::BenchLock lock;
    sim::Bench::Instance().analyzer().SetMemorySize(size);
}

void TQ58_DRIVER_CALL tq58sim_set_logging(int on) {
    sim::BenchLock lock;
    sim::Bench::Instance().SetLogging(on != 0);
}

int TQ58_DRIVER_CALL tq58sim_record(int address, char* buffer, int capacity) {
    sim::BenchLock lock;
    return sim::CopyOut(sim::Bench::Instance().analyzer().Record(address), buffer, capacity);
}

}  // extern "C"
