// Backend for the Adtek System Science boards AXP-GP02 ("axpgp02", functions Gp02...) and
// aPCI-G01 ("Apci01", functions Apci01...), chosen when the backend is built. The boards work
// through a device handle, and every outcome is read back from the driver's last error.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/driver_library.h"
#include "platform/driver_signature.h"
#include "session/backend.h"
#include "session/session_state.h"

namespace lbDef {

namespace {

using platform::DriverFunction;

// Every function but the last-error one returns non-zero on success and 0 on failure.
using Outcome = std::int16_t;
using Handle = std::int16_t;

constexpr std::int32_t kTimeoutError = 9;  // the last error after a transfer ran out of time
constexpr Handle kAnyHandle = -1;          // asks the driver for its last error as a whole

// The board documentation calls the by-value arguments plain "integer" (init's modes, the end
// of string settings, the remote enable state); the driver's C prototypes declare them as int,
// which is 32 bits on every target.
struct AdtekDriver {
    platform::DriverLibrary library{TQ58_ADTEK_LIBRARY};
    DriverFunction<Outcome(Handle)> Close{library, TQ58_ADTEK_PREFIX "Close"};
    DriverFunction<Outcome(Handle*)> Create{library, TQ58_ADTEK_PREFIX "Create"};
    DriverFunction<Outcome(Handle, std::int32_t, std::int32_t, std::int32_t)> Init{
        library, TQ58_ADTEK_PREFIX "Init"};
    DriverFunction<Outcome(Handle, std::int32_t)> SetTime{library, TQ58_ADTEK_PREFIX "SetTime"};
    DriverFunction<Outcome(Handle, std::int32_t, std::int32_t)> SetEos{library,
                                                                       TQ58_ADTEK_PREFIX "SetEos"};
    DriverFunction<Outcome(Handle)> Ifc{library, TQ58_ADTEK_PREFIX "Ifc"};
    DriverFunction<Outcome(Handle, std::int32_t)> Ren{library, TQ58_ADTEK_PREFIX "Ren"};
    DriverFunction<std::int32_t(Handle)> GetLastError{library, TQ58_ADTEK_PREFIX "GetLastError"};
    DriverFunction<Outcome(Handle, std::int32_t, const std::uint8_t*, std::int32_t)> SendDataC{
        library, TQ58_ADTEK_PREFIX "SendDataC"};
    // The count holds the capacity on entry and the bytes received on return.
    DriverFunction<Outcome(Handle, std::int32_t, std::uint8_t*, std::int32_t*)> RecvDataC{
        library, TQ58_ADTEK_PREFIX "RecvDataC"};
};

// Widths in bytes as the driver's interface gives them: the result, then each argument.
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::Close, 2, 2);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::Create, 2, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::Init, 2, 2, 4, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::SetTime, 2, 2, 4);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::SetEos, 2, 2, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::Ifc, 2, 2);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::Ren, 2, 2, 4);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::GetLastError, 4, 2);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::SendDataC, 2, 2, 4, platform::kPointer, 4);
TQ58_CHECK_DRIVER_FUNCTION(AdtekDriver::RecvDataC, 2, 2, 4, platform::kPointer, platform::kPointer);

AdtekDriver& Driver() {
    static AdtekDriver driver;
    return driver;
}

// The device the driver handed out at the latest successful create. An open never closes an
// earlier device, and a close leaves the handle as it is.
Handle deviceHandle = 0;

lb::SessionState& S() {
    return lb::sessionState;
}

// Reads the driver's last error into boardStatus; 9 is a time-out.
void ReadLastError(Handle handle) {
    S().boardStatus = Driver().GetLastError(handle);
    S().boardTimeout = S().boardStatus == kTimeoutError;
}

bool OpenDevice(std::int32_t bufferSize) {
    auto& driver = Driver();
    Handle created = -1;
    if (driver.Create(&created) == 0) return false;
    deviceHandle = created;
    S().recvBufferSize = bufferSize;

    // The driver's time-out is in milliseconds.
    const std::int32_t timeoutMs = std::int32_t{S().timeoutSetting} * 1000;
    return driver.Init(deviceHandle, 0, 1, S().recvBufferSize) != 0 &&
           driver.SetTime(deviceHandle, timeoutMs) != 0 && driver.SetEos(deviceHandle, 0, 1) != 0 &&
           driver.Ifc(deviceHandle) != 0 && driver.Ren(deviceHandle, 1) != 0;
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    S().delimiter = 0;
    S().timeoutSetting = 5;
    S().activeAddress = 0;
    S().recvBufferSize = 65536;
    Driver().Close(0);  // its result does not matter here

    if (OpenDevice(bufferSize)) {
        S().cardOpen = true;
        S().boardTimeout = false;
        S().boardStatus = Driver().GetLastError(deviceHandle);
        return true;
    }
    // cardOpen stays as it was.
    ReadLastError(deviceHandle);
    return false;
}

bool BoardClose() {
    lb::ResetClosedSession();
    S().boardTimeout = false;
    const bool closed = Driver().Close(deviceHandle) != 0;
    ReadLastError(kAnyHandle);
    return closed;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    const bool sent = Driver().SendDataC(deviceHandle, S().activeAddress, bytes.data(),
                                         static_cast<std::int32_t>(bytes.size())) != 0;
    // boardTimeout follows the last error, also after a send that the driver accepted.
    ReadLastError(deviceHandle);
    return sent;
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    // One byte more than the driver is told it may fill.
    lb::ByteBuffer buffer(static_cast<size_t>(capacity) + 1, 0);
    std::int32_t count = capacity;

    const bool received =
        Driver().RecvDataC(deviceHandle, S().activeAddress, buffer.data(), &count) != 0;
    ReadLastError(deviceHandle);
    // Trimmed to the driver's count whatever the outcome.
    bytes = lb::ReceivedBytes(std::move(buffer), count, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
