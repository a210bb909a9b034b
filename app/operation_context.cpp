#include "app/operation_context.h"

#include <type_traits>
#include <utility>

#include "app/interface_choice.h"
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
    throw OperationStopped(OutOfRangeMessage(control, text, kInt16Lowest, kInt16Highest),
                           StopReason::Setting);
}

std::int32_t OperationContext::Int32Setting(std::string_view control) {
    const std::string text = window_.Text(control);
    if (const auto value = ToInt32(NumericValue(text))) return *value;
    throw OperationStopped(OutOfRangeMessage(control, text, kInt32Lowest, kInt32Highest),
                           StopReason::Setting);
}

double OperationContext::AddressValue(std::string_view control) {
    const std::string text = window_.Text(control);
    const double value = NumericValue(text);
    if (value >= kInt16Lowest && value <= kInt16Highest) return value;
    throw OperationStopped(OutOfRangeMessage(control, text, kInt16Lowest, kInt16Highest),
                           StopReason::Setting);
}

void OperationContext::Pause() {
    lb::WaitMs(Int32Setting(control::kWait));
    if (window_.StopRequested()) {
        throw OperationStopped("ウィンドウが閉じられたため中止しました。",
                               StopReason::WindowClosed);
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

CsvFile& OperationContext::CreateFile(const std::filesystem::path& target) {
    return file_.emplace(target, files_);
}

FileEnd OperationContext::FinishFile(bool ranToEnd) {
    if (!file_) return {};
    const bool recordData = recordReplies_ > 0;
    const bool putInPlace = file_->TargetExists()
                                ? ranToEnd && recordData
                                : recordData || (ranToEnd && repliesWithContent_ > 0);
    if (!putInPlace) return KeepOrDiscardFile();
    try {
        // The window stays live while another program is waited for.
        file_->PutInPlace([](int ms) { lb::WaitMs(ms); });
        return {FileEnd::Kind::InPlace, {}, {}};
    } catch (const FileError& error) {
        return {FileEnd::Kind::Kept, file_->KeepAside(), error.what()};
    }
}

FileEnd OperationContext::KeepOrDiscardFile() {
    if (!file_) return {};
    if (recordReplies_ > 0) return {FileEnd::Kind::Kept, file_->KeepAside(), {}};
    file_->Discard();
    return {FileEnd::Kind::Discarded, {}, {}};
}

void OperationContext::Open() {
    sessionOpen_ = true;
    Noted([] { lb::CardOpen(kReceiveBufferSize); });
    const std::int32_t openCode = lb::sessionState.lastError;
    if (openCode == lb::kSuccess) return;
    const std::int32_t driverStatus = lb::sessionState.boardStatus;  // the close replaces it
    // The backend may hold part of the board (a driver initialised, its time-out refused):
    // it is released, and whatever the close says is not a second failure to report.
    sessionOpen_ = false;
    lb::CardClose();
    throw OperationStopped(BoardNotOpenedText(openCode, driverStatus), StopReason::BoardNotOpened);
}

void OperationContext::SelectAddress() {
    const std::int16_t address = Int16Setting(control::kGpibAddress);
    Noted([address] { lb::SetAddress(address); });
}

void OperationContext::StopIfNeverAnswered() {
    if (acknowledged_ || lb::sessionState.lastError != lb::kTimeout) return;
    throw OperationStopped("測定器が応答しません（" + std::to_string(lb::kTimeout) + " " +
                               SessionCodeText(lb::kTimeout) + "）。",
                           StopReason::NoAnswer);
}

// Nothing more can be sent or received; what was received stays.
void OperationContext::StopIfBoardLost() {
    if (!lb::sessionState.boardLost) return;
    const std::string& name = CurrentInterface().name;
    const std::int32_t code = lb::sessionState.lastError;
    throw OperationStopped((name.empty() ? "ボード" : "インターフェース「" + name + "」") +
                               "との接続が切れました（" + std::to_string(code) + " " +
                               SessionCodeText(code) + "）。",
                           StopReason::BoardLost);
}

void OperationContext::Send(std::string_view command) {
    Noted([command] { lb::SendString(command); });
    if (lb::sessionState.lastError == lb::kSuccess && !lb::sessionState.unconfirmedSends) {
        acknowledged_ = true;
    }
    StopIfBoardLost();
    StopIfNeverAnswered();
}

std::string OperationContext::Query(std::string_view command) {
    Send(command);
    std::string reply = Noted([] { return lb::ReceiveString(); });
    if (!reply.empty()) {
        acknowledged_ = true;
        ++repliesWithContent_;
    }
    StopIfBoardLost();
    StopIfNeverAnswered();
    return reply;
}

std::string OperationContext::QueryRecord(std::string_view command) {
    std::string reply = Query(command);
    if (!reply.empty()) ++recordReplies_;
    return reply;
}

void OperationContext::Close() {
    CloseSession();
    if (!acknowledged_) tally_.NoteUnconfirmed();
    // The close is where a board whose sends are unconfirmed shows that it went away.
    StopIfBoardLost();
}

void OperationContext::CloseSession() {
    sessionOpen_ = false;  // a close that raises is not tried again
    Noted([] { lb::CardClose(); });
}

void OperationContext::CloseIfOpen() {
    if (sessionOpen_) CloseSession();
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
    // Nor after the link to the board went away.
    if (lb::sessionState.boardLost) return;
    for (int i = 0; i < end.repeats && lb::sessionState.lastError != lb::kTimeout; ++i) {
        Send(end.command);
    }
}

void OperationContext::ClearDisplays() {
    for (auto display : control::kDisplays) window_.SetCaption(display, "");
}

}  // namespace app
