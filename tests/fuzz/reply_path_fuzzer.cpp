// Any bytes a driver hands back go through the receive, the decoders and the address field
// without reading outside them; the reply never ends in NUL, CR or LF.
//
// Built once over a scripted backend, and once over each of the NI-488.2 and VISA backends with
// their stand-in drivers, where the first byte says whether the next four are the count the
// driver reports (any 32-bit value, beyond the buffer or negative included).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/numeric_value.h"
#include "app/utf8_text.h"
#include "app/vocabulary.h"
#include "platform/codepage932.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#ifdef TQ58_FUZZ_DRIVER_LIBRARY
#include "tests/support/standin_control.h"

namespace {

std::string ReceivedReply(const std::uint8_t* data, size_t size) {
    static testing_support::StandIn standIn(TQ58_FUZZ_DRIVER_LIBRARY);
    standIn.Reset();
    standIn.SetLogging(false);
    if (size >= 5 && (data[0] & 1) != 0) {
        std::int32_t count;
        std::memcpy(&count, data + 1, sizeof count);
        standIn.ForceReceiveCount(count);
        data += 5;
        size -= 5;
    } else if (size > 0) {
        ++data;
        --size;
    }
    standIn.SetReply("TMC?", std::string(reinterpret_cast<const char*>(data), size));
    lb::CardOpen(65536);
    lb::SetAddress(5);
    lb::SendString("TMC?");
    std::string reply = lb::ReceiveString();
    if (lb::sessionState.lastFailure != 0) std::abort();
    lb::CardClose();
    return reply;
}

}  // namespace
#else
#include "tests/session/fake_backend.h"

namespace {

std::string ReceivedReply(const std::uint8_t* data, size_t size) {
    fake::ResetAll();
    lb::CardOpen(65536);
    lb::SetAddress(5);
    fake::TheBackend().receive.push_back(
        fake::Outcome{true, false, lb::ByteBuffer(data, data + size)});
    std::string reply = lb::ReceiveString();
    if (lb::sessionState.lastError != 0) std::abort();
    return reply;
}

}  // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const std::string reply = ReceivedReply(data, size);
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
