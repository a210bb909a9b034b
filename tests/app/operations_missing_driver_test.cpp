// A download on a machine without the board's driver library: runs with the stand-ins' folder
// off the search path.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/csv_file.h"
#include "app/operation_runner.h"
#include "session/session_state.h"
#include "tests/app/fake_window.h"

namespace {

TEST(MissingDriver, TheDownloadStopsNamingLibraryAndFunctionAndKeepsItsFile) {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "tq58-missing-driver";
    fs::remove_all(folder);
    fs::create_directories(folder);
    testing_support::FakeWindow window;
    testing_support::RecordingNotifier notifier;
    app::OperationRunner runner(window, notifier, folder);

    runner.Run(app::OperationKind::MassMemoryDownload);

    ASSERT_EQ(notifier.messages.size(), 1u);
    EXPECT_NE(notifier.messages[0].find("「gplib2K.dll」"), std::string::npos);
    EXPECT_NE(notifier.messages[0].find("「gp_cardinfo」"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder / app::kMassMemoryFileName));
    EXPECT_EQ(fs::file_size(folder / app::kMassMemoryFileName), 0u);
    EXPECT_EQ(window.status, "マスメモリデータ取込: 中止");
    EXPECT_FALSE(runner.running());

    // The program goes on: the next click is not refused as if the first still ran.
    runner.Run(app::OperationKind::InstantaneousReadout);
    EXPECT_EQ(notifier.messages.size(), 2u);
    fs::remove_all(folder);
}

}  // namespace
