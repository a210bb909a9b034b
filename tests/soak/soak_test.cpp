// A mass memory download over every address the boxes allow, with no pause, against the
// simulated analyzer: every line arrives, in order, and memory stays where a short download
// leaves it.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/csv_file.h"
#include "app/operation_runner.h"
#include "app/utf8_text.h"
#include "session/session_state.h"
#include "tests/support/standin_control.h"

namespace {

namespace fs = std::filesystem;

// A window that keeps nothing it is shown, so that only the download itself uses memory.
class LeanWindow : public app::Window {
  public:
    std::string Text(std::string_view box) const override {
        if (box == "ad2") return last;
        if (box == "wait") return "0";
        if (box == "GPIBadress") return "5";
        return "1";
    }
    bool Selected(std::string_view button) const override {
        return button == "oct3" || button == "F";
    }
    void SetCaption(std::string_view, const std::string&) override {}
    void ShowProgress(int done, int total) override {
        if (total > 0) shown = done;  // the bar is hidden (0 of 0) when the run ends
    }
    void ShowStatus(const app::Status& shown) override { status = shown.summary; }
    bool StopRequested() const override { return false; }

    std::string last = "100";
    int shown = 0;
    std::string status;
};

class SilentNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override { ADD_FAILURE() << message; }
};

long PeakResidentKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST(Soak, EveryAddressFromOneTo32767IsDownloadedInOrderWithinTheMemoryOfAShortDownload) {
    constexpr int kLast = 32767;
    testing_support::StandIn standIn("gplib2K.dll");
    standIn.Reset();
    standIn.SetLogging(false);
    standIn.SetMemorySize(kLast);
    const fs::path folder = fs::temp_directory_path() / "tq58-soak";
    fs::remove_all(folder);
    fs::create_directories(folder);
    LeanWindow window;
    SilentNotifier notifier;
    app::OperationRunner runner(window, notifier, folder);

    runner.Run(app::OperationKind::MassMemoryDownload);
    ASSERT_EQ(window.shown, 100);
    const long afterShort = PeakResidentKilobytes();

    window.last = std::to_string(kLast);
    runner.Run(app::OperationKind::MassMemoryDownload);
    const long afterLong = PeakResidentKilobytes();
    ASSERT_EQ(window.shown, kLast);
    EXPECT_EQ(window.status, "マスメモリデータ取込: 完了");

    std::ifstream file(folder / app::kMassMemoryFileName, std::ios::binary);
    std::string line;
    int lines = 0;
    while (std::getline(file, line)) {
        ++lines;
        char address[16];
        std::snprintf(address, sizeof address, "AD%04d", lines);
        // The address field is characters 3 to 6 of "ADR?": from 10000 on, its first four digits.
        const std::string expected =
            app::Utf8Mid(address, 3, 4) + ",1/3oct,F," + standIn.Record(lines) + "\r";
        if (line != expected) {
            ADD_FAILURE() << "line " << lines << " is \"" << line << "\", not \"" << expected
                          << "\"";
            break;
        }
    }
    EXPECT_EQ(lines, kLast);
    const long growth = afterLong - afterShort;
    std::printf("soak: %d lines, peak resident %ld KiB after 100 records, %ld KiB after %d\n",
                lines, afterShort, afterLong, kLast);
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer keeps freed memory in quarantine: peak memory says nothing here.
    (void)growth;
#else
    EXPECT_LE(growth, 1024) << "peak memory grew by " << growth << " KiB";
#endif
    fs::remove_all(folder);
}

}  // namespace
