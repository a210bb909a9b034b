// The paced wait on Windows, with the Win32 window's event step and a 1 ms timer as during an
// operation: how early or late a pause ends, the CPU time it costs, and the tick counter's step.
// Run under Wine it measures Wine's timers, not Windows' (see bench/README.md).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "app/win32/form1.h"
#include "platform/tick_count.h"
#include "platform/timer_resolution.h"
#include "session/wait.h"

namespace {

class PrintingNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
};

double WallMs() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER now{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double CpuMs() {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e4;
    };
    return ms(kernel) + ms(user);
}

struct Measured {
    double cpuShare;
    double earliestMs;  // the smallest (elapsed - requested)
    double latestMs;    // the largest
    long latestPause;   // which pause that was, from 1
    double medianMs;
};

Measured Measure(int pauses, int ms) {
    std::vector<double> offsets;
    const double cpu = CpuMs();
    const double wall = WallMs();
    for (int i = 0; i < pauses; ++i) {
        const double start = WallMs();
        lb::WaitMs(ms);
        offsets.push_back(WallMs() - start - ms);
    }
    const double share = (CpuMs() - cpu) / (WallMs() - wall);
    const auto [earliest, latest] = std::minmax_element(offsets.begin(), offsets.end());
    const double earliestMs = *earliest;
    const double latestMs = *latest;
    const long latestPause = static_cast<long>(latest - offsets.begin()) + 1;
    std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
    return {share, earliestMs, latestMs, latestPause, offsets[offsets.size() / 2]};
}

// The smallest step by which the tick counter was seen to advance.
std::uint32_t TickStep() {
    std::uint32_t smallest = ~0u;
    for (int seen = 0; seen < 20;) {
        const std::uint32_t first = platform::TickCount();
        std::uint32_t next = first;
        while (next == first) next = platform::TickCount();
        smallest = std::min(smallest, next - first);
        ++seen;
    }
    return smallest;
}

}  // namespace

int wmain() {
    PrintingNotifier notifier;
    Form1 form(&notifier, std::filesystem::temp_directory_path());
    if (!form.Create()) return 1;
    ShowWindow(form.handle(), SW_SHOW);

    const platform::FineTimerResolution fineTimer;  // as while an operation runs
    const std::uint32_t step = TickStep();
    const Measured shortPauses = Measure(100, 20);
    const Measured longPauses = Measure(3, 1000);

    std::printf("tick counter step: %u ms\n", step);
    std::printf(
        "wait with the window's step, 100 x 20 ms: %.3f %% of a core; ends %+.3f ms at the"
        " earliest, %+.3f ms in the median, %+.3f ms at the latest (pause %ld)\n",
        shortPauses.cpuShare * 100, shortPauses.earliestMs, shortPauses.medianMs,
        shortPauses.latestMs, shortPauses.latestPause);
    std::printf(
        "wait with the window's step, 3 x 1000 ms: %.3f %% of a core; ends %+.3f ms at the"
        " earliest, %+.3f ms at the latest\n",
        longPauses.cpuShare * 100, longPauses.earliestMs, longPauses.latestMs);
    std::printf("(targets: 1 %% of a core or less; never early; no more than 2 ms late)\n");
    return 0;
}
