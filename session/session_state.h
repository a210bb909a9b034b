// The one session record shared by the session module and the board backend.
#pragma once

#include <cstdint>

namespace lb {

struct SessionState {
    // Owned by the board backend.
    bool cardOpen = false;
    std::int16_t delimiter = 0;       // send delimiter: 0 CR LF, 1 CR, 2 LF, else none
    std::int16_t activeAddress = 0;   // GPIB primary address 0..30; 0 = none selected
    std::int32_t recvBufferSize = 0;  // bytes one receive may take
    std::int16_t timeoutSetting = 0;  // bus time-out in seconds
    bool boardTimeout = false;        // the latest failed backend operation timed out
    bool boardLost = false;           // the link to the board itself is gone (an adapter unplugged)
    // A send's success says only that the board took the bytes, not that a device did: a
    // Prologix-protocol controller reports nothing of the bus handshake. Set by the open.
    bool unconfirmedSends = false;
    // Owned by the session module.
    std::int32_t lastError = 0;    // code of the latest session operation
    std::int32_t lastFailure = 0;  // code of the latest failure; cleared by open and close only
    std::int32_t boardStatus = 0;  // raw code of the latest driver call the backend kept
};

// The process-wide session; all zero or false when the program starts.
extern SessionState sessionState;

}  // namespace lb
