// The paced wait against a scripted tick counter.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>

#include "session/wait.h"
#include "tests/session/fake_backend.h"

namespace {

// A tick counter that advances by a fixed step at every event step.
class ScriptedClock {
  public:
    explicit ScriptedClock(std::uint32_t start, std::uint32_t step = 1) : now_(start), step_(step) {
        lb::SetTickSource([this] { return now_; });
        lb::SetEventStep([this](std::uint32_t remaining) {
            ++steps;
            remainingSeen.push_back(remaining);
            now_ += step_;  // wraps like the real counter
            return true;
        });
    }
    ~ScriptedClock() { lb::RestoreDefaultWaitSeams(); }

    std::uint32_t now() const { return now_; }
    int steps = 0;
    std::vector<std::uint32_t> remainingSeen;

  private:
    std::uint32_t now_;
    std::uint32_t step_;
};

TEST(WaitMs, ZeroOrNegativeProcessesEventsOnceAndReturns) {
    for (std::int32_t ms : {0, -5, INT32_MIN}) {
        ScriptedClock clock(1000);
        lb::WaitMs(ms);
        EXPECT_EQ(clock.steps, 1) << "wait of " << ms;
        EXPECT_EQ(clock.remainingSeen.front(), 0u);
    }
}

TEST(WaitMs, ReturnsOnceTheDeadlineIsReached) {
    ScriptedClock clock(5000);
    lb::WaitMs(20);
    EXPECT_EQ(clock.now(), 5020u);
    EXPECT_EQ(clock.steps, 20);
    EXPECT_EQ(clock.remainingSeen.front(), 20u) << "the step is told how long is left";
    EXPECT_EQ(clock.remainingSeen.back(), 1u);
}

TEST(WaitMs, SurvivesTheCounterWrapping) {
    // 6 ms before the wrap, a wait of 20 ends when the counter reads 14.
    ScriptedClock clock(0xFFFFFFFFu - 5);
    lb::WaitMs(20);
    EXPECT_EQ(clock.now(), 14u);
}

TEST(WaitMs, LargeStepsOvershootOnlyOnce) {
    ScriptedClock clock(0xFFFFFFF0u, 7);
    lb::WaitMs(30);
    EXPECT_EQ(clock.steps, 5);  // 0, 7, ... 35 >= 30
}

TEST(WaitMs, AStepThatAsksToStopEndsTheWait) {
    std::uint32_t now = 0;
    int steps = 0;
    lb::SetTickSource([&] { return now; });
    lb::SetEventStep([&](std::uint32_t) {
        ++steps;
        return false;
    });
    lb::WaitMs(100000);
    lb::RestoreDefaultWaitSeams();
    EXPECT_EQ(steps, 1);
}

TEST(WaitMs, TheDefaultSeamsWaitByTheRealClock) {
    lb::RestoreDefaultWaitSeams();
    const auto before = std::chrono::steady_clock::now();
    lb::WaitMs(30);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(29));
}

}  // namespace
