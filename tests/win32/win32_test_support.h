// What the Win32 window's tests share: a hidden window over the simulated bench, clicks, and a
// timer that acts while an operation runs.
#pragma once

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "app/win32/form1.h"
#include "app/win32/wide_text.h"
#include "tests/app/fake_window.h"
#include "tests/support/standin_control.h"

namespace win32_test {

namespace fs = std::filesystem;

// What a click on a button tells its window. (BM_CLICK needs the window active and visible,
// which a hidden test window is not.)
inline WPARAM Clicked(HWND button) {
    return MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(button)), BN_CLICKED);
}
inline void Click(HWND button) {
    SendMessageW(GetParent(button), WM_COMMAND, Clicked(button), reinterpret_cast<LPARAM>(button));
}
inline void PostClick(HWND button) {
    PostMessageW(GetParent(button), WM_COMMAND, Clicked(button), reinterpret_cast<LPARAM>(button));
}

inline void SetText(HWND box, const std::string& text) {
    SetWindowTextW(box, win32::Widen(text).c_str());
}

inline std::string TextOf(HWND control) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    return win32::Narrow(text);
}

inline std::string FileBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// A destroyed window leaves the quit message for its program's message loop; a test that
// makes another window must not let it stop that window's first operation.
inline void DropQuitMessage() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

// Runs action once, ms milliseconds from now, from inside the message loop of whatever
// operation is running then.
inline std::function<void()>& PendingAction() {
    static std::function<void()> pending;
    return pending;
}

// A timer procedure is stdcall on 32-bit Windows, which a lambda cannot be.
inline void CALLBACK RunPendingAction(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (PendingAction()) std::exchange(PendingAction(), nullptr)();
}

inline void After(UINT ms, std::function<void()> action) {
    PendingAction() = std::move(action);
    SetTimer(nullptr, 0, ms, RunPendingAction);
}

// Polls condition every 100 ms until it holds or limit has passed; whether it held.
template <typename Condition>
bool Within(std::chrono::seconds limit, Condition condition) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(100);
    }
    return true;
}

// The position of a control in its window's client area.
inline RECT PlaceOf(HWND control) {
    RECT place;
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

}  // namespace win32_test
