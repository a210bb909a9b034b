// Backend for the Ratoc Systems REX-5052 card, over its driver library "gplib2K.dll"
// (Windows 2000/XP) or "gplib32.dll" (Windows 9x), chosen when the backend is built.
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

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kTimeoutStatus = 53;  // gp_tfrout and gp_tfrin ran out of time

// The driver's C prototypes declare the arguments that the card's documentation calls plain
// "integer" (gp_init's mode, gp_delm's value) as int, which is 32 bits on every target.
struct RatocDriver {
    platform::DriverLibrary library{TQ58_RATOC_LIBRARY};
    DriverFunction<std::int32_t(std::int32_t*, std::int32_t*, std::int32_t*)> gp_cardinfo{
        library, "gp_cardinfo"};
    DriverFunction<std::int32_t(std::int32_t, std::int32_t, std::int16_t)> gp_init{library,
                                                                                   "gp_init"};
    DriverFunction<std::int32_t()> gp_cli{library, "gp_cli"};
    DriverFunction<std::int32_t()> gp_ren{library, "gp_ren"};
    DriverFunction<std::int32_t(const char*, std::int32_t)> gp_delm{library, "gp_delm"};
    DriverFunction<std::int32_t(const char*)> gp_lcl{library, "gp_lcl"};
    DriverFunction<std::int32_t(const char*, std::int32_t, const std::uint8_t*)> gp_tfrout{
        library, "gp_tfrout"};
    DriverFunction<std::int32_t(const char*, std::int32_t, std::uint8_t*)> gp_tfrin{library,
                                                                                    "gp_tfrin"};
    DriverFunction<std::int32_t()> gp_count{library, "gp_count"};
};

// Widths in bytes as the driver's interface gives them: the result, then each argument.
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_cardinfo, 4, platform::kPointer, platform::kPointer,
                           platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_init, 4, 4, 4, 2);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_cli, 4);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_ren, 4);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_delm, 4, platform::kPointer, 4);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_lcl, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_tfrout, 4, platform::kPointer, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_tfrin, 4, platform::kPointer, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(RatocDriver::gp_count, 4);

RatocDriver& Driver() {
    static RatocDriver driver;
    return driver;
}

lb::SessionState& S() {
    return lb::sessionState;
}

// The device as the driver names it: the decimal digits of the address.
std::string AddressText() {
    return std::to_string(S().activeAddress);
}

bool TransferOutcome(std::int32_t status) {
    S().boardStatus = status;
    S().boardTimeout = status == kTimeoutStatus;
    return status == kOk;
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    auto& driver = Driver();
    S().boardTimeout = false;

    std::int32_t present = 0;
    std::int32_t ioBase = 0;
    std::int32_t interrupt = 0;
    S().boardStatus = driver.gp_cardinfo(&present, &ioBase, &interrupt);
    if (S().boardStatus != kOk) {
        S().cardOpen = false;
        return false;
    }
    // gp_init takes the third value as 16 bits; one that does not fit would reach the driver
    // as another value, so the card counts as not found.
    if (interrupt < INT16_MIN || interrupt > INT16_MAX) {
        S().cardOpen = false;
        return false;
    }
    S().boardStatus = driver.gp_init(0, ioBase, static_cast<std::int16_t>(interrupt));
    if (S().boardStatus != kOk) {
        S().cardOpen = false;
        return false;
    }
    driver.gp_cli();
    driver.gp_ren();

    S().cardOpen = true;
    S().timeoutSetting = 5;
    S().activeAddress = 0;
    S().recvBufferSize = bufferSize;
    S().delimiter = 0;

    // A delimiter failure is an open failure, but the card is initialised and stays usable.
    S().boardStatus = driver.gp_delm("l", 0);
    if (S().boardStatus != kOk) return false;
    S().boardStatus = driver.gp_delm("t", 128);
    return S().boardStatus == kOk;
}

bool BoardClose() {
    lb::ResetClosedSession();
    S().boardStatus = Driver().gp_lcl("");
    S().boardTimeout = false;
    return S().boardStatus == kOk;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    const std::string device = AddressText();
    return TransferOutcome(
        Driver().gp_tfrout(device.c_str(), static_cast<std::int32_t>(bytes.size()), bytes.data()));
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    auto& driver = Driver();
    const std::string device = AddressText();
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 1);
    lb::ByteBuffer buffer(static_cast<size_t>(capacity), 0);

    const bool received = TransferOutcome(driver.gp_tfrin(device.c_str(), capacity, buffer.data()));
    const std::int32_t count = received ? driver.gp_count() : 0;
    bytes = lb::ReceivedBytes(std::move(buffer), count, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
