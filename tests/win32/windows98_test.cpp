// tq58pc-rex5052-9x.exe as Windows 98 SE would run it: a copy of the shipped .exe whose imports
// are pointed at stand-ins of the system DLLs (windows98_standins.cmake), where every function
// that Windows 98 SE has only as a stub fails with ERROR_CALL_NOT_IMPLEMENTED and every function
// it lacks is absent, even to GetProcAddress. The test runs in the Japanese locale (ANSI code
// page 932), and the program starts in a folder that holds a DLL named like its driver, which it
// must not load. Its window must appear with its captions, and each of the four operations must
// reach the simulated bench and write the right files under the right names.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <set>

#include "app/csv_file.h"
#include "app/layout.h"
#include "app/outcome.h"
#include "app/vocabulary.h"
#include "tests/support/expected_files.h"
#include "tests/win32/win32_test_support.h"

namespace {

using namespace win32_test;

// Each system DLL the program imports, and its stand-in's name of the same length.
const std::pair<const char*, const char*> kStandIns[] = {
    {"KERNEL32.DLL", "KERNEL98.dll"}, {"USER32.DLL", "USER98.dll"},
    {"GDI32.DLL", "GDI98.dll"},       {"COMCTL32.DLL", "COMCTL98.dll"},
    {"SHELL32.DLL", "SHELL98.dll"},   {"ADVAPI32.DLL", "ADVAPI98.dll"},
    {"WINMM.DLL", "WNM98.dll"},       {"MSVCRT.DLL", "MSVC98.dll"}};

template <typename T>
T At(const std::string& image, size_t offset) {
    T value{};
    if (offset + sizeof value <= image.size())
        std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
}

// Points every import of a PE image at its stand-in; returns the DLLs it could not.
std::vector<std::string> RenameImports(std::string& image) {
    const auto header = At<std::uint32_t>(image, 0x3C);
    const auto sections = At<std::uint16_t>(image, header + 6);
    const auto optionalSize = At<std::uint16_t>(image, header + 20);
    const size_t optional = header + 24;
    const size_t table = optional + optionalSize;
    // RVA to file offset, through the section table.
    const auto offsetOf = [&](std::uint32_t rva) -> size_t {
        for (size_t i = 0; i < sections; ++i) {
            const size_t section = table + i * 40;
            const auto address = At<std::uint32_t>(image, section + 12);
            const auto size = At<std::uint32_t>(image, section + 16);
            if (rva >= address && rva < address + size) {
                return rva - address + At<std::uint32_t>(image, section + 20);
            }
        }
        return image.size();
    };
    const auto imports = At<std::uint32_t>(image, optional + 96 + 8);  // data directory 1
    std::vector<std::string> unknown;
    for (size_t entry = offsetOf(imports); entry + 20 <= image.size(); entry += 20) {
        const auto nameRva = At<std::uint32_t>(image, entry + 12);
        if (nameRva == 0) break;
        const size_t name = offsetOf(nameRva);
        std::string dll(image.c_str() + name);
        std::string upper = dll;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        bool renamed = false;
        for (const auto& [system, standIn] : kStandIns) {
            if (upper == system) {
                image.replace(name, dll.size(), standIn);
                renamed = true;
            }
        }
        if (!renamed) unknown.push_back(dll);
    }
    return unknown;
}

struct ProcessWindows {
    DWORD process;
    HWND main = nullptr;
    HWND dialog = nullptr;  // a message box
};

BOOL CALLBACK FindWindows(HWND window, LPARAM search) {
    auto& found = *reinterpret_cast<ProcessWindows*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != found.process || !IsWindowVisible(window)) return TRUE;
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (std::wstring(className) == L"#32770") {
        found.dialog = window;
    } else if (TextOf(window) == app::kWindowCaption) {
        found.main = window;
    }
    return TRUE;
}

