// Stand-in for the Adtek System Science driver libraries (axpgp02 with functions Gp02...,
// Apci01 with functions Apci01...), one source built once per library with its prefix.
//
// Emulates the board through device handles: create hands out a new handle (1, 2, ... since
// the reset), close ends it, and every other call needs a handle that is open; all but init
// need it initialised. Every function but the last-error one returns 1 on success and 0 on
// failure, and leaves its error code (0 on success) for the last-error function, which reports
// the driver's latest code whatever handle it is given. A scripted code makes a call fail with
// that code as its last error; for the last-error function it is the code reported. A transfer
// that nobody listens to or answers fails at once with last error 9 (time-out).
#include <cstdint>
#include <map>
#include <string>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

#ifndef TQ58_ADTEK_PREFIX
#error "TQ58_ADTEK_PREFIX names the library's function prefix, e.g. Gp02"
#endif
#define TQ58_ADTEK_JOIN2(prefix, name) prefix##name
#define TQ58_ADTEK_JOIN(prefix, name) TQ58_ADTEK_JOIN2(prefix, name)
#define TQ58_ADTEK_TEXT2(name) #name
#define TQ58_ADTEK_TEXT(name) TQ58_ADTEK_TEXT2(name)
// The exported function and its name in the call log, e.g. Gp02Create and "Gp02Create".
#define ADTEK_FUNCTION(name) TQ58_ADTEK_JOIN(TQ58_ADTEK_PREFIX, name)
#define ADTEK_NAME(name) TQ58_ADTEK_TEXT(ADTEK_FUNCTION(name))

namespace {

using Outcome = std::int16_t;
using Handle = std::int16_t;

constexpr Outcome kSucceeded = 1;
constexpr Outcome kFailed = 0;
constexpr std::int32_t kNoError = 0;
constexpr std::int32_t kBadHandle = 3;
constexpr std::int32_t kNotInitialised = 4;
constexpr std::int32_t kBadArgument = 5;
constexpr std::int32_t kTimeout = 9;

struct AdtekBoard {
    std::map<Handle, bool> devices;  // open handles, and whether each is initialised
    Handle nextHandle = 1;
    std::int32_t lastError = kNoError;
};

sim::Bench& B() {
    return sim::Bench::Instance();
}

AdtekBoard& Board() {
    static AdtekBoard board = [] {
        B().OnReset([] { Board() = AdtekBoard{}; });
        return AdtekBoard{};
    }();
    return board;
}

Outcome Finish(std::int32_t error) {
    Board().lastError = error;
    return error == kNoError ? kSucceeded : kFailed;
}

// Logs the call; a scripted code fails it with that code as the last error.
bool Scripted(const char* function, const std::string& arguments, Outcome& result) {
    const auto code = B().Enter(function, arguments);
    if (!code) return false;
    Board().lastError = static_cast<std::int32_t>(*code);
    result = kFailed;
    return true;
}

// kNoError when the handle is open (and initialised, if that is needed).
std::int32_t DeviceError(Handle handle, bool mustBeInitialised = true) {
    const auto device = Board().devices.find(handle);
    if (device == Board().devices.end()) return kBadHandle;
    return mustBeInitialised && !device->second ? kNotInitialised : kNoError;
}

std::string Text(long long value) {
    return std::to_string(value);
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(Close)(Handle handle) {
    Outcome result;
    if (Scripted(ADTEK_NAME(Close), Text(handle), result)) return result;
    const std::int32_t error = DeviceError(handle, false);
    if (error == kNoError) Board().devices.erase(handle);
    return Finish(error);
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(Create)(Handle* handle) {
    Outcome result;
    if (Scripted(ADTEK_NAME(Create), handle ? Text(*handle) : "null", result)) return result;
    if (handle == nullptr) return Finish(kBadArgument);
    *handle = Board().nextHandle++;
    Board().devices[*handle] = false;
    return Finish(kNoError);
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(Init)(Handle handle, std::int32_t mode,
                                                             std::int32_t controller,
                                                             std::int32_t bufferSize) {
    Outcome result;
    if (Scripted(ADTEK_NAME(Init),
                 sim::LogArguments({Text(handle), Text(mode), Text(controller), Text(bufferSize)}),
                 result)) {
        return result;
    }
    if (const auto error = DeviceError(handle, false); error != kNoError) return Finish(error);
    if (bufferSize <= 0) return Finish(kBadArgument);
    Board().devices[handle] = true;
    return Finish(kNoError);
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(SetTime)(Handle handle,
                                                                std::int32_t milliseconds) {
    Outcome result;
    if (Scripted(ADTEK_NAME(SetTime), sim::LogArguments({Text(handle), Text(milliseconds)}),
                 result)) {
        return result;
    }
    if (const auto error = DeviceError(handle); error != kNoError) return Finish(error);
    return Finish(milliseconds < 0 ? kBadArgument : kNoError);
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(SetEos)(Handle handle, std::int32_t send,
                                                               std::int32_t receive) {
    Outcome result;
    if (Scripted(ADTEK_NAME(SetEos), sim::LogArguments({Text(handle), Text(send), Text(receive)}),
                 result)) {
        return result;
    }
    return Finish(DeviceError(handle));
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(Ifc)(Handle handle) {
    Outcome result;
    if (Scripted(ADTEK_NAME(Ifc), Text(handle), result)) return result;
    return Finish(DeviceError(handle));
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(Ren)(Handle handle, std::int32_t on) {
    Outcome result;
    if (Scripted(ADTEK_NAME(Ren), sim::LogArguments({Text(handle), Text(on)}), result)) {
        return result;
    }
    return Finish(DeviceError(handle));
}

TQ58SIM_EXPORT std::int32_t TQ58_DRIVER_CALL ADTEK_FUNCTION(GetLastError)(Handle handle) {
    if (auto code = B().Enter(ADTEK_NAME(GetLastError), Text(handle))) {
        return static_cast<std::int32_t>(*code);
    }
    return Board().lastError;
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(SendDataC)(Handle handle,
                                                                  std::int32_t address,
                                                                  const std::uint8_t* data,
                                                                  std::int32_t count) {
    Outcome result;
    if (Scripted(ADTEK_NAME(SendDataC),
                 sim::LogArguments(
                     {Text(handle), Text(address), sim::LogBytes(data, count), Text(count)}),
                 result)) {
        return result;
    }
    if (const auto error = DeviceError(handle); error != kNoError) return Finish(error);
    return Finish(B().Deliver(address, data, count) ? kNoError : kTimeout);
}

TQ58SIM_EXPORT Outcome TQ58_DRIVER_CALL ADTEK_FUNCTION(RecvDataC)(Handle handle,
                                                                  std::int32_t address,
                                                                  std::uint8_t* buffer,
                                                                  std::int32_t* count) {
    const std::int32_t capacity = count ? *count : 0;
    if (count) *count = 0;
    Outcome result;
    if (Scripted(ADTEK_NAME(RecvDataC),
                 sim::LogArguments({Text(handle), Text(address), Text(capacity)}), result)) {
        return result;
    }
    if (const auto error = DeviceError(handle); error != kNoError) return Finish(error);
    if (count == nullptr) return Finish(kBadArgument);
    const auto received = B().Receive(address, buffer, capacity);
    if (!received) return Finish(kTimeout);
    *count = static_cast<std::int32_t>(*received);
    return Finish(kNoError);
}

}  // extern "C"
