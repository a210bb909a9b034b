// Reads what an operation did on the simulated bench as one script: the pauses (from a
// scripted clock that jumps to each deadline) interleaved with the commands the stand-in
// driver was handed and the receives it was asked for.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/standin_control.h"

namespace testing_support {

class BenchScript {
  public:
    explicit BenchScript(StandIn& standIn);
    ~BenchScript();

    // "pause 20", "send DLM0", "receive", in order; driver set-up calls are left out.
    std::vector<std::string> Steps();
    // Only the commands sent, as text.
    std::vector<std::string> Sent();
    int pauses() const { return static_cast<int>(pauses_.size()); }

    // Runs during the n-th pause (counting from 1), before it ends.
    void AtPause(int nth, std::function<void()> action);
    // Forgets the pauses and actions so far; with the stand-in's reset, a new script.
    void Clear() {
        pauses_.clear();
        actions_.clear();
    }

  private:
    StandIn& standIn_;
    std::uint32_t now_ = 1000;
    std::vector<std::pair<size_t, std::uint32_t>> pauses_;  // log position, ms
    std::map<int, std::function<void()>> actions_;
};

// The text of the bytes logged as [44 4C 4D 30 0D 0A], without the trailing CR LF.
std::string LoggedText(const std::string& logEntry);

}  // namespace testing_support