BOOL CALLBACK CollectText(HWND control, LPARAM texts) {
    reinterpret_cast<std::string*>(texts)->append(TextOf(control) + " ");
    return TRUE;
}

// What the program showed and wrote, gathered while it runs and compared once it has ended: a
// failed check then reports everything at once, and never leaves the program running.
class Windows98 : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u) << "the test runs in the ja_JP locale";
        folder = fs::temp_directory_path() / "tq58-windows98";
        fs::remove_all(folder);
        fs::create_directories(folder / "start");
        std::string image = FileBytes(fs::path(TQ58_PROGRAM_DIR) / "tq58pc-rex5052-9x.exe");
        ASSERT_FALSE(image.empty());
        ASSERT_EQ(RenameImports(image), std::vector<std::string>{});
        std::ofstream(folder / "tq58pc-rex5052-9x.exe", std::ios::binary) << image;
        for (const auto& [system, standIn] : kStandIns) {
            fs::copy_file(fs::path(TQ58_WINDOWS98_STANDIN_DIR) / standIn, folder / standIn);
        }
        // Named like the driver, in the folder the program starts from: loaded, it would lack
        // the driver's functions and every operation would stop.
        fs::copy_file(folder / "WNM98.dll", folder / "start" / "gplib32.dll");
    }

    void TearDown() override { fs::remove_all(folder); }

    bool Start() {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + (folder / "tq58pc-rex5052-9x.exe").wstring() + L"\"";
        if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            (folder / "start").c_str(), &startup, &started)) {
            return false;
        }
        windows.process = started.dwProcessId;
        Within(std::chrono::seconds(60), [&] {
            EnumWindows(FindWindows, reinterpret_cast<LPARAM>(&windows));
            return windows.main != nullptr || windows.dialog != nullptr;
        });
        return true;
    }

    // Closes the window; whether the program ended.
    bool Close() {
        if (windows.dialog != nullptr) PostMessageW(windows.dialog, WM_COMMAND, IDOK, 0);
        if (windows.main != nullptr) PostMessageW(windows.main, WM_CLOSE, 0, 0);
        const bool ended = WaitForSingleObject(started.hProcess, 30000) == WAIT_OBJECT_0;
        if (!ended) TerminateProcess(started.hProcess, 1);
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
        return ended;
    }

    HWND Control(std::string_view name) { return GetDlgItem(windows.main, Form1::ControlId(name)); }

    // Clicks the button and waits for the status line to say how the operation ended; a message
    // box is read and closed, and what it says is the outcome.
    std::string Run(std::string_view button) {
        const std::string caption(app::FindControl(button)->text);
        SetText(Control("status"), "");
        PostMessageW(windows.main, WM_COMMAND, Clicked(Control(button)),
                     reinterpret_cast<LPARAM>(Control(button)));
        std::string status;
        // A message box comes after the status line: looked for until a second after it.
        const auto messageBox = [&] {
            windows.dialog = nullptr;
            EnumWindows(FindWindows, reinterpret_cast<LPARAM>(&windows));
            if (windows.dialog == nullptr) return false;
            status += "a message box: ";
            EnumChildWindows(windows.dialog, CollectText, reinterpret_cast<LPARAM>(&status));
            PostMessageW(windows.dialog, WM_COMMAND, IDOK, 0);
            windows.dialog = nullptr;
            return true;
        };
        Within(std::chrono::seconds(120), [&] {
            if (messageBox()) return true;
            const std::string shown = TextOf(Control("status"));
            if (!shown.starts_with(caption + ": ") ||
                shown == app::StatusText(caption, app::kStatusRunning)) {
                return false;
            }
            status = shown + " ";
            Within(std::chrono::seconds(1), messageBox);
            return true;
        });
        return status.empty() ? "nothing within 120 s" : status;
    }

    // Adds a line to problems when what was seen differs from what was expected.
    template <typename T>
    void Check(const std::string& what, const T& seen, const T& expected) {
        if (seen != expected) problems.push_back(what);
    }
    void CheckDone(std::string_view button) {
        const std::string outcome = Run(button);
        const std::string done = app::StatusText(app::FindControl(button)->text, app::kStatusDone);
        Check(std::string(button) + " ended with \"" + outcome + "\"", outcome, done + " ");
    }
    void CheckFile(const fs::path& file, const std::string& expected) {
        const std::string bytes = FileBytes(file);
        Check(fs::exists(file)
                  ? PathText(file) + " holds " + std::to_string(bytes.size()) + " bytes, not the " +
                        std::to_string(expected.size()) + " expected"
                  : PathText(file) + " is missing",
              bytes, expected);
    }
    static std::string PathText(const fs::path& path) {
        const auto text = path.filename().u8string();
        return std::string(text.begin(), text.end());
    }

    fs::path folder;
    PROCESS_INFORMATION started{};
    ProcessWindows windows{};
    std::vector<std::string> problems;
};

