// A scripted backend for the session module's tests: each operation returns what the test
// queued (success when nothing is queued) and records what it was handed.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "session/backend.h"

namespace fake {

struct Outcome {
    bool ok = true;
    bool timeout = false;
    lb::ByteBuffer received;  // BoardReceive hands this back
};

struct Backend {
    std::deque<Outcome> open, close, send, receive;
    std::deque<bool> queryStatus;
    std::int16_t ownAddress = 21;

    std::vector<std::string> calls;
    std::vector<lb::ByteBuffer> sent;
    std::vector<std::int32_t> openSizes;
};

// The backend the session module is linked against in these tests; fresh for every test.
Backend& TheBackend();
void ResetAll();

}  // namespace fake
