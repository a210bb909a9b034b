// The interface a program's user chooses: the command line first, then the settings file, then
// the default; and what the status line and a failed open say of it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/interface_choice.h"

namespace {

namespace fs = std::filesystem;

class InterfaceChoice : public ::testing::Test {
  protected:
    void SetUp() override {
        settings =
            fs::temp_directory_path() /
            ("tq58-settings-" +
             std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".ini");
        fs::remove(settings);
    }
    void TearDown() override {
        fs::remove(settings);
        app::SetCurrentInterface({});
    }
    void Write(const std::string& text) { std::ofstream(settings, std::ios::binary) << text; }
    app::ChosenValue Choose(const std::vector<std::string>& arguments) {
        return app::ChooseValue(arguments, "board", "0", settings);
    }

    fs::path settings;
};

TEST_F(InterfaceChoice, TheCommandLineComesFirstThenTheSettingsFileThenTheDefault) {
    EXPECT_EQ(Choose({}).value, "0") << "no settings file";
    EXPECT_EQ(Choose({}).origin, "既定値");

    // Notepad's byte order mark, CR LF, comments, sections, other programs' keys, blanks and
    // quotes around the value, the key in another case; the later of two lines counts.
    Write(
        "\xEF\xBB\xBF# tq58pc\r\n[tq58pc]\r\nport = COM3\r\n; board = 9\r\nboard = 1\r\n"
        "  BOARD  =  \"2\"  \r\n");
    EXPECT_EQ(Choose({}).value, "2");
    EXPECT_NE(Choose({}).origin.find(settings.filename().string()), std::string::npos);

    EXPECT_EQ(Choose({"--board", "3"}).value, "3");
    EXPECT_EQ(Choose({"--board=4"}).value, "4");
    EXPECT_EQ(Choose({"--board=4"}).origin, "コマンドラインの --board");

    Write("interface = GPIB1\n");
    EXPECT_EQ(Choose({}).value, "0") << "a file without the key leaves the default";
}

TEST_F(InterfaceChoice, ACommandLineWithAnythingElseIsRefusedNamingWhatWasGiven) {
    for (const std::vector<std::string>& arguments :
         std::vector<std::vector<std::string>>{{"--port", "COM3"}, {"--board"}, {"1"}}) {
        const app::ChosenValue chosen = Choose(arguments);
        EXPECT_NE(chosen.error.find("「" + arguments[0] + "」"), std::string::npos) << chosen.error;
        EXPECT_NE(chosen.error.find("--board"), std::string::npos) << chosen.error;
    }
}

// A stand-in for a backend that knows boards 0 to 3 and names them GPIBn.
std::string chosenBoard;
std::string ChooseBoard(const std::string& choice) {
    if (choice.size() != 1 || choice[0] < '0' || choice[0] > '3') return "no board " + choice;
    chosenBoard = choice;
    return {};
}
std::string BoardName() {
    return "GPIB" + chosenBoard;
}
std::string NoNote() {
    return {};
}
std::string Iberr(std::int32_t status) {
    return "iberr " + std::to_string(status >> 16);
}
const app::InterfaceOption kOption{"board", "0", &ChooseBoard, &BoardName, &NoNote, &Iberr};

TEST_F(InterfaceChoice, TheChoiceInUseIsNamedInTheStatusLineAndWhenItsOpenFails) {
    Write("board = 7\n");
    const std::string refusal = app::TakeInterfaceChoice({}, kOption, settings);
    EXPECT_NE(refusal.find("no board 7"), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(settings.filename().string()), std::string::npos)
        << "says where the value came from: " << refusal;
    EXPECT_EQ(app::CurrentInterface().name, "") << "nothing is in use after a refusal";
    EXPECT_EQ(app::BoardNotOpenedText(12010, 0x00078100), "ボードを開けません（12010）。");

    ASSERT_EQ(app::TakeInterfaceChoice({"--board", "1"}, kOption, settings), "");
    EXPECT_EQ(app::InterfaceStatus().summary, "インターフェース: GPIB1");
    EXPECT_EQ(app::WithInterface("瞬時値取込: 完了"), "瞬時値取込: 完了（GPIB1）");
    EXPECT_EQ(app::BoardNotOpenedText(12010, 0x00078100),
              "インターフェース「GPIB1」を開けません（12010、ドライバの応答: "
              "iberr 7）。");
}

}  // namespace
