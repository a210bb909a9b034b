// Backend for Yamato Electronics GPIB boards, over the driver library "Gpdllpci.dll". The
// driver takes no board number or handle; each transfer carries its own time-out and the
// analyzer's address. This is the one backend whose open turns a missing driver into a plain
// failure.
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

constexpr std::int16_t kOk = 0;
constexpr std::int16_t kTimeoutStatus = 9999;  // Gpib_Bwrt and Gpib_Bred ran out of time

// The transfers return a 16-bit code, so the set-up functions, whose results are never looked
// at, are declared with the same 16-bit result.
struct YamatoDriver {
    platform::DriverLibrary library{"Gpdllpci.dll"};
    DriverFunction<std::int16_t()> Gpib_Init{library, "Gpib_Init"};
    DriverFunction<std::int16_t()> Gpib_Ifc{library, "Gpib_Ifc"};
    DriverFunction<std::int16_t()> Gpib_Ren{library, "Gpib_Ren"};
    DriverFunction<std::int16_t()> Gpib_Lcl{library, "Gpib_Lcl"};
    // time-out (ms), data, byte count, address
    DriverFunction<std::int16_t(std::int16_t, const std::uint8_t*, std::int32_t, std::int16_t)>
        Gpib_Bwrt{library, "Gpib_Bwrt"};
    // time-out (ms), buffer, count (the capacity on entry, the bytes received on return),
    // address
    DriverFunction<std::int16_t(std::int16_t, std::uint8_t*, std::int32_t*, std::int16_t)>
        Gpib_Bred{library, "Gpib_Bred"};
};

// Widths in bytes as the driver's interface gives them: the result, then each argument.
TQ58_CHECK_DRIVER_FUNCTION(YamatoDriver::Gpib_Init, 2);
TQ58_CHECK_DRIVER_FUNCTION(YamatoDriver::Gpib_Ifc, 2);
TQ58_CHECK_DRIVER_FUNCTION(YamatoDriver::Gpib_Ren, 2);
TQ58_CHECK_DRIVER_FUNCTION(YamatoDriver::Gpib_Lcl, 2);
TQ58_CHECK_DRIVER_FUNCTION(YamatoDriver::Gpib_Bwrt, 2, 2, platform::kPointer, 4, 2);
TQ58_CHECK_DRIVER_FUNCTION(YamatoDriver::Gpib_Bred, 2, 2, platform::kPointer, platform::kPointer,
                           2);

YamatoDriver& Driver() {
    static YamatoDriver driver;
    return driver;
}

lb::SessionState& S() {
    return lb::sessionState;
}

// Each transfer's time-out in milliseconds, as the driver's 16-bit argument.
std::int16_t TransferTimeout() {
    return static_cast<std::int16_t>(S().timeoutSetting * 1000);
}

bool TransferOutcome(std::int16_t status) {
    S().boardStatus = status;
    S().boardTimeout = status == kTimeoutStatus;
    return status == kOk;
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    S().delimiter = 0;
    S().timeoutSetting = 5;
    S().activeAddress = 0;
    S().recvBufferSize = bufferSize;
    S().cardOpen = false;
    S().boardTimeout = false;
    S().boardStatus = 0;

    // A driver that is not installed is an open failure; past this call, binding errors pass
    // to the caller like everywhere else.
    try {
        Driver().Gpib_Init();
    } catch (const platform::BindingError&) {
        return false;
    }
    Driver().Gpib_Ifc();
    Driver().Gpib_Ren();
    S().cardOpen = true;
    S().boardStatus = 0;
    return true;
}

bool BoardClose() {
    S().boardStatus = 0;
    lb::ResetClosedSession();
    Driver().Gpib_Lcl();
    S().boardStatus = 0;
    S().boardTimeout = false;
    return true;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    return TransferOutcome(Driver().Gpib_Bwrt(TransferTimeout(), bytes.data(),
                                              static_cast<std::int32_t>(bytes.size()),
                                              S().activeAddress));
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    // Two bytes more than the driver is told it may fill.
    lb::ByteBuffer buffer(static_cast<size_t>(capacity) + 2, 0);
    std::int32_t count = capacity;

    const bool received = TransferOutcome(
        Driver().Gpib_Bred(TransferTimeout(), buffer.data(), &count, S().activeAddress));
    // A success with no count hands back one zero byte, as the other boards do.
    bytes = lb::ReceivedBytes(std::move(buffer), received ? count : 0, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
