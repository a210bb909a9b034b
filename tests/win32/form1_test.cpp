// The Win32 window under Wine: its layout from the shared table, and each button, refusal and
// close as a user meets them.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h, whose types it uses
#include <commctrl.h>

#include "app/csv_file.h"
#include "app/layout.h"
#include "app/outcome.h"
#include "session/session_state.h"
#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;

class Win32Form1 : public ::testing::Test {
  protected:
    void SetUp() override {
        standIn.Reset();
        lb::sessionState = lb::SessionState{};
        // One folder per test and window: the window's two builds run at the same time.
        folder = fs::temp_directory_path() /
                 ("tq58-win32-" TQ58_DRIVER_LIBRARY "-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        form = std::make_unique<Form1>(&notifier, folder);
        ASSERT_TRUE(form->Create());
    }
    void TearDown() override {
        form.reset();
        DropQuitMessage();
        fs::remove_all(folder);
    }

    HWND C(const char* name) { return form->Control(name); }
    bool SessionClosedLast() {
        const auto names = standIn.CallNames();
        return !names.empty() && names.back() == "gp_lcl" && !lb::sessionState.cardOpen;
    }

    testing_support::StandIn standIn{TQ58_DRIVER_LIBRARY};
    testing_support::RecordingNotifier notifier;
    fs::path folder;
    std::unique_ptr<Form1> form;
};

TEST_F(Win32Form1, EveryControlStandsWhereTheLayoutSaysWithItsText) {
    EXPECT_EQ(TextOf(form->handle()), "TQ58→PC(GPIB)");
    RECT client;
    GetClientRect(form->handle(), &client);
    EXPECT_EQ(client.right, 615);
    EXPECT_EQ(client.bottom, 319 + Form1::kStatusLineHeight);
    for (const auto& layout : app::WindowLayout()) {
        HWND control = C(std::string(layout.name).c_str());
        ASSERT_NE(control, nullptr) << layout.name;
        int left = layout.left / 15;
        int top = layout.top / 15;
        if (!layout.container.empty()) {
            left += app::FindControl(layout.container)->left / 15;
            top += app::FindControl(layout.container)->top / 15;
        }
        const RECT place = PlaceOf(control);
        EXPECT_EQ(place.left, left) << layout.name;
        EXPECT_EQ(place.top, top) << layout.name;
        EXPECT_EQ(place.right - place.left, layout.width / 15) << layout.name;
        EXPECT_EQ(place.bottom - place.top, layout.height / 15) << layout.name;
        if (layout.kind != app::ControlKind::OptionButton) {
            EXPECT_EQ(TextOf(control), std::string(layout.text)) << layout.name;
        } else {
            EXPECT_EQ(form->Selected(layout.name), layout.selected) << layout.name;
        }
    }
    EXPECT_EQ(form->Text("GPIBadress"), "5");
    EXPECT_EQ(form->Text("ad2"), "100");
}

TEST_F(Win32Form1, TabFollowsTheTabIndexes) {
    const char* expected[] = {"run1", "GPIBadress", "run3", "ad1",  "ad2",
                              "run2", "run0",       "wait", "oct1", "A"};
    HWND control = C("run1");
    for (size_t i = 1; i < std::size(expected); ++i) {
        control = GetNextDlgTabItem(form->handle(), control, FALSE);
        EXPECT_EQ(control, C(expected[i])) << "after " << expected[i - 1];
    }
}

TEST_F(Win32Form1, TheOptionGroupsAreIndependent) {
    Click(C("Lcom"));
    Click(C("oct1"));
    EXPECT_TRUE(form->Selected("Lcom"));
    EXPECT_FALSE(form->Selected("F"));
    EXPECT_TRUE(form->Selected("oct1"));
    EXPECT_FALSE(form->Selected("oct3"));
}

TEST_F(Win32Form1, Run0ShowsTheAnalyzersSettings) {
    Click(C("run0"));
    EXPECT_EQ(TextOf(C("時定数")), "0.125s");
    EXPECT_EQ(TextOf(C("範囲")), "6.3～5KHz");
    EXPECT_EQ(TextOf(C("octoct")), "1/3oct");
    EXPECT_EQ(TextOf(C("補正")), "F");
    EXPECT_EQ(TextOf(C("マスデータ")), "+065.0,+061.2,+063.4");
    EXPECT_EQ(TextOf(C("status")), "瞬時値取込: 完了");
    EXPECT_TRUE(SessionClosedLast());
}

TEST_F(Win32Form1, Run1WritesTheJapaneseNamedFileInTheFolder) {
    SetText(C("wait"), "0");
    SetText(C("ad2"), "2");
    Click(C("Lvz"));
    Click(C("run1"));
    EXPECT_EQ(FileBytes(folder / app::kMassMemoryFileName),
              "0001,1/3oct,Lv-z," + standIn.Record(1) + "\r\n0002,1/3oct,Lv-z," +
                  standIn.Record(2) + "\r\n");
    EXPECT_EQ(TextOf(C("アドレス")), "0002");
}

TEST_F(Win32Form1, ASecondClickWhileAnOperationRunsIsRefused) {
    SetText(C("ad2"), "5");
    After(40, [this] { PostClick(C("run3")); });
    Click(C("run1"));
    const std::string file = FileBytes(folder / app::kMassMemoryFileName);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 5);
    EXPECT_EQ(standIn.Calls("gp_cardinfo").size(), 1u);
    for (const auto& call : standIn.Calls("gp_tfrout")) {
        EXPECT_EQ(call.find("[43 4C 52"), std::string::npos) << "CLR0 must not be sent";
    }
    const auto shownFolder = folder.u8string();
    EXPECT_EQ(TextOf(C("status")), "マスメモリデータ取込: 完了");
    EXPECT_EQ(TextOf(C("folder")),
              "保存先: " + std::string(shownFolder.begin(), shownFolder.end()));
}

