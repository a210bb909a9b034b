#include "session/session.h"

#include "session/backend.h"
#include "session/error_codes.h"
#include "session/failure_record.h"
#include "session/session_state.h"

namespace lb {

namespace {

// Open and close are the only operations whose success also clears lastFailure.
void RecordOpenOrClose(bool succeeded, std::int32_t ownCode) {
    if (succeeded) {
        sessionState.lastError = kSuccess;
        sessionState.lastFailure = kSuccess;
    } else {
        detail::RecordBackendFailure(ownCode);
    }
}

}  // namespace

void ResetClosedSession() {
    sessionState.delimiter = 0;
    sessionState.timeoutSetting = 5;
    sessionState.activeAddress = 0;
    sessionState.recvBufferSize = 65536;
    sessionState.cardOpen = false;
}

void CardOpen(std::int32_t bufferSize) {
    RecordOpenOrClose(lbDef::BoardOpen(bufferSize), kOpenFailed);
}

void CardClose() {
    RecordOpenOrClose(lbDef::BoardClose(), kCloseFailed);
}

bool CheckOpen() {
    if (sessionState.cardOpen) {
        sessionState.lastError = kSuccess;
        return true;
    }
    detail::RecordFailure(kNotOpen);
    return false;
}

void SetAddress(std::int16_t address) {
    if (!CheckOpen()) return;
    constexpr std::int16_t kHighest = 30;
    sessionState.activeAddress =
        address > kHighest ? kHighest : (address < 0 ? std::int16_t{0} : address);
    sessionState.lastError = kSuccess;
}

}  // namespace lb
