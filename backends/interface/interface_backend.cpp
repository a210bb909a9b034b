// Backend for Interface Corporation GPIB boards, over the driver library "GPC4304.DLL".
// Every call names board number 0; the time-out and both delimiters are set in one
// configuration string.
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

constexpr std::int32_t kBoard = 0;
constexpr std::int32_t kOk = 0;
constexpr std::int32_t kTimeoutStatus = -14;  // the master transfers ran out of time
constexpr std::int32_t kIfcTime = 10;
constexpr std::int32_t kEndOfList = -1;

// The board documentation calls the by-value arguments plain "integer" (board number, modes);
// the driver's C prototypes declare them as int, which is 32 bits on every target.
struct InterfaceDriver {
    platform::DriverLibrary library{"GPC4304.DLL"};
    DriverFunction<std::int32_t(std::int32_t)> FinishBoard{library, "PciGpibExFinishBoard"};
    DriverFunction<std::int32_t(std::int32_t, std::int32_t)> InitBoard{library,
                                                                       "PciGpibExInitBoard"};
    DriverFunction<std::int32_t(std::int32_t, const char*)> SetConfig{library,
                                                                      "PciGpibExSetConfig"};
    DriverFunction<std::int32_t(std::int32_t, std::int32_t)> SetIfc{library, "PciGpibExSetIfc"};
    DriverFunction<std::int32_t(std::int32_t)> SetRen{library, "PciGpibExSetRen"};
    // The address list ends with -1.
    DriverFunction<std::int32_t(std::int32_t, std::int32_t*, std::int32_t, const std::uint8_t*,
                                std::int32_t)>
        MastSendData{library, "PciGpibExMastSendData"};
    // The count holds the capacity on entry and the bytes received on return.
    DriverFunction<std::int32_t(std::int32_t, std::int32_t*, std::int32_t*, std::uint8_t*,
                                std::int32_t)>
        MastRecvData{library, "PciGpibExMastRecvData"};
};

// Widths in bytes as the driver's interface gives them: the result, then each argument.
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::FinishBoard, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::InitBoard, 4, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::SetConfig, 4, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::SetIfc, 4, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::SetRen, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::MastSendData, 4, 4, platform::kPointer, 4,
                           platform::kPointer, 4);
TQ58_CHECK_DRIVER_FUNCTION(InterfaceDriver::MastRecvData, 4, 4, platform::kPointer,
                           platform::kPointer, platform::kPointer, 4);

InterfaceDriver& Driver() {
    static InterfaceDriver driver;
    return driver;
}

lb::SessionState& S() {
    return lb::sessionState;
}

// The driver's time-out is in tenths of a second: "/TMO=50 /SDELIM=EOI /RDELIM=EOI" for 5 s.
std::string ConfigurationString() {
    return "/TMO=" + std::to_string(std::int32_t{S().timeoutSetting} * 10) + " /SDELIM=EOI" +
           " /RDELIM=EOI";
}

bool Step(std::int32_t status) {
    S().boardStatus = status;
    return status == kOk;
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    auto& driver = Driver();
    S().cardOpen = false;
    driver.FinishBoard(kBoard);  // releases a board left open; its result does not matter here
    S().delimiter = 0;
    S().timeoutSetting = 5;
    S().activeAddress = 0;
    S().recvBufferSize = bufferSize;
    S().boardTimeout = false;

    if (!Step(driver.InitBoard(kBoard, 0))) return false;
    if (!Step(driver.SetConfig(kBoard, ConfigurationString().c_str()))) return false;
    if (!Step(driver.SetIfc(kBoard, kIfcTime))) return false;
    if (!Step(driver.SetRen(kBoard))) return false;
    S().cardOpen = true;
    return true;
}

bool BoardClose() {
    lb::ResetClosedSession();
    S().boardTimeout = false;
    return Step(Driver().FinishBoard(kBoard));
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    std::int32_t addresses[] = {S().activeAddress, kEndOfList};
    S().boardStatus = Driver().MastSendData(
        kBoard, addresses, static_cast<std::int32_t>(bytes.size()), bytes.data(), 0);
    S().boardTimeout = S().boardStatus == kTimeoutStatus;
    return S().boardStatus == kOk;
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    // One byte more than the driver is told it may fill.
    lb::ByteBuffer buffer(static_cast<size_t>(capacity) + 1, 0);
    std::int32_t addresses[] = {S().activeAddress, kEndOfList};
    std::int32_t count = capacity;

    S().boardStatus = Driver().MastRecvData(kBoard, addresses, &count, buffer.data(), 0);
    S().boardTimeout = S().boardStatus == kTimeoutStatus;
    const bool received = S().boardStatus == kOk;
    bytes = lb::ReceivedBytes(std::move(buffer), received ? count : 0, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
