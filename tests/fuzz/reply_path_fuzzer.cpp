// Any bytes a driver hands back go through the receive, the decoders and the address field
// without reading outside them; the reply never ends in NUL, CR or LF.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/numeric_value.h"
#include "app/utf8_text.h"
#include "app/vocabulary.h"
#include "platform/codepage932.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "tests/session/fake_backend.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    fake::ResetAll();
    lb::CardOpen(65536);
    lb::SetAddress(5);
    fake::TheBackend().receive.push_back(
        fake::Outcome{true, false, lb::ByteBuffer(data, data + size)});

    const std::string reply = lb::ReceiveString();
    if (lb::sessionState.lastError != 0) std::abort();
    if (!reply.empty()) {
        const char last = reply.back();
        if (last == '\0' || last == '\r' || last == '\n') std::abort();
    }
    const double value = app::NumericValue(reply);
    app::TimeConstantText(value);
    app::FrequencyRangeText(value);
    app::BandText(value);
    app::WeightingText(value);
    const std::string field = app::Utf8Mid(reply, 3, 4);
    if (field.size() > reply.size()) std::abort();
    // The reply goes back to code page 932 for the file; that must hold.
    platform::Utf8ToCp932(reply + "," + field);
    return 0;
}
