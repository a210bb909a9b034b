#include "tests/app/bench_script.h"

#include <cstdlib>
#include <sstream>

#include "session/wait.h"

namespace testing_support {

BenchScript::BenchScript(StandIn& standIn) : standIn_(standIn) {
    lb::SetTickSource([this] { return now_; });
    // The clock jumps to the deadline at the first step, so every step is one whole pause.
    lb::SetEventStep([this](std::uint32_t remaining) {
        pauses_.emplace_back(standIn_.Log().size(), remaining);
        const int nth = static_cast<int>(pauses_.size());
        if (auto action = actions_.find(nth); action != actions_.end()) action->second();
        now_ += remaining;
        return true;
    });
}

BenchScript::~BenchScript() {
    lb::RestoreDefaultWaitSeams();
}

void BenchScript::AtPause(int nth, std::function<void()> action) {
    actions_[nth] = std::move(action);
}

namespace {

bool IsReceive(const std::string& function) {
    return function == "gp_tfrin" || function == "GpListen" || function == "Gpib_Bred" ||
           function.find("Recv") != std::string::npos;
}

}  // namespace

std::string LoggedText(const std::string& logEntry) {
    const auto open = logEntry.rfind('[');
    const auto close = logEntry.rfind(']');
    std::istringstream hex(logEntry.substr(open + 1, close - open - 1));
    std::string text;
    std::string byte;
    while (hex >> byte) text += static_cast<char>(std::strtol(byte.c_str(), nullptr, 16));
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::vector<std::string> BenchScript::Steps() {
    const auto log = standIn_.Log();
    std::vector<std::string> steps;
    size_t nextPause = 0;
    for (size_t i = 0; i <= log.size(); ++i) {
        while (nextPause < pauses_.size() && pauses_[nextPause].first == i) {
            steps.push_back("pause " + std::to_string(pauses_[nextPause++].second));
        }
        if (i == log.size()) break;
        const std::string& entry = log[i];
        const std::string name = entry.substr(0, entry.find('('));
        if (IsReceive(name)) {
            steps.push_back("receive");
        } else if (entry.find('[') != std::string::npos) {
            steps.push_back("send " + LoggedText(entry));
        }
    }
    return steps;
}

std::vector<std::string> BenchScript::Sent() {
    std::vector<std::string> sent;
    for (const auto& step : Steps()) {
        if (step.rfind("send ", 0) == 0) sent.push_back(step.substr(5));
    }
    return sent;
}

}  // namespace testing_support