TEST_F(Windows98, TheWindowAppearsWithItsJapaneseCaptionsAndEachOperationReachesTheBench) {
    ASSERT_TRUE(Start()) << "cannot start the program: error " << GetLastError();
    if (windows.dialog != nullptr) {
        std::string text = "a message box instead of the window: ";
        EnumChildWindows(windows.dialog, CollectText, reinterpret_cast<LPARAM>(&text));
        problems.push_back(text);
    } else if (windows.main == nullptr) {
        problems.push_back("no window titled " + std::string(app::kWindowCaption));
    } else {
        for (const auto& layout : app::WindowLayout()) {
            if (layout.kind == app::ControlKind::TextBox) continue;
            if (layout.kind == app::ControlKind::Label && layout.text.empty()) continue;
            const std::string shown = TextOf(Control(layout.name));
            Check(std::string(layout.name) + " shows \"" + shown + "\"", shown,
                  std::string(layout.text));
        }

        CheckDone("run0");
        Check("時定数 shows " + TextOf(Control("時定数")), TextOf(Control("時定数")),
              std::string("0.125s"));
        Check("範囲 shows " + TextOf(Control("範囲")), TextOf(Control("範囲")),
              std::string("6.3～5KHz"));
        Check("マスデータ shows " + TextOf(Control("マスデータ")), TextOf(Control("マスデータ")),
              std::string("+065.0,+061.2,+063.4"));

        CheckDone("run1");
        CheckFile(folder / app::kMassMemoryFileName,
                  testing_support::ExpectedMassMemoryFile(1, 100));
        CheckDone("run2");
        CheckFile(folder / app::kSecondaryProcessingFileName,
                  testing_support::ExpectedSecondaryProcessingFile(1, 100));

        // The erase reaches the analyzer: the next download finds the records erased.
        CheckDone("run3");
        CheckDone("run1");
        sim::Analyzer erased;
        erased.Write(app::command::Erase(1, 100) + "\r\n");
        std::string expected;
        for (int address = 1; address <= 100; ++address) {
            char field[8];
            std::snprintf(field, sizeof field, "%04d", address);
            expected += std::string(field) + ",1/3oct,F," + erased.Record(address) + "\r\n";
        }
        CheckFile(folder / app::kMassMemoryFileName, expected);
    }
    if (!Close()) problems.push_back("the program did not end when its window was closed");

    // The files have exactly their names, and no other file was left beside the program.
    std::set<std::string> csv;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == L".csv") csv.insert(PathText(entry.path()));
    }
    const std::set<std::string> names{PathText(app::kMassMemoryFileName),
                                      PathText(app::kSecondaryProcessingFileName)};
    if (csv != names) {
        std::string found = "the CSV files beside the program are:";
        for (const auto& name : csv) found += " " + name;
        problems.push_back(found);
    }
    EXPECT_EQ(problems, std::vector<std::string>{});
}

}  // namespace
