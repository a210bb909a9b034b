// CPU time the paced wait spends per second of waiting, with the window's event step, against
// a wait that polls without sleeping measured in the same run; and how late a pause ends.
#include <QCoreApplication>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/bench_window.h"
#include "platform/tick_count.h"
#include "session/wait.h"

namespace {

struct Measured {
    double cpuPerSecond;
    double worstLateMs;
    double meanLateMs;
};

Measured Measure(int pauses, int ms) {
    std::vector<double> late;
    const double cpu = bench::CpuSeconds();
    const double wall = bench::WallSeconds();
    for (int i = 0; i < pauses; ++i) {
        const double start = bench::WallSeconds();
        lb::WaitMs(ms);
        late.push_back((bench::WallSeconds() - start) * 1000.0 - ms);
    }
    const double cpuUsed = bench::CpuSeconds() - cpu;
    const double wallUsed = bench::WallSeconds() - wall;
    double sum = 0;
    for (double l : late) sum += l;
    return {cpuUsed / wallUsed, *std::max_element(late.begin(), late.end()), sum / pauses};
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    bench::PrintingNotifier notifier;
    Form1 form(&notifier, std::filesystem::temp_directory_path());
    form.show();
    QCoreApplication::processEvents();

    // The window's own step: handle events, then sleep until the next one or the deadline.
    const Measured window = Measure(100, 20);
    const Measured long_ = Measure(3, 1000);

    // A step that only handles pending events and returns: the loop spins until the deadline.
    lb::SetEventStep([](std::uint32_t) {
        QCoreApplication::processEvents();
        return true;
    });
    const Measured busy = Measure(100, 20);

    std::printf(
        "wait with the window's step, 100 x 20 ms: %.3f %% of a core, late by %.3f ms on"
        " average, %.3f ms at worst\n",
        window.cpuPerSecond * 100, window.meanLateMs, window.worstLateMs);
    std::printf(
        "wait with the window's step, 3 x 1000 ms: %.3f %% of a core, late by %.3f ms at"
        " worst\n",
        long_.cpuPerSecond * 100, long_.worstLateMs);
    std::printf(
        "busy-polling wait, 100 x 20 ms:           %.1f %% of a core, late by %.3f ms at"
        " worst\n",
        busy.cpuPerSecond * 100, busy.worstLateMs);
    std::printf("(targets: 1 %% of a core or less; no more than 2 ms late)\n");
    return 0;
}
