// Drives a Windows program's window through a mass memory download against whatever driver the
// search path offers (the screenshot script offers the simulated bench), then keeps the window
// shown until the script has taken its picture and closes it. Built for the scripts only, never
// shipped: the programs themselves take no such command line.
//   <program>-drive.exe FOLDER SECONDS
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/win32/form1.h"
#include "app/win32/wide_text.h"

namespace {

class PrintingNotifier : public app::Notifier {
  public:
    void Tell(const std::string& message) override {
        std::fprintf(stderr, "%s\n", message.c_str());
    }
};

constexpr UINT_PTR kCloseTimer = 1;

void CALLBACK CloseWindow(HWND window, UINT, UINT_PTR id, DWORD) {
    KillTimer(window, id);
    PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count);
    if (values == nullptr || count != 3) {
        std::fprintf(stderr, "usage: <program>-drive.exe FOLDER SECONDS\n");
        return 2;
    }
    const std::filesystem::path folder = values[1];
    const UINT seconds = static_cast<UINT>(_wtoi(values[2]));
    LocalFree(values);
    CreateDirectoryW(folder.c_str(), nullptr);

    PrintingNotifier notifier;
    Form1 form(&notifier, folder);
    if (!form.Create()) return 1;
    ShowWindow(form.handle(), SW_SHOWNORMAL);
    UpdateWindow(form.handle());
    // The click runs the download to its end before it returns, as a user's click does.
    const HWND run1 = form.Control("run1");
    SendMessageW(form.handle(), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(run1)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(run1));
    wchar_t status[512] = {};
    GetWindowTextW(form.Control("status"), status, 512);
    std::printf("Status: %s\n", win32::Narrow(status).c_str());
    std::fflush(stdout);
    SetTimer(form.handle(), kCloseTimer, seconds * 1000, CloseWindow);
    return form.RunMessageLoop();
}