// Every outcome's sentence fits the status line at the window's width, with the longest
// operation name and counts; the details are in the tooltip, the folder on the line below.
TEST_F(Win32Form1, EveryStatusSentenceFitsTheWindowAndAFailedOpenSaysWhatToCheck) {
    HWND status = C("status");
    RECT box;
    GetClientRect(status, &box);
    HDC dc = GetDC(status);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(status, WM_GETFONT, 0, 0)));
    const std::string name = app::OperationName(app::OperationKind::MassMemoryDownload);
    app::Tally many;
    for (int i = 0; i < 99999; ++i) many.Note(13000);
    std::vector<std::string> words(app::StatusWords().begin(), app::StatusWords().end());
    words.push_back(many.Word());
    for (const auto& word : words) {
        const std::wstring sentence = win32::Widen(app::StatusText(name, word));
        SIZE extent;
        GetTextExtentPoint32W(dc, sentence.c_str(), static_cast<int>(sentence.size()), &extent);
        EXPECT_LE(extent.cx, box.right) << app::StatusText(name, word);
    }
    SelectObject(dc, old);
    ReleaseDC(status, dc);

    standIn.FailCall("gp_init", 1, 4);
    Click(C("run0"));
    EXPECT_EQ(TextOf(C("status")), "瞬時値取込: 中止（ボードを開けません）");
    EXPECT_NE(form->StatusDetails().find(app::BoardNotOpenedHint(TQ58_DRIVER_LIBRARY)),
              std::string::npos);
    EXPECT_EQ(notifier.messages.size(), 1u);
}

TEST_F(Win32Form1, ClosingDuringADownloadStopsItKeepsTheLinesAndClosesTheSession) {
    // The close comes once the first record is written, as the progress bar shows, however long
    // the emulated process takes to get there.
    HWND window = form->handle();
    HWND progress = C("progress");
    std::function<void()> closeAfterTheFirstRecord = [&] {
        if (SendMessageW(progress, PBM_GETPOS, 0, 0) >= 1) {
            PostMessageW(window, WM_CLOSE, 0, 0);
        } else {
            After(20, closeAfterTheFirstRecord);
        }
    };
    After(20, closeAfterTheFirstRecord);
    Click(C("run1"));
    EXPECT_FALSE(IsWindow(window)) << "the window closes once the operation has stopped";
    const std::string file = FileBytes(folder / app::kMassMemoryFileName);
    const auto lines = std::count(file.begin(), file.end(), '\n');
    EXPECT_GE(lines, 1);
    EXPECT_LT(lines, 100);
    EXPECT_EQ(file.substr(0, 5), "0001,");
    EXPECT_TRUE(SessionClosedLast());
    EXPECT_TRUE(notifier.messages.empty());
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends";
}

TEST_F(Win32Form1, EachRefusalSaysWhy) {
    SetText(C("GPIBadress"), "40000");
    Click(C("run0"));
    SetText(C("GPIBadress"), "5");
    SetText(C("wait"), "1e10");
    Click(C("run1"));
    ASSERT_EQ(notifier.messages.size(), 2u);
    EXPECT_NE(notifier.messages[0].find("「GPIBadress」"), std::string::npos);
    EXPECT_NE(notifier.messages[1].find("「wait」"), std::string::npos);
    EXPECT_TRUE(standIn.Log().empty());
    EXPECT_FALSE(fs::exists(folder / app::kMassMemoryFileName));
}

}  // namespace
