// Backend for Contec GPIB boards, over the driver library "apigpib1.dll". Every transfer names
// its talker and its listener, so the board's own address is read before each one.
#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/driver_library.h"
#include "platform/driver_signature.h"
#include "session/backend.h"
#include "session/my_address.h"
#include "session/session_state.h"

namespace lbDef {

namespace {

using platform::DriverFunction;

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kTimeoutStatus = 254;  // GpTalk and GpListen ran out of time
// GpListen also ends successfully with 1 or 2.
constexpr std::int32_t kListenEndedOne = 1;
constexpr std::int32_t kListenEndedTwo = 2;
constexpr std::int32_t kOwnAddressRegister = 8;
constexpr std::int32_t kIfcTime = 10;

// The board documentation calls the by-value arguments plain "integer"; the driver's C
// prototypes declare them as int, which is 32 bits on every target.
struct ContecDriver {
    platform::DriverLibrary library{"apigpib1.dll"};
    DriverFunction<std::int32_t()> GpExit{library, "GpExit"};
    DriverFunction<std::int32_t()> GpIni{library, "GpIni"};
    DriverFunction<std::int32_t(std::int32_t)> GpTimeout{library, "GpTimeout"};
    DriverFunction<std::int32_t(std::int32_t, std::int32_t)> GpDelim{library, "GpDelim"};
    DriverFunction<std::int32_t(std::int32_t)> GpIfc{library, "GpIfc"};
    DriverFunction<std::int32_t()> GpRen{library, "GpRen"};
    DriverFunction<std::int32_t(std::int32_t, std::int32_t*)> GpBoardsts{library, "GpBoardsts"};
    // The address list: its length (2), then talker and listener.
    DriverFunction<std::int32_t(std::int32_t*, std::int32_t, const std::uint8_t*)> GpTalk{library,
                                                                                          "GpTalk"};
    // The count holds the capacity on entry and the bytes received on return.
    DriverFunction<std::int32_t(std::int32_t*, std::int32_t*, std::uint8_t*)> GpListen{library,
                                                                                       "GpListen"};
};

// Widths in bytes as the driver's interface gives them: the result, then each argument.
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpExit, 4);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpIni, 4);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpTimeout, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpDelim, 4, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpIfc, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpRen, 4);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpBoardsts, 4, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpTalk, 4, platform::kPointer, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(ContecDriver::GpListen, 4, platform::kPointer, platform::kPointer,
                           platform::kPointer);

ContecDriver& Driver() {
    static ContecDriver driver;
    return driver;
}

lb::SessionState& S() {
    return lb::sessionState;
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    auto& driver = Driver();
    S().delimiter = 0;
    S().timeoutSetting = 5;
    S().activeAddress = 0;
    S().recvBufferSize = bufferSize;
    driver.GpExit();  // releases a board left open; its result does not matter here
    S().cardOpen = false;
    S().boardTimeout = false;

    // The driver's time-out is in milliseconds.
    const std::int32_t timeoutMs = std::int32_t{S().timeoutSetting} * 1000;
    const auto step = [](std::int32_t status) {
        S().boardStatus = status;
        return status == kOk;
    };
    if (!step(driver.GpIni())) return false;
    if (!step(driver.GpTimeout(timeoutMs))) return false;
    if (!step(driver.GpDelim(0, 1))) return false;
    if (!step(driver.GpIfc(kIfcTime))) return false;
    if (!step(driver.GpRen())) return false;
    S().cardOpen = true;
    return true;
}

bool BoardClose() {
    lb::ResetClosedSession();
    const std::int32_t status = Driver().GpExit();
    S().boardTimeout = false;
    S().boardStatus = status;
    return status == kOk;
}

bool BoardQueryStatus(std::int16_t& value) {
    std::int32_t registerValue = 0;
    S().boardStatus = Driver().GpBoardsts(kOwnAddressRegister, &registerValue);
    S().boardTimeout = false;
    // The value travels on as 16 bits; one that does not fit would turn into another address,
    // so it counts as not reported.
    if (registerValue < INT16_MIN || registerValue > INT16_MAX) {
        value = 0;
        return false;
    }
    value = static_cast<std::int16_t>(registerValue);
    return S().boardStatus == kOk;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    const std::int32_t own = lb::GetMyAddress().myAddress;
    std::int32_t addresses[] = {2, own, S().activeAddress};
    S().boardStatus =
        Driver().GpTalk(addresses, static_cast<std::int32_t>(bytes.size()), bytes.data());
    S().boardTimeout = S().boardStatus == kTimeoutStatus;
    return S().boardStatus == kOk;
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    const std::int32_t own = lb::GetMyAddress().myAddress;
    std::int32_t addresses[] = {2, S().activeAddress, own};
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    // One byte more than the driver is told it may fill.
    lb::ByteBuffer buffer(static_cast<size_t>(capacity) + 1, 0);
    std::int32_t count = capacity;

    const std::int32_t status = Driver().GpListen(addresses, &count, buffer.data());
    S().boardStatus = status;
    S().boardTimeout = status == kTimeoutStatus;
    const bool received = status == kOk || status == kListenEndedOne || status == kListenEndedTwo;
    bytes = lb::ReceivedBytes(std::move(buffer), received ? count : 0, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
