// What every stand-in driver library shares: the simulated analyzer on a bus, the call log,
// scripted failures and the control interface. Each library links its own copy, so each has
// one bench of its own.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/analyzer.h"

namespace sim {

class Bench {
  public:
    static Bench& Instance();

    void Reset();

    // Logs a call of a driver function; returns the code a test scripted for this call, if any.
    std::optional<long long> Enter(const std::string& function, const std::string& arguments);

    // Whether a device is on the bus at that address.
    bool Present(long address) const { return analyzerAddress_ > 0 && address == analyzerAddress_; }
    // The board's transfers: false when no device listens or talks at that address.
    bool Deliver(long address, const std::uint8_t* data, long long count);
    std::optional<std::string> Fetch(long address);
    // A whole receive: the pending reply copied into buffer, and the count the driver reports;
    // nothing when no device talks at that address or no reply is pending.
    std::optional<long long> Receive(long address, std::uint8_t* buffer, long long capacity);

    // Copies a reply into a receive buffer of capacity bytes and says how many bytes the
    // driver reports: the copied ones, or the count a test forced.
    long long CopyReply(const std::string& reply, std::uint8_t* buffer, long long capacity) const;

    Analyzer& analyzer() { return analyzer_; }
    const std::vector<std::string>& log() const { return log_; }

    void SetAnalyzerAddress(int address) { analyzerAddress_ = address; }
    void SetLogging(bool on) { logging_ = on; }
    void FailCall(const std::string& function, int nth, long long code) {
        failures_[{function, nth}] = code;
    }
    void ForceReceiveCount(long long count) { forcedCount_ = count; }
    void SetBoardAddress(long long address) { boardAddress_ = address; }
    long long boardAddress() const { return boardAddress_; }
    // The interface the analyzer's bus hangs off, for the stand-ins whose user chooses one:
    // "GPIB<n>", or a LAN-GPIB gateway's "TCPIP0::<host>::gpib0"; whether it offers an
    // interface (INTFC) resource.
    void SetInterface(std::string name, bool interfaceResource) {
        interfaceName_ = std::move(name);
        interfaceResource_ = interfaceResource;
    }
    const std::string& interfaceName() const { return interfaceName_; }
    bool interfaceResource() const { return interfaceResource_; }

    // Board state that most emulated boards keep.
    bool initialized = false;
    // A stand-in that keeps board state of its own clears it here on every reset.
    void OnReset(std::function<void()> clear) { onReset_ = std::move(clear); }

  private:
    Analyzer analyzer_;
    int analyzerAddress_ = 5;
    bool logging_ = true;
    long long boardAddress_ = 0;
    std::string interfaceName_ = "GPIB0";
    bool interfaceResource_ = true;
    std::vector<std::string> log_;
    std::map<std::string, int> calls_;
    std::map<std::pair<std::string, int>, long long> failures_;
    std::optional<long long> forcedCount_;
    std::function<void()> onReset_;
};

// Holds the bench against a stand-in's own thread (the simulated Prologix controller serves
// its port from one) while a driver call or a control call uses it.
class BenchLock {
  public:
    BenchLock();
    ~BenchLock();
    BenchLock(const BenchLock&) = delete;
    BenchLock& operator=(const BenchLock&) = delete;
};

// Copies text into a caller's buffer, NUL-terminated and cut to capacity; returns its length.
int CopyOut(const std::string& text, char* buffer, int capacity);

// Argument texts for the call log.
std::string LogText(const char* text);                            // "5" quoted, or null
std::string LogBytes(const std::uint8_t* data, long long count);  // [44 4C 0D 0A]
std::string LogArguments(std::initializer_list<std::string> arguments);
std::string LogIntegers(const std::int32_t* values, long long count);  // [2, 0, 5]

}  // namespace sim
