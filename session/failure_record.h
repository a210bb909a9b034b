// How the session module writes its codes; internal to the session module.
#pragma once

#include <cstdint>

#include "session/error_codes.h"
#include "session/session_state.h"

namespace lb::detail {

// Every failure is written to both codes together.
inline void RecordFailure(std::int32_t code) {
    sessionState.lastError = code;
    sessionState.lastFailure = code;
}

// A backend failure is the operation's own code, or 13000 when the backend saw a time-out.
inline void RecordBackendFailure(std::int32_t ownCode) {
    RecordFailure(sessionState.boardTimeout ? kTimeout : ownCode);
}

}  // namespace lb::detail
