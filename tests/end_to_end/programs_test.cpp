// One program, through its real window, backend and stand-in driver: the downloads write the
// same bytes and the readout shows the same captions whichever board the program drives.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/csv_file.h"
#include "app/interface_choice.h"
#include "app/numeric_value.h"
#include "app/qt/form1.h"
#include "app/utf8_text.h"
#include "session/chosen_interface.h"
#include "session/wait.h"
#include "tests/app/fake_window.h"
#include "tests/support/expected_files.h"
#include "tests/support/standin_control.h"

namespace {

namespace fs = std::filesystem;

class Program : public ::testing::Test {
  protected:
    void SetUp() override {
        standIn.Reset();
        folder = fs::temp_directory_path() /
                 ("tq58-" TQ58_PROGRAM "-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
#ifdef TQ58_PROLOGIX_SERVE
        served = standIn.ServePrologix(TQ58_PROLOGIX_SERVE);
        ASSERT_EQ(lbDef::ChooseInterface(served), "");
#endif
        form = std::make_unique<Form1>(&notifier, folder);
        form->show();
        // Pauses keep their lengths but pass at once: the clock jumps to each deadline.
        lb::SetTickSource([this] { return now; });
        lb::SetEventStep([this](std::uint32_t remaining) {
            QApplication::processEvents();
            now += remaining;
            return true;
        });
    }
    void TearDown() override {
        form.reset();
        fs::remove_all(folder);
    }

    void Click(const char* button) {
        static_cast<QPushButton*>(form->Control(button))->click();
    }
    std::string Caption(const char* label) {
        return static_cast<QLabel*>(form->Control(label))->text().toStdString();
    }
    std::string FileBytes(const char8_t* name) {
        std::ifstream file(folder / name, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }

    testing_support::StandIn standIn{TQ58_DRIVER_LIBRARY};
    testing_support::RecordingNotifier notifier;
    fs::path folder;
    std::string served;  // where the simulated controller is, for a program that has one
    std::unique_ptr<Form1> form;
    std::uint32_t now = 0;
};

TEST_F(Program, MassMemoryDownloadWithTheDefaultsWritesEveryRecord) {
    Click("run1");
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), testing_support::ExpectedMassMemoryFile(1, 100));
    EXPECT_TRUE(notifier.messages.empty());
}

TEST_F(Program, SecondaryProcessingDownloadWithTheDefaultsWritesTheSevenResults) {
    Click("run2");
    EXPECT_EQ(FileBytes(app::kSecondaryProcessingFileName),
              testing_support::ExpectedSecondaryProcessingFile(1, 100));
}

TEST_F(Program, InstantaneousReadoutShowsTheAnalyzersSettings) {
    Click("run0");
    EXPECT_EQ(Caption("アドレス"), "");
    EXPECT_EQ(Caption("時定数"), "0.125s");
    EXPECT_EQ(Caption("範囲"), "6.3～5KHz");
    EXPECT_EQ(Caption("octoct"), "1/3oct");
    EXPECT_EQ(Caption("補正"), "F");
    EXPECT_EQ(Caption("マスデータ"), "+065.0,+061.2,+063.4");
}

// A partial file that a crashed run left is never written over: it survives a run with the
// analyzer off and one with it on, under the time it was written, and the status line says so
// and, in its tooltip, where.
TEST_F(Program, AnEarlierPartialFileSurvivesARunWithTheAnalyzerOffAndOneWithItOn) {
    const std::string leftover = "0001,1/3oct,F,+065.0\r\n0002,1/3";
    std::ofstream(app::PartialFilePath(folder / app::kMassMemoryFileName), std::ios::binary)
        << leftover;
    form->findChild<QLineEdit*>("ad2")->setText("3");
    auto* status = form->findChild<QLabel*>("status");
    for (const bool analyzerOn : {false, true}) {
        SCOPED_TRACE(analyzerOn ? "analyzer on" : "analyzer off");
        standIn.SetAnalyzerAddress(analyzerOn ? 5 : 0);
        Click("run1");
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename() != fs::path(app::kMassMemoryFileName)) {
                kept.push_back(entry.path());
            }
        }
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(FileBytes(kept[0].filename().u8string().c_str()), leftover);
        EXPECT_EQ(FileBytes(app::kMassMemoryFileName),
                  analyzerOn ? testing_support::ExpectedMassMemoryFile(1, 3) : "");
        if (!analyzerOn) {
            // Found at this run's start: said now, with its name.
            EXPECT_NE(status->toolTip().toStdString().find(app::PathText(kept[0].filename())),
                      std::string::npos)
                << status->toolTip().toStdString();
            EXPECT_TRUE(form->findChild<QLabel*>("folder")->toolTip().endsWith(
                QString::fromUtf8("（前回の途中のファイルあり）")))
                << "the folder row says so";
        }
    }
}

