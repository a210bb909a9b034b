// Stand-in for the Yamato Electronics driver library (Gpdllpci).
//
// Emulates the board: Gpib_Init starts it, and the other calls need a started board. The
// driver takes no board number; each transfer carries its own time-out (at least 1 ms) and
// the device's address (0 to 30). A transfer that nobody listens to or answers returns 9999
// (time-out) at once. Every code is a 16-bit integer, 0 on success.
#include <cstdint>
#include <string>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

constexpr std::int16_t kOk = 0;
constexpr std::int16_t kNotStarted = 1;
constexpr std::int16_t kBadArgument = 2;
constexpr std::int16_t kTimeout = 9999;

sim::Bench& B() {
    return sim::Bench::Instance();
}

std::int16_t Status() {
    return B().initialized ? kOk : kNotStarted;
}

std::int16_t TransferArguments(std::int16_t timeout, std::int16_t address) {
    if (!B().initialized) return kNotStarted;
    return timeout >= 1 && address >= 0 && address <= 30 ? kOk : kBadArgument;
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT std::int16_t TQ58_DRIVER_CALL Gpib_Init(void) {
    if (auto code = B().Enter("Gpib_Init", "")) return static_cast<std::int16_t>(*code);
    B().initialized = true;
    return kOk;
}

TQ58SIM_EXPORT std::int16_t TQ58_DRIVER_CALL Gpib_Ifc(void) {
    if (auto code = B().Enter("Gpib_Ifc", "")) return static_cast<std::int16_t>(*code);
    return Status();
}

TQ58SIM_EXPORT std::int16_t TQ58_DRIVER_CALL Gpib_Ren(void) {
    if (auto code = B().Enter("Gpib_Ren", "")) return static_cast<std::int16_t>(*code);
    return Status();
}

TQ58SIM_EXPORT std::int16_t TQ58_DRIVER_CALL Gpib_Lcl(void) {
    if (auto code = B().Enter("Gpib_Lcl", "")) return static_cast<std::int16_t>(*code);
    return Status();
}

TQ58SIM_EXPORT std::int16_t TQ58_DRIVER_CALL Gpib_Bwrt(std::int16_t timeout,
                                                       const std::uint8_t* data, std::int32_t count,
                                                       std::int16_t address) {
    if (auto code = B().Enter(
            "Gpib_Bwrt", sim::LogArguments({std::to_string(timeout), sim::LogBytes(data, count),
                                            std::to_string(count), std::to_string(address)}))) {
        return static_cast<std::int16_t>(*code);
    }
    if (const auto status = TransferArguments(timeout, address); status != kOk) return status;
    return B().Deliver(address, data, count) ? kOk : kTimeout;
}

TQ58SIM_EXPORT std::int16_t TQ58_DRIVER_CALL Gpib_Bred(std::int16_t timeout, std::uint8_t* buffer,
                                                       std::int32_t* count, std::int16_t address) {
    const std::int32_t capacity = count ? *count : 0;
    if (count) *count = 0;
    if (auto code = B().Enter("Gpib_Bred",
                              sim::LogArguments({std::to_string(timeout), std::to_string(capacity),
                                                 std::to_string(address)}))) {
        return static_cast<std::int16_t>(*code);
    }
    if (const auto status = TransferArguments(timeout, address); status != kOk) return status;
    if (count == nullptr) return kBadArgument;
    const auto received = B().Receive(address, buffer, capacity);
    if (!received) return kTimeout;
    *count = static_cast<std::int32_t>(*received);
    return kOk;
}

}  // extern "C"
