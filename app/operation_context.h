// What one operation uses: its settings as read from the window, the paced session calls,
// and the tally of failed exchanges that the status line reports.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/csv_file.h"
#include "app/outcome.h"
#include "app/window.h"

namespace app {

// Why an operation ended before its last step.
enum class StopReason {
    Setting,         // a setting stopped fitting its type while the operation ran
    WindowClosed,    // the user closed the window
    BoardNotOpened,  // the open failed: nothing was sent
    NoAnswer,        // the analyzer answered nothing at all: its first transfer timed out
    BoardLost,       // the link to the board went away (a USB or LAN adapter)
};

class OperationStopped : public std::runtime_error {
  public:
    OperationStopped(const std::string& message, StopReason reason)
        : std::runtime_error(message), reason_(reason) {}
    StopReason reason() const { return reason_; }
    bool byClose() const { return reason_ == StopReason::WindowClosed; }

  private:
    StopReason reason_;
};

// The message for a setting whose value lies outside lowest..highest.
std::string OutOfRangeMessage(std::string_view control, std::string_view text, double lowest,
                              double highest);

inline constexpr double kInt16Lowest = -32768;
inline constexpr double kInt16Highest = 32767;
inline constexpr double kInt32Lowest = -2147483648.0;
inline constexpr double kInt32Highest = 2147483647.0;

// What became of a download's file at the end.
struct FileEnd {
    enum class Kind {
        None,       // the operation has no file
        InPlace,    // the new file is the target now
        Kept,       // received data kept beside the target, which stays as it was
        Discarded,  // nothing received worth keeping: the target stays as it was, or absent
    };
    Kind kind = Kind::None;
    std::filesystem::path keptAt;  // Kept: where the data is
    std::string problem;           // Kept because the replace failed: why, naming the file
};

class OperationContext {
  public:
    OperationContext(Window& window, platform::FileSystem& files)
        : window_(window), files_(files) {}

    Window& window() { return window_; }
    Tally& tally() { return tally_; }

    // Settings read at the moment of use; one that no longer fits stops the operation.
    std::int16_t Int16Setting(std::string_view control);
    std::int32_t Int32Setting(std::string_view control);
    // The value unrounded, but within the 16-bit range all addresses have.
    double AddressValue(std::string_view control);

    // Reads wait afresh and waits; stops the operation when the window is closing.
    void Pause();

    // A download's file, created before the session opens; the context decides at the end
    // whether it replaces the earlier file.
    CsvFile& CreateFile(const std::filesystem::path& target);
    // An earlier file is replaced only by a download that ran to its end and received record
    // data: a record's address or data, a statistic. Without an earlier file, the new file
    // takes its place when it holds record data, or when the download ran to its end with the
    // analyzer answering. Received record data that does not take the target's place is kept
    // beside it; a file without any is removed.
    FileEnd FinishFile(bool ranToEnd);
    // After the file itself failed: its record data kept beside the target, or the file
    // removed.
    FileEnd KeepOrDiscardFile();
    CsvFile* file() { return file_ ? &*file_ : nullptr; }

    // A failed open stops the operation: the session is closed without a second report, and
    // nothing is sent.
    void Open();
    void SelectAddress();
    // Until the analyzer has acknowledged something in this operation, a transfer that times
    // out stops it: the analyzer is off, at another address, or not cabled.
    void Send(std::string_view command);
    // A reply that did not come is empty.
    std::string Query(std::string_view command);
    // A query for the data a download is for (a record's address or data, a statistic): a
    // reply with content is record data, which decides whether the earlier file is replaced.
    std::string QueryRecord(std::string_view command);
    int repliesWithContent() const { return repliesWithContent_; }
    int recordReplies() const { return recordReplies_; }
    // The normal end's close; stops the operation when the board turned out to be gone.
    void Close();
    // Closes the session if this operation opened it and has not closed it yet.
    void CloseIfOpen();

    // The analyzer is now in a mode (recall, statistics) that the command ends, sent the
    // given number of times; the analyzer stays in it until then.
    void ModeEntered(std::string_view endCommand, int repeats);
    // Sends the mode's end commands back to back, on the normal path after its last pause.
    void EndMode();
    // After a stop, before the close: the end commands at once, without pauses, unless the bus
    // has just timed out.
    void EndModeAtOnce();

    void ClearDisplays();

  private:
    template <typename Call>
    auto Noted(Call call);
    void StopIfNeverAnswered();
    void StopIfBoardLost();
    void CloseSession();

    struct ModeEnd {
        std::string_view command;
        int repeats = 0;
    };

    Window& window_;
    platform::FileSystem& files_;
    Tally tally_;
    bool sessionOpen_ = false;
    bool acknowledged_ = false;  // a send accepted or a reply with content, in this operation
    int repliesWithContent_ = 0;
    int recordReplies_ = 0;
    ModeEnd modeEnd_;
    std::optional<CsvFile> file_;
};

}  // namespace app
