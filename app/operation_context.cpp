#include "app/operation_context.h"

#include <type_traits>
#include <utility>

#include "app/numeric_value.h"
#include "session/error_codes.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "session/wait.h"

namespace app {

namespace {

constexpr std::int32_t kReceiveBufferSize = 65536;

}  // namespace

std::string OutOfRangeMessage(std::string_view control, std::string_view text, double lowest,
                              double highest) {
    return "設定「" + std::string(control) + "」の値「" + std::string(text) + "」は " +
           NumberText(lowest) + "～" + NumberText(highest) + " の範囲にありません。";
}

std::int16_t OperationContext::Int16Setting(std::string_view control) {
    const std::string text = window_.Text(control);
    if (const auto value = ToInt16(NumericValue(text))) return *value;
    throw OperationStopped(OutOfRangeMessage(control, text, kInt16Lowest, kInt16Highest), false);
}

std::int32_t OperationContext::Int32Setting(std::string_view control) {
    const std::string text = window_.Text(control);
    if (const auto value = ToInt32(NumericValue(text))) return *value;
    throw OperationStopped(OutOfRangeMessage(control, text, kInt32Lowest, kInt32Highest), false);
}

double OperationContext::AddressValue(std::string_view control) {
    const std::string text = window_.Text(control);
    const double value = NumericValue(text);
    if (value >= kInt16Lowest && value <= kInt16Highest) return value;
    throw OperationStopped(OutOfRangeMessage(control, text, kInt16Lowest, kInt16Highest), false);
}

void OperationContext::Pause() {
    lb::WaitMs(Int32Setting(control::kWait));
    if (window_.StopRequested()) {
        throw OperationStopped("ウィンドウが閉じられたため中止しました。", true);
    }
}

// Runs one session call and notes its outcome. A failure inside a call that the call itself
// then succeeded past (the Contec own-address query before a transfer) shows only as a new
// lastFailure.
template <typename Call>
auto OperationContext::Noted(Call call) {
    const std::int32_t failureBefore = lb::sessionState.lastFailure;
    const auto noteOutcome = [&] {
        const auto& s = lb::sessionState;
        if (s.lastError == 0 && s.lastFailure != 0 && s.lastFailure != failureBefore) {
            tally_.Note(s.lastFailure);
        }
        tally_.Note(s.lastError);
    };
    if constexpr (std::is_void_v<decltype(call())>) {
        call();
        noteOutcome();
    } else {
        auto result = call();
        noteOutcome();
        return result;
    }
}

void OperationContext::Open() {
    sessionOpen_ = true;
    Noted([] { lb::CardOpen(kReceiveBufferSize); });
}

void OperationContext::SelectAddress() {
    const std::int16_t address = Int16Setting(control::kGpibAddress);
    Noted([address] { lb::SetAddress(address); });
}

void OperationContext::Send(std::string_view command) {
    Noted([command] { lb::SendString(command); });
}

std::string OperationContext::Query(std::string_view command) {
    Send(command);
    return Noted([] { return lb::ReceiveString(); });
}

void OperationContext::Close() {
    sessionOpen_ = false;  // a close that raises is not tried again
    Noted([] { lb::CardClose(); });
}

void OperationContext::CloseIfOpen() {
    if (sessionOpen_) Close();
}

void OperationContext::ModeEntered(std::string_view endCommand, int repeats) {
    modeEnd_ = {endCommand, repeats};
}

void OperationContext::EndMode() {
    // Taken before sending: a send that raises is not tried again after the stop.
    const ModeEnd end = std::exchange(modeEnd_, {});
    for (int i = 0; i < end.repeats; ++i) Send(end.command);
}

void OperationContext::EndModeAtOnce() {
    const ModeEnd end = std::exchange(modeEnd_, {});
    if (!sessionOpen_) return;
    // lastError is 13000 exactly when the latest transfer failed by timing out; a pause sets
    // no code, and boardTimeout means something only right after a failed backend call. After
    // a time-out the analyzer is gone or not listening, and each end command would wait out
    // the board's time-out too: a window being closed would hang for all of them. So none is
    // sent after a time-out, and they stop at the first one that times out.
    for (int i = 0; i < end.repeats && lb::sessionState.lastError != lb::kTimeout; ++i) {
        Send(end.command);
    }
}

void OperationContext::ClearDisplays() {
    for (auto display : control::kDisplays) window_.SetCaption(display, "");
}

}  // namespace app