#ifdef TQ58_INTERFACE_KEY
// The programs whose user chooses the interface: the NI-488.2 board index, the VISA interface,
// the port of a Prologix-protocol controller. The stand-in emulates the one interface the bench
// names, or serves its controller at one port.
class ChosenInterface : public Program {
  protected:
    static constexpr std::string_view kKey = TQ58_INTERFACE_KEY;
    static constexpr bool kPort = kKey == "port";
    static std::string Choice(int board) {
        if (kPort) return "/dev/tq58-no-port-" + std::to_string(board);
        return (kKey == "board" ? "" : "GPIB") + std::to_string(board);
    }
    void TearDown() override {
        lbDef::ChooseInterface(TQ58_INTERFACE_DEFAULT);
        app::SetCurrentInterface({});
        Program::TearDown();
    }
    std::string Choose(int board) { return Choose(Choice(board)); }
    std::string Choose(const std::string& choice) {
        const app::InterfaceOption option{kKey,
                                          TQ58_INTERFACE_DEFAULT,
                                          &lbDef::ChooseInterface,
                                          &lbDef::InterfaceName,
                                          &lbDef::InterfaceNote,
                                          &lbDef::DriverStatusText};
        return app::TakeInterfaceChoice({"--" + std::string(kKey), choice}, option, {});
    }
    std::string StatusTip() { return form->findChild<QLabel*>("status")->toolTip().toStdString(); }
    std::vector<std::string> Transfers() {
        std::vector<std::string> transfers;
        for (const std::string& call : standIn.Log()) {
            for (const char* name : {"Send(", "Receive(", "viWrite(", "viRead(", "data(", "++"}) {
                if (call.rfind(name, 0) == 0) transfers.push_back(call);
            }
        }
        return transfers;
    }
};

#ifdef TQ58_PROLOGIX_SERVE
TEST_F(ChosenInterface, TheChoiceReachesTheDriverAndTheStatusLineNamesIt) {
    // The Ethernet adapter's address; the set-up chose the serial port.
    const std::string address = standIn.ServePrologix("tcp");
    ASSERT_EQ(Choose(address), "");
    Click("run1");
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), testing_support::ExpectedMassMemoryFile(1, 100));
    const std::string name = "Prologix GPIB-USB 6.107 (" + address + ")";
    EXPECT_NE(StatusTip().find("完了（" + name + "）"), std::string::npos) << StatusTip();
    EXPECT_NE(StatusTip().find("インターフェース: " + name), std::string::npos) << StatusTip();
}
#else
TEST_F(ChosenInterface, TheChoiceReachesTheDriverAndTheStatusLineNamesIt) {
    standIn.SetInterface("GPIB1");
    ASSERT_EQ(Choose(1), "");
    Click("run1");
    EXPECT_EQ(FileBytes(app::kMassMemoryFileName), testing_support::ExpectedMassMemoryFile(1, 100));
    const bool board = kKey == "board";
    EXPECT_EQ(board ? standIn.Calls("ibconfig").at(0) : standIn.Calls("viOpen").at(0),
              board ? "ibconfig(1, 3, 13)" : "viOpen(1, \"GPIB1::INTFC\", 0, 0)");
    EXPECT_NE(StatusTip().find("完了（GPIB1）"), std::string::npos) << StatusTip();
    EXPECT_NE(StatusTip().find("インターフェース: GPIB1"), std::string::npos) << StatusTip();
}
#endif

TEST_F(ChosenInterface, AnInterfaceTheDriverRefusesStopsBeforeAnyTransfer) {
    ASSERT_EQ(Choose(2), "");  // the bench has GPIB0 alone
    Click("run1");
    ASSERT_EQ(notifier.messages.size(), 1u);
    const std::string& message = notifier.messages[0];
    const std::string chosen = kPort ? Choice(2) : "GPIB2";
    EXPECT_NE(message.find("インターフェース「" + chosen + "」を開けません"), std::string::npos)
        << message;
    const char* why = kPort             ? "ポート「/dev/tq58-no-port-2」がありません"
                      : kKey == "board" ? "iberr 7 (ENEB)"
                                        : "VI_ERROR_RSRC_NFOUND";
    EXPECT_NE(message.find(why), std::string::npos) << message;
    EXPECT_EQ(message.find(kPort ? served : "GPIB0"), std::string::npos)
        << "what to check names " << chosen << ": " << message;
    EXPECT_EQ(message.find("minor 0"), std::string::npos) << message;
    EXPECT_TRUE(Transfers().empty());
    EXPECT_FALSE(fs::exists(folder / app::kMassMemoryFileName));
    EXPECT_NE(StatusTip().find("（" + chosen + "）"), std::string::npos) << StatusTip();
}
#endif

}  // namespace

int main(int argc, char** argv) {
    // The window runs off screen in tests, also when CTest lists them.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
