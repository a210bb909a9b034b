#include "platform/timer_resolution.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, whose types it uses
#include <mmsystem.h>
#endif

namespace platform {

#ifdef _WIN32
namespace {

// Windows 11 stops honouring a process's timer resolution while its window is minimised or
// hidden, unless the process opts out through SetProcessInformation's power throttling state.
// That function exists from Windows 8 on, so it is looked up, never imported; the constants are
// those of the documented PROCESS_POWER_THROTTLING_STATE.
void KeepTimerResolutionWhenHidden() {
    struct PowerThrottlingState {
        ULONG Version;
        ULONG ControlMask;
        ULONG StateMask;
    };
    constexpr int kProcessPowerThrottling = 4;  // PROCESS_INFORMATION_CLASS
    constexpr ULONG kCurrentVersion = 1;
    constexpr ULONG kIgnoreTimerResolution = 0x4;
    using SetProcessInformationFunction = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

    static const bool done = [] {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        const auto set = reinterpret_cast<SetProcessInformationFunction>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "SetProcessInformation")));
        if (set != nullptr) {
            // Control the flag and leave it clear: timer requests are honoured when hidden.
            PowerThrottlingState state{kCurrentVersion, kIgnoreTimerResolution, 0};
            set(GetCurrentProcess(), kProcessPowerThrottling, &state, sizeof state);
        }
        return true;
    }();
    (void)done;
}

}  // namespace

// timeBeginPeriod (winmm, Windows 2000 and later) makes the system timer tick every 1 ms, and
// with it every time-out of the wait functions, MsgWaitForMultipleObjectsEx included. Without it
// a sleep of a few milliseconds ends only at the next 15.6 ms tick. It is held only while an
// operation runs, since a fast timer costs the whole system power.
FineTimerResolution::FineTimerResolution() {
    KeepTimerResolutionWhenHidden();
    raised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

FineTimerResolution::~FineTimerResolution() {
    if (raised_) timeEndPeriod(1);
}
#else
FineTimerResolution::FineTimerResolution() = default;
FineTimerResolution::~FineTimerResolution() = default;
#endif

}  // namespace platform
