// One Windows program, through its Win32 window, backend and stand-in DLL: the downloads write
// the same bytes as the Linux programs do from the simulated analyzer.
#include <gtest/gtest.h>

#include <fstream>

#include "app/csv_file.h"
#include "app/interface_choice.h"
#include "app/numeric_value.h"
#include "session/chosen_interface.h"
#include "session/wait.h"
#include "tests/support/expected_files.h"
#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;

class Win32Program : public ::testing::Test {
  protected:
    void SetUp() override {
        standIn.Reset();
        folder = fs::temp_directory_path() /
                 ("tq58-" TQ58_PROGRAM "-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        form = std::make_unique<Form1>(&notifier, folder);
        ASSERT_TRUE(form->Create());
        // Pauses keep their lengths but pass at once: the clock jumps to each deadline.
        lb::SetTickSource([this] { return now; });
        lb::SetEventStep([this](std::uint32_t remaining) {
            now += remaining;
            return true;
        });
    }
    void TearDown() override {
#ifdef TQ58_INTERFACE_KEY
        lbDef::ChooseInterface(TQ58_INTERFACE_DEFAULT);
        app::SetCurrentInterface({});
#endif
        form.reset();
        DropQuitMessage();
        fs::remove_all(folder);
    }

    testing_support::StandIn standIn{TQ58_DRIVER_LIBRARY};
    testing_support::RecordingNotifier notifier;
    fs::path folder;
    std::unique_ptr<Form1> form;
    std::uint32_t now = 0;
};

TEST_F(Win32Program, MassMemoryDownloadWithTheDefaultsWritesEveryRecord) {
    Click(form->Control("run1"));
    EXPECT_EQ(FileBytes(folder / app::kMassMemoryFileName),
              testing_support::ExpectedMassMemoryFile(1, 100));
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Win32Program, SecondaryProcessingDownloadWithTheDefaultsWritesTheSevenResults) {
    Click(form->Control("run2"));
    EXPECT_EQ(FileBytes(folder / app::kSecondaryProcessingFileName),
              testing_support::ExpectedSecondaryProcessingFile(1, 100));
}

TEST_F(Win32Program, InstantaneousReadoutShowsTheAnalyzersSettings) {
    Click(form->Control("run0"));
    EXPECT_EQ(TextOf(form->Control("時定数")), "0.125s");
    EXPECT_EQ(TextOf(form->Control("範囲")), "6.3～5KHz");
    EXPECT_EQ(TextOf(form->Control("octoct")), "1/3oct");
    EXPECT_EQ(TextOf(form->Control("補正")), "F");
    EXPECT_EQ(TextOf(form->Control("マスデータ")), "+065.0,+061.2,+063.4");
}

#ifdef TQ58_INTERFACE_KEY
// The two programs whose user chooses the interface, here in the settings file as Notepad
// writes it beside the program.
TEST_F(Win32Program, TheInterfaceFromTheSettingsFileReachesTheDriverAndTheStatusLineNamesIt) {
    constexpr std::string_view key = TQ58_INTERFACE_KEY;
    standIn.SetInterface("GPIB1");
    const fs::path settings = folder / "settings.ini";
    std::ofstream(settings, std::ios::binary)
        << "\xEF\xBB\xBF[tq58pc]\r\n"
        << key << " = " << (key == "board" ? "1" : "GPIB1") << "\r\n";
    const app::InterfaceOption option{key,
                                      TQ58_INTERFACE_DEFAULT,
                                      &lbDef::ChooseInterface,
                                      &lbDef::InterfaceName,
                                      &lbDef::InterfaceNote,
                                      &lbDef::DriverStatusText};
    ASSERT_EQ(app::TakeInterfaceChoice({}, option, settings), "");
    Click(form->Control("run1"));
    EXPECT_EQ(FileBytes(folder / app::kMassMemoryFileName),
              testing_support::ExpectedMassMemoryFile(1, 100));
    EXPECT_EQ(TextOf(form->Control("status")), "マスメモリデータ取込: 完了（GPIB1）");
}
#endif

}  // namespace
