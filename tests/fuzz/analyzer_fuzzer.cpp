// Any bytes sent to the simulated analyzer: it parses them without fault and every reply it
// gives ends with CR LF.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "sim/analyzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static sim::Analyzer analyzer;
    analyzer.Write(std::string(reinterpret_cast<const char*>(data), size));
    if (const auto reply = analyzer.Read()) {
        if (reply->size() < 2 || reply->substr(reply->size() - 2) != "\r\n") std::abort();
    }
    if (analyzer.commandCount() > 10000) analyzer.Reset();
    return 0;
}
