// Runs the operation of a clicked button to its end, one at a time, and turns everything
// that stops an operation early into a message instead of a crash.
#pragma once

#include <filesystem>
#include <string>

#include "app/operation_context.h"
#include "app/window.h"
#include "platform/file_system.h"

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
    // outputFolder: where the downloads write their files (the program's folder); files: the
    // file system calls they make.
    OperationRunner(Window& window, Notifier& notifier, std::filesystem::path outputFolder,
                    platform::FileSystem& files = platform::SystemFileSystem())
        : window_(window),
          notifier_(notifier),
          outputFolder_(std::move(outputFolder)),
          files_(files) {}

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
    // Puts the download's file in place, keeps it or removes it, and says so in the status and
    // in message, where the user must be told.
    void FinishFile(OperationContext& operation, const std::string& name, const Ending& ending,
                    Status& status, std::string& message);

    Window& window_;
    Notifier& notifier_;
    std::filesystem::path outputFolder_;
    platform::FileSystem& files_;
    bool running_ = false;
};

}  // namespace app
