// The program's one window on plain Win32 controls, built from the same layout table as the Qt
// window, for the Windows programs (the boards' 32-bit drivers need a 32-bit program, which
// Qt 6 does not build for).
#pragma once

#include <windows.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "app/operation_runner.h"
#include "app/win32/wide_text.h"
#include "app/window.h"

class Form1 : public app::Window {
  public:
    // notifier: where messages to the user go (a message box when none is given);
    // outputFolder: where the downloads write (the program's folder when empty).
    explicit Form1(app::Notifier* notifier = nullptr, std::filesystem::path outputFolder = {});
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // Creates the window and its controls, hidden; false when Windows refuses.
    bool Create();
    HWND handle() const { return window_; }
    // A control by its name in the layout table; the status line's are "progress", "status" and
    // "folder".
    HWND Control(std::string_view name) const;
    // The identifier of a control named as for Control(), for GetDlgItem; 0 for no such name.
    static int ControlId(std::string_view name);

    // Runs the message loop until the window is closed; returns the quit code.
    int RunMessageLoop();

    // app::Window
    std::string Text(std::string_view textBox) const override;
    bool Selected(std::string_view optionButton) const override;
    void SetCaption(std::string_view label, const std::string& caption) override;
    void ShowProgress(int done, int total) override;
    void ShowStatus(const app::Status& status) override;
    // The status line's tooltip: the details of the latest outcome.
    std::string StatusDetails() const { return statusTip_; }
    bool StopRequested() const override { return stopRequested_; }

    bool OperationRunning() const { return runner_.running(); }

    // Two rows: the progress bar and the outcome, then the folder of the latest download.
    static constexpr int kStatusLineHeight = 44;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void BuildControls();
    void BuildStatusLine();
    void OnCommand(int id, HWND control);
    void RunOperation(app::OperationKind kind);
    void SelectOption(HWND button);
    void InstallEventStep();
    // Dispatches every pending message; false once the program is asked to quit.
    bool PumpPendingMessages();

    struct ControlEntry {
        HWND handle;
        std::string container;
        bool optionButton;
    };

    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    HWND tooltip_ = nullptr;
    std::string statusTip_;
    win32::SystemString tipText_;  // the tooltip keeps a pointer to it
    std::filesystem::path folder_;
    std::map<std::string, ControlEntry, std::less<>> controls_;
    std::map<int, std::string> namesById_;
    std::unique_ptr<app::Notifier> ownNotifier_;
    app::OperationRunner runner_;
    bool stopRequested_ = false;
};
