// Stand-in for the Contec driver library (apigpib1).
//
// Emulates the board: GpIni starts it and GpExit releases it; every other call needs a started
// board. GpBoardsts reads register 8, the board's own address. A transfer names its talker and
// its listener in an address list [2, talker, listener]: the board must be the talker of a
// send and the listener of a receive. A transfer that nobody listens to or answers returns 254
// (time-out) at once.
#include <cstdint>
#include <string>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kListenFilled = 1;  // the reply did not fit the count; the rest is lost
constexpr std::int32_t kNotStarted = 3;
constexpr std::int32_t kBadArgument = 4;
constexpr std::int32_t kTimeout = 254;
constexpr std::int32_t kOwnAddressRegister = 8;

sim::Bench& B() {
    return sim::Bench::Instance();
}

std::int32_t Status() {
    return B().initialized ? kOk : kNotStarted;
}

// A list naming the board in position `boardAt` (1 talker, 2 listener) and one other device.
bool NamesTheBoard(const std::int32_t* list, int boardAt) {
    return list != nullptr && list[0] == 2 && list[boardAt] == B().boardAddress();
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpExit(void) {
    if (auto code = B().Enter("GpExit", "")) return static_cast<std::int32_t>(*code);
    B().initialized = false;
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpIni(void) {
    if (auto code = B().Enter("GpIni", "")) return static_cast<std::int32_t>(*code);
    B().initialized = true;
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpTimeout(std::int32_t milliseconds) {
    if (auto code = B().Enter("GpTimeout", std::to_string(milliseconds))) {
        return static_cast<std::int32_t>(*code);
    }
    if (milliseconds < 0) return kBadArgument;
    return Status();
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpDelim(std::int32_t send, std::int32_t receive) {
    if (auto code = B().Enter("GpDelim",
                              sim::LogArguments({std::to_string(send), std::to_string(receive)}))) {
        return static_cast<std::int32_t>(*code);
    }
    return Status();
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpIfc(std::int32_t time) {
    if (auto code = B().Enter("GpIfc", std::to_string(time))) {
        return static_cast<std::int32_t>(*code);
    }
    return Status();
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpRen(void) {
    if (auto code = B().Enter("GpRen", "")) return static_cast<std::int32_t>(*code);
    return Status();
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpBoardsts(std::int32_t reg, std::int32_t* value) {
    if (auto code = B().Enter("GpBoardsts", std::to_string(reg))) {
        return static_cast<std::int32_t>(*code);
    }
    if (reg != kOwnAddressRegister || value == nullptr) return kBadArgument;
    if (!B().initialized) return kNotStarted;
    // The register is wider than an address; a test may put any value in it.
    *value = static_cast<std::int32_t>(B().boardAddress());
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpTalk(std::int32_t* list, std::int32_t count,
                                                    const std::uint8_t* data) {
    if (auto code =
            B().Enter("GpTalk", sim::LogArguments({sim::LogIntegers(list, 3), std::to_string(count),
                                                   sim::LogBytes(data, count)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (!B().initialized) return kNotStarted;
    if (!NamesTheBoard(list, 1)) return kBadArgument;
    return B().Deliver(list[2], data, count) ? kOk : kTimeout;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL GpListen(std::int32_t* list, std::int32_t* count,
                                                      std::uint8_t* buffer) {
    const std::int32_t capacity = count ? *count : 0;
    if (count) *count = 0;
    if (auto code = B().Enter(
            "GpListen", sim::LogArguments({sim::LogIntegers(list, 3), std::to_string(capacity)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (!B().initialized) return kNotStarted;
    if (!NamesTheBoard(list, 2) || count == nullptr) return kBadArgument;
    const auto reply = B().Fetch(list[1]);
    if (!reply) return kTimeout;
    *count = static_cast<std::int32_t>(B().CopyReply(*reply, buffer, capacity));
    return static_cast<long long>(reply->size()) > capacity ? kListenFilled : kOk;
}

}  // extern "C"
