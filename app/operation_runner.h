// Runs the operation of a clicked button to its end, one at a time, and turns everything
// that stops an operation early into a message instead of a crash.
#pragma once

#include <filesystem>
#include <string>

#include "app/operation_context.h"
#include "app/window.h"

namespace app {

enum class OperationKind {
    InstantaneousReadout,         // run0
    MassMemoryDownload,           // run1
    SecondaryProcessingDownload,  // run2
    MassMemoryErase,              // run3
};

// The button's caption, which names the operation in the status line.
std::string OperationName(OperationKind kind);

// Why the window's settings refuse an operation before anything is opened; empty if they
// don't.
std::string SettingsRefusal(OperationKind kind, const Window& window);

class OperationRunner {
  public:
    // outputFolder: where the downloads write their files (the program's folder).
    OperationRunner(Window& window, Notifier& notifier, std::filesystem::path outputFolder)
        : window_(window), notifier_(notifier), outputFolder_(std::move(outputFolder)) {}

    // A click while an operation runs is refused.
    void Run(OperationKind kind);
    bool running() const { return running_; }

  private:
    // How an operation ended: the status word, what the user is told (or empty), whether it
    // ran to its end.
    struct Ending {
        Ending(std::string wordText, std::string messageText, bool ran, bool tell)
            : word(std::move(wordText)),
              message(std::move(messageText)),
              ranToEnd(ran),
              tellUser(tell) {}
        std::string word;
        std::string message;
        bool ranToEnd = false;
        bool tellUser = false;
        std::string fileError;  // the download's own file failed
    };
    Ending RunToEnding(OperationKind kind, OperationContext& operation);
    // Replaces the earlier file or keeps it; adds to message what the user must know of it.
    bool FinishFile(OperationContext& operation, const Ending& ending, std::string& message);

    Window& window_;
    Notifier& notifier_;
    std::filesystem::path outputFolder_;
    bool running_ = false;
};

}  // namespace app
