#include "app/win32/message_wait.h"

#include <windows.h>

namespace win32 {

// MsgWaitForMultipleObjectsEx came with Windows 98 and NT 4.0: it is looked up, so that the
// program also starts where it is missing (Windows 95). There MsgWaitForMultipleObjects waits
// the same way, as the queue has just been emptied: it wakes for any message that arrives after
// that, which is all that MWMO_INPUTAVAILABLE adds for a thread that has looked at its queue.
void WaitForMessage(std::uint32_t ms) {
    using WaitFunction = DWORD(WINAPI*)(DWORD, const HANDLE*, DWORD, DWORD, DWORD);
    static const auto waitEx = reinterpret_cast<WaitFunction>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "MsgWaitForMultipleObjectsEx")));
    if (waitEx != nullptr) {
        waitEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    } else {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    }
}

}  // namespace win32
