// One Windows program, through its Win32 window, backend and stand-in DLL: the downloads write
// the same bytes as the Linux programs do from the simulated analyzer. The last test starts the
// program's own .exe, as it ships, and clicks it like a user.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

#include "app/csv_file.h"
#include "app/interface_choice.h"
#include "app/layout.h"
#include "app/numeric_value.h"
#include "app/utf8_text.h"
#include "platform/file_system.h"
#include "session/chosen_interface.h"
#include "session/wait.h"
#include "tests/support/expected_files.h"
#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;

#ifdef TQ58_PROLOGIX_SERVE
// Where the controller is: the simulated one this process serves, or the port TQ58_PROLOGIX_PORT
// names (COM9, which Wine maps onto the pseudo-terminal of a simulator process of its own).
std::string ControllerPort(testing_support::StandIn& standIn) {
    if (const char* port = std::getenv("TQ58_PROLOGIX_PORT"); port != nullptr && *port != '\0') {
        return port;
    }
    return standIn.ServePrologix(TQ58_PROLOGIX_SERVE);
}

// How the status line names that controller: the simulated one this process serves is a
// Prologix GPIB-USB; a simulator of its own says what it is in TQ58_PROLOGIX_NAME.
std::string ControllerName() {
    const char* name = std::getenv("TQ58_PROLOGIX_NAME");
    return name != nullptr && *name != '\0' ? name : "Prologix GPIB-USB 6.107";
}
#endif

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
#ifdef TQ58_PROLOGIX_SERVE
        // The controller is reached through a port, not a driver: the program is pointed at
        // the simulated one.
        where = ControllerPort(standIn);
        ASSERT_FALSE(where.empty());
        ASSERT_EQ(lbDef::ChooseInterface(where), "");
#endif
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
    std::string where;  // the simulated Prologix controller's port
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

// A partial file that a crashed run left is never written over: it survives a run with the
// analyzer off and one with it on, under the time it was written, and the status line says so
// and, in its tooltip, where.
TEST_F(Win32Program, AnEarlierPartialFileSurvivesARunWithTheAnalyzerOffAndOneWithItOn) {
    const std::string leftover = "0001,1/3oct,F,+065.0\r\n0002,1/3";
    std::ofstream(app::PartialFilePath(folder / app::kMassMemoryFileName), std::ios::binary)
        << leftover;
    SetText(form->Control("ad2"), "3");
    for (const bool analyzerOn : {false, true}) {
        SCOPED_TRACE(analyzerOn ? "analyzer on" : "analyzer off");
        standIn.SetAnalyzerAddress(analyzerOn ? 5 : 0);
        Click(form->Control("run1"));
        std::vector<fs::path> kept;
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().filename() != fs::path(app::kMassMemoryFileName)) {
                kept.push_back(entry.path());
            }
        }
        ASSERT_EQ(kept.size(), 1u);
        EXPECT_EQ(FileBytes(kept[0]), leftover);
        EXPECT_EQ(FileBytes(folder / app::kMassMemoryFileName),
                  analyzerOn ? testing_support::ExpectedMassMemoryFile(1, 3) : "");
        if (!analyzerOn) {
            EXPECT_TRUE(TextOf(form->Control("folder")).ends_with("（前回の途中のファイルあり）"))
                << TextOf(form->Control("folder"));
            EXPECT_NE(form->StatusDetails().find(app::PathText(kept[0].filename())),
                      std::string::npos)
                << form->StatusDetails();
        }
    }
}

struct ProgramWindowSearch {
    DWORD process;
    HWND window;
};

// A window enumeration procedure is stdcall on 32-bit Windows.
BOOL CALLBACK FindProgramWindow(HWND window, LPARAM search) {
    auto& found = *reinterpret_cast<ProgramWindowSearch*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found.process || TextOf(window) != app::kWindowCaption) return TRUE;
    found.window = window;
    return FALSE;
}

