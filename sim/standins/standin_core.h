// What every stand-in driver library shares: the simulated analyzer on a bus, the call log,
// scripted failures and the control interface. Each library links its own copy, so each has
// one bench of its own.
#pragma once

#include <cstdint>
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

    // The board's transfers: false when no device listens or talks at that address.
    bool Deliver(long address, const std::uint8_t* data, long long count);
    std::optional<std::string> Fetch(long address);

    // Copies a reply into a receive buffer of capacity bytes and says how many bytes the
    // driver reports: the copied ones, or the count a test forced.
    long long CopyReply(const std::string& reply, std::uint8_t* buffer, long long capacity) const;

    Analyzer& analyzer() { return analyzer_; }
    const std::vector<std::string>& log() const { return log_; }

    void SetAnalyzerAddress(int address) { analyzerAddress_ = address; }
    void FailCall(const std::string& function, int nth, long long code) {
        failures_[{function, nth}] = code;
    }
    void ForceReceiveCount(long long count) { forcedCount_ = count; }

    // Board state that most emulated boards keep.
    bool initialized = false;

private:
    Analyzer analyzer_;
    int analyzerAddress_ = 5;
    std::vector<std::string> log_;
    std::map<std::string, int> calls_;
    std::map<std::pair<std::string, int>, long long> failures_;
    std::optional<long long> forcedCount_;
};

// Argument texts for the call log.
std::string LogText(const char* text);                         // "5" quoted, or null
std::string LogBytes(const std::uint8_t* data, long long count);  // [44 4C 0D 0A]
std::string LogArguments(std::initializer_list<std::string> arguments);

}  // namespace sim
