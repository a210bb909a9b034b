// Time from the start of main to the window shown, and the peak resident memory then and after
// a default mass memory download.
#include <sys/resource.h>
#include <QWindow>
#include <cstdio>

#include "bench/bench_window.h"

namespace {

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    const double start = bench::WallSeconds();
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    bench::PrintingNotifier notifier;
    const auto folder = std::filesystem::temp_directory_path() / "tq58-startup-bench";
    std::filesystem::create_directories(folder);
    Form1 form(&notifier, folder);
    form.show();
    while (!form.windowHandle() || !form.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
    const double shown = bench::WallSeconds() - start;
    const long residentShown = PeakResidentKilobytes();

    testing_support::StandIn standIn("gplib2K.dll");
    standIn.Reset();
    bench::SetText(form, "wait", "0");
    bench::Click(form, "run1");
    std::printf(
        "start to window shown: %.1f ms; peak resident memory %ld KiB when shown, %ld KiB"
        " after a 100-record download\n",
        shown * 1000, residentShown, PeakResidentKilobytes());
    std::filesystem::remove_all(folder);
    return 0;
}