BOOL CALLBACK FindButton(HWND control, LPARAM search) {
    auto& found = *reinterpret_cast<std::pair<std::string, HWND>*>(search);
    if (TextOf(control) != found.first) return TRUE;
    found.second = control;
    return FALSE;
}

// The program's own .exe, copied into a folder of its own and started there, with its window and
// its run1 button once they are made.
struct ShippedProgram {
    explicit ShippedProgram(const fs::path& folder) {
        const fs::path program = folder / (TQ58_PROGRAM ".exe");
        fs::copy_file(fs::path(TQ58_PROGRAM_DIR) / (TQ58_PROGRAM ".exe"), program);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + program.wstring() + L"\"";
        started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 folder.c_str(), &startup, &process);
        if (!started) return;
        // The window is found first, its controls once they are made.
        ProgramWindowSearch search{process.dwProcessId, nullptr};
        std::pair<std::string, HWND> button{app::FindControl("run1")->text, nullptr};
        Within(std::chrono::seconds(30), [&] {
            if (search.window == nullptr) {
                EnumWindows(FindProgramWindow, reinterpret_cast<LPARAM>(&search));
            }
            if (search.window != nullptr) {
                EnumChildWindows(search.window, FindButton, reinterpret_cast<LPARAM>(&button));
            }
            return button.second != nullptr;
        });
        window = search.window;
        run1 = button.second;
    }
    // Closes the window and waits for the program to end; whether it ended by itself.
    bool Close() {
        if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
        const bool ended = WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0;
        GetExitCodeProcess(process.hProcess, &exitCode);
        if (!ended) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return ended;
    }

    bool started = false;
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
    HWND run1 = nullptr;
    DWORD exitCode = 0;
};

// The .exe finds the stand-in driver on PATH, as it would find the board's driver, never beside
// itself. The file is read again once the program has ended, so a download that goes on writing
// is caught.
TEST(ShippedProgram, DownloadsTheMassMemoryThroughItsWindowAndEndsWhenClosed) {
    const fs::path folder = fs::temp_directory_path() / ("tq58-shipped-" TQ58_PROGRAM);
    fs::remove_all(folder);
    fs::create_directories(folder);
#ifdef TQ58_PROLOGIX_SERVE
    // The controller is served from this process; the program is told its port in the settings
    // file beside it, as a user would tell it.
    testing_support::StandIn standIn{TQ58_DRIVER_LIBRARY};
    standIn.Reset();
    const std::string where = ControllerPort(standIn);
    ASSERT_FALSE(where.empty());
    std::ofstream(folder / "settings.ini", std::ios::binary)
        << "[tq58pc]\r\n"
        << TQ58_INTERFACE_KEY << " = " << where << "\r\n";
#endif
    ShippedProgram program(folder);
    ASSERT_TRUE(program.started) << "cannot start " TQ58_PROGRAM ": error " << GetLastError();

    const fs::path file = folder / app::kMassMemoryFileName;
    const std::string expected = testing_support::ExpectedMassMemoryFile(1, 100);
    if (program.run1 != nullptr) {
        PostMessageW(program.window, WM_COMMAND, Clicked(program.run1),
                     reinterpret_cast<LPARAM>(program.run1));
        Within(std::chrono::seconds(60), [&] { return FileBytes(file) == expected; });
    }
    const bool ended = program.Close();

    ASSERT_NE(program.window, nullptr) << TQ58_PROGRAM ".exe showed no window";
    ASSERT_NE(program.run1, nullptr) << "no button run1";
    EXPECT_EQ(FileBytes(file), expected);
    EXPECT_TRUE(ended) << TQ58_PROGRAM ".exe did not end when its window was closed";
    EXPECT_EQ(program.exitCode, 0u);
    fs::remove_all(folder);
}

#ifdef TQ58_TWO_PROCESSES
// The message box a program shows: its text, once it is up.
struct MessageBoxSearch {
    DWORD process;
    HWND box;
    std::string text;
};

