// A download on a machine without the board's driver library: runs with the stand-ins' folder
// off the search path, once for each program's backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/csv_file.h"
#include "app/operation_runner.h"
#include "session/session_state.h"
#include "tests/app/fake_window.h"

namespace {

TEST(MissingDriver, TheDownloadStopsNamingLibraryAndFunctionAndKeepsItsFile) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("tq58-missing-" TQ58_EXPECTED_LIBRARY);
    fs::remove_all(folder);
    fs::create_directories(folder);
    testing_support::FakeWindow window;
    window.texts["ad2"] = "3";
    window.texts["wait"] = "0";
    testing_support::RecordingNotifier notifier;
    app::OperationRunner runner(window, notifier, folder);

    runner.Run(app::OperationKind::MassMemoryDownload);

    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find("「" TQ58_EXPECTED_LIBRARY "」"), std::string::npos)
        << notifier.messages[0];
    EXPECT_NE(notifier.messages[0].find("「" TQ58_EXPECTED_FUNCTION "」"), std::string::npos)
        << notifier.messages[0];
#ifdef TQ58_EXPECTED_SOURCE
    EXPECT_NE(notifier.messages[0].find(TQ58_EXPECTED_SOURCE), std::string::npos)
        << "the message says which software installs the library: " << notifier.messages[0];
#endif
    // Nothing was received: no file is written, and none is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), {}), 0);
    EXPECT_EQ(window.status, "マスメモリデータ取込: 中止（ドライバがありません）");
    EXPECT_FALSE(runner.running());
    EXPECT_FALSE(lb::sessionState.cardOpen);

    // The program goes on: the next click is not refused as if the first still ran.
    runner.Run(app::OperationKind::InstantaneousReadout);
    EXPECT_EQ(notifier.messages.size(), 2u);
    fs::remove_all(folder);
}

}  // namespace
