// What one operation uses: its settings as read from the window, the paced session calls,
// and the tally of failed exchanges that the status line reports.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/outcome.h"
#include "app/window.h"

namespace app {

// Ends an operation before its last step. byClose: the user closed the window.
class OperationStopped : public std::runtime_error {
  public:
    OperationStopped(const std::string& message, bool byClose)
        : std::runtime_error(message), byClose_(byClose) {}
    bool byClose() const { return byClose_; }

  private:
    bool byClose_;
};

// The message for a setting whose value lies outside lowest..highest.
std::string OutOfRangeMessage(std::string_view control, std::string_view text, double lowest,
                              double highest);

inline constexpr double kInt16Lowest = -32768;
inline constexpr double kInt16Highest = 32767;
inline constexpr double kInt32Lowest = -2147483648.0;
inline constexpr double kInt32Highest = 2147483647.0;

class OperationContext {
  public:
    explicit OperationContext(Window& window) : window_(window) {}

    Window& window() { return window_; }
    Tally& tally() { return tally_; }

    // Settings read at the moment of use; one that no longer fits stops the operation.
    std::int16_t Int16Setting(std::string_view control);
    std::int32_t Int32Setting(std::string_view control);
    // The value unrounded, but within the 16-bit range all addresses have.
    double AddressValue(std::string_view control);

    // Reads wait afresh and waits; stops the operation when the window is closing.
    void Pause();

    void Open();
    void SelectAddress();
    void Send(std::string_view command);
    std::string Query(std::string_view command);
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

    struct ModeEnd {
        std::string_view command;
        int repeats = 0;
    };

    Window& window_;
    Tally tally_;
    bool sessionOpen_ = false;
    ModeEnd modeEnd_;
};

}  // namespace app
