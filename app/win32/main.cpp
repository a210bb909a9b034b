// One of the programs for Windows: the window, over the backend this program was linked with.
#include <windows.h>

#include "app/win32/form1.h"
#ifdef TQ58_INTERFACE_KEY
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/interface_choice.h"
#include "app/program_interface_option.h"
#include "app/win32/message_box_notifier.h"
#include "app/win32/wide_text.h"
#include "platform/program_folder.h"

namespace {

// The command line after the program's name.
std::vector<std::string> GivenArguments() {
    std::vector<std::string> given;
    int count = 0;
    if (LPWSTR* values = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i) given.push_back(win32::Narrow(values[i]));
        LocalFree(values);
    }
    return given;
}

}  // namespace
#endif

#ifdef TQ58_WINDOWS_9X
#ifdef TQ58_INTERFACE_KEY
#error "the program for Windows 95, 98 and Me takes no command line"
#endif
// Windows 95, 98 and Me start a program through the ANSI entry point only.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show) {
#else
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
#endif
#ifdef TQ58_INTERFACE_KEY
    // This program's user chooses the interface; one that cannot be used starts nothing.
    const app::InterfaceOption option = app::ProgramInterfaceOption();
    if (const std::string refusal =
            app::TakeInterfaceChoice(GivenArguments(), option, platform::SettingsFile());
        !refusal.empty()) {
        const HWND noOwner = nullptr;
        MessageBoxNotifier(&noOwner).Tell(refusal);
        return 2;
    }
#endif
    Form1 form;
    if (!form.Create()) return 1;
#ifdef TQ58_INTERFACE_KEY
    form.ShowStatus(app::InterfaceStatus());
#endif
    ShowWindow(form.handle(), show);
    UpdateWindow(form.handle());
    return form.RunMessageLoop();
}