BOOL CALLBACK FindMessageText(HWND control, LPARAM search) {
    auto& found = *reinterpret_cast<MessageBoxSearch*>(search);
    wchar_t kind[32] = {};
    GetClassNameW(control, kind, 32);
    if (std::wstring(kind) == L"Static" && TextOf(control).size() > found.text.size()) {
        found.text = TextOf(control);
    }
    return TRUE;
}

BOOL CALLBACK FindMessageBox(HWND window, LPARAM search) {
    auto& found = *reinterpret_cast<MessageBoxSearch*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t kind[32] = {};
    GetClassNameW(window, kind, 32);
    if (process != found.process || std::wstring(kind) != L"#32770") return TRUE;
    found.box = window;
    EnumChildWindows(window, FindMessageText, search);
    return FALSE;
}

// Two processes downloading into one folder: this one writes the partial file as a running
// download does, and the program started into the same folder refuses its own download before
// anything is sent, naming this writer.
TEST(ShippedProgram, RefusesADownloadIntoAFileAnotherProcessWrites) {
    const fs::path folder = fs::temp_directory_path() / ("tq58-two-processes-" TQ58_PROGRAM);
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path partial = app::PartialFilePath(folder / app::kMassMemoryFileName);
    platform::FileHandle held;
    ASSERT_TRUE(platform::SystemFileSystem().CreateExclusive(partial, "tq58pc-contec", held).ok());
    ASSERT_TRUE(platform::SystemFileSystem().Write(held, "0001,1/3oct,F,+065.0\r\n").ok());

    ShippedProgram program(folder);
    ASSERT_TRUE(program.started) << "cannot start " TQ58_PROGRAM ": error " << GetLastError();
    MessageBoxSearch message{program.process.dwProcessId, nullptr, {}};
    if (program.run1 != nullptr) {
        PostMessageW(program.window, WM_COMMAND, Clicked(program.run1),
                     reinterpret_cast<LPARAM>(program.run1));
        Within(std::chrono::seconds(60), [&] {
            EnumWindows(FindMessageBox, reinterpret_cast<LPARAM>(&message));
            return !message.text.empty();
        });
    }
    if (message.box != nullptr) PostMessageW(message.box, WM_COMMAND, IDOK, 0);
    const bool ended = program.Close();
    platform::SystemFileSystem().Close(held);

    ASSERT_NE(program.run1, nullptr) << TQ58_PROGRAM ".exe showed no window";
    EXPECT_NE(message.text.find("「tq58pc-contec」が取り込み中"), std::string::npos)
        << message.text;
    EXPECT_EQ(FileBytes(partial), "0001,1/3oct,F,+065.0\r\n") << "the writer's file is untouched";
    EXPECT_FALSE(fs::exists(folder / app::kMassMemoryFileName));
    EXPECT_TRUE(ended);
    fs::remove_all(folder);
}
#endif

#ifdef TQ58_INTERFACE_KEY
// The programs whose user chooses the interface, here in the settings file as Notepad writes it
// beside the program. The status line names the interface, or the controller found at the port.
TEST_F(Win32Program, TheInterfaceFromTheSettingsFileReachesTheDriverAndTheStatusLineNamesIt) {
    constexpr std::string_view key = TQ58_INTERFACE_KEY;
#ifdef TQ58_PROLOGIX_SERVE
    const std::string choice = where;
    const std::string shown = ControllerName() + " (" + where + ")";
#else
    standIn.SetInterface("GPIB1");
    const std::string choice = key == "board" ? "1" : "GPIB1";
    const std::string shown = "GPIB1";
#endif
    ASSERT_EQ(lbDef::ChooseInterface(TQ58_INTERFACE_DEFAULT), "");  // the file's choice counts
    const fs::path settings = folder / "settings.ini";
    std::ofstream(settings, std::ios::binary) << "\xEF\xBB\xBF[tq58pc]\r\n"
                                              << key << " = " << choice << "\r\n";
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
    EXPECT_EQ(TextOf(form->Control("status")), "マスメモリデータ取込: 完了（" + shown + "）");
}
#endif

}  // namespace
