// Stand-in for the Ratoc REX-5052 driver library (gplib2K / gplib32).
//
// Emulates the card: gp_cardinfo reports the card's I/O settings, gp_init must get them back,
// transfers name the device by its address as text and fail with 53 (time-out) when no device
// listens or no reply is pending. Every status is 0 on success.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kNotInitialised = 1;
constexpr std::int32_t kBadArgument = 2;
constexpr std::int32_t kTimeout = 53;
constexpr std::int32_t kIoBase = 0x2D0;
constexpr std::int32_t kInterrupt = 5;

std::int32_t lastCount = 0;

sim::Bench& B() {
    return sim::Bench::Instance();
}

long DeviceAddress(const char* text) {
    return text ? std::strtol(text, nullptr, 10) : -1;
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_cardinfo(std::int32_t* present,
                                                         std::int32_t* ioBase,
                                                         std::int32_t* interrupt) {
    if (auto code = B().Enter("gp_cardinfo", "")) return static_cast<std::int32_t>(*code);
    *present = 1;
    *ioBase = kIoBase;
    *interrupt = kInterrupt;
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_init(std::int32_t mode, std::int32_t ioBase,
                                                     std::int16_t interrupt) {
    if (auto code =
            B().Enter("gp_init", sim::LogArguments({std::to_string(mode), std::to_string(ioBase),
                                                    std::to_string(interrupt)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (ioBase != kIoBase || interrupt != kInterrupt) return kBadArgument;
    B().initialized = true;
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_cli(void) {
    if (auto code = B().Enter("gp_cli", "")) return static_cast<std::int32_t>(*code);
    return B().initialized ? kOk : kNotInitialised;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_ren(void) {
    if (auto code = B().Enter("gp_ren", "")) return static_cast<std::int32_t>(*code);
    return B().initialized ? kOk : kNotInitialised;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_delm(const char* mode, std::int32_t value) {
    if (auto code =
            B().Enter("gp_delm", sim::LogArguments({sim::LogText(mode), std::to_string(value)}))) {
        return static_cast<std::int32_t>(*code);
    }
    return B().initialized ? kOk : kNotInitialised;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_lcl(const char* device) {
    if (auto code = B().Enter("gp_lcl", sim::LogText(device))) {
        return static_cast<std::int32_t>(*code);
    }
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_tfrout(const char* device, std::int32_t count,
                                                       const std::uint8_t* data) {
    if (auto code =
            B().Enter("gp_tfrout", sim::LogArguments({sim::LogText(device), std::to_string(count),
                                                      sim::LogBytes(data, count)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (!B().initialized) return kNotInitialised;
    return B().Deliver(DeviceAddress(device), data, count) ? kOk : kTimeout;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_tfrin(const char* device, std::int32_t capacity,
                                                      std::uint8_t* buffer) {
    lastCount = 0;
    if (auto code = B().Enter(
            "gp_tfrin", sim::LogArguments({sim::LogText(device), std::to_string(capacity)}))) {
        return static_cast<std::int32_t>(*code);
    }
    if (!B().initialized) return kNotInitialised;
    const auto reply = B().Fetch(DeviceAddress(device));
    if (!reply) return kTimeout;
    lastCount = static_cast<std::int32_t>(B().CopyReply(*reply, buffer, capacity));
    return kOk;
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL gp_count(void) {
    if (auto code = B().Enter("gp_count", "")) return static_cast<std::int32_t>(*code);
    return lastCount;
}

}  // extern "C"
