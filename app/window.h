// The narrow window interface the operations are written against, so that they run in tests
// without a toolkit. Controls are named as in the layout table.
#pragma once

#include <string>
#include <string_view>

#include "app/outcome.h"

namespace app {

namespace control {
inline constexpr std::string_view kGpibAddress = "GPIBadress";
inline constexpr std::string_view kWait = "wait";
inline constexpr std::string_view kFirstAddress = "ad1";
inline constexpr std::string_view kLastAddress = "ad2";
inline constexpr std::string_view kOct1 = "oct1";
inline constexpr std::string_view kOct3 = "oct3";
// The weighting buttons in the order of their codes 0 to 6.
inline constexpr std::string_view kWeightings[] = {"A", "C", "F", "Lvxy", "Lvz", "Lht", "Lcom"};
// Display labels.
inline constexpr std::string_view kAddressDisplay = "アドレス";
inline constexpr std::string_view kTimeConstantDisplay = "時定数";
inline constexpr std::string_view kRangeDisplay = "範囲";
inline constexpr std::string_view kBandDisplay = "octoct";
inline constexpr std::string_view kWeightingDisplay = "補正";
inline constexpr std::string_view kDataDisplay = "マスデータ";
// In the order every operation that writes them clears them.
inline constexpr std::string_view kDisplays[] = {kAddressDisplay,   kTimeConstantDisplay,
                                                 kRangeDisplay,     kBandDisplay,
                                                 kWeightingDisplay, kDataDisplay};
}  // namespace control

class Window {
  public:
    virtual ~Window() = default;

    virtual std::string Text(std::string_view textBox) const = 0;
    virtual bool Selected(std::string_view optionButton) const = 0;
    virtual void SetCaption(std::string_view label, const std::string& caption) = 0;

    // The status line: progress of a download (total 0 hides it) and an outcome.
    virtual void ShowProgress(int done, int total) = 0;
    virtual void ShowStatus(const Status& status) = 0;

    // The user closed the window: the running operation stops at its next pause.
    virtual bool StopRequested() const = 0;
};

// Messages to the user that need an answer before they go on: refused operations, a missing
// driver, a board that cannot be opened, an analyzer that does not answer. Failed exchanges
// of an operation that goes on never come here: they go to the status line.
class Notifier {
  public:
    virtual ~Notifier() = default;
    virtual void Tell(const std::string& message) = 0;
};

}  // namespace app
