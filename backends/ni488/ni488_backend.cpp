// Backend for any board whose driver offers the NI-488.2 C interface: gpib-32.dll on i686
// Windows, ni4882.dll on x86_64 Windows, linux-gpib's libgpib.so.0 on Linux (the name is chosen
// when the backend is built). It uses the 488.2 multidevice routines, which take the board index
// and the device's address on every call as the other boards' drivers do, ibconfig and ibonl on
// the board index (0, the interface GPIB0, unless the user chose another), and the thread's own
// copies of ibsta, iberr and the byte count (the global variables are not exported the same way).
// Types, constants and the functions' names follow each target's own header: see ni488_interface.h.
//
// boardStatus holds the status word ibsta in its low 16 bits and, when ibsta has ERR set, the
// error code iberr in the bits above: 0x0006C100 is ERR, TIMO and CMPL with EABO.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <type_traits>

#include "backends/ni488/ni488_interface.h"
#include "platform/driver_library.h"
#include "platform/driver_signature.h"
#include "session/backend.h"
#include "session/chosen_interface.h"
#include "session/session_state.h"

namespace lbDef {

namespace {

using ni488::Address;
using platform::DriverFunction;
using Int = std::int32_t;  // C int: 32 bits on every target

// The board index: n is the interface "GPIBn". The drivers number their boards from 0 and refuse
// an index they have no board for (ENEB) at its first call.
Int boardIndex = 0;
constexpr Int kHighestBoard = 99;

// Every 488.2 routine but ibconfig and ibonl returns nothing: the outcome is read back through
// ThreadIbsta, ThreadIberr and the byte count after each call.
struct Ni488Driver {
    platform::DriverLibrary library{TQ58_NI488_LIBRARY};
    DriverFunction<ni488::Status(Int, Int, Int)> ibconfig{library, "ibconfig"};  // ud, option, v
    DriverFunction<ni488::Status(Int, Int)> ibonl{library, "ibonl"};             // ud, online
    DriverFunction<void(Int)> SendIFC{library, "SendIFC"};
    // The address lists end with NOADDR.
    DriverFunction<void(Int, ni488::AddressList*)> EnableRemote{library, "EnableRemote"};
    DriverFunction<void(Int, ni488::AddressList*)> EnableLocal{library, "EnableLocal"};
    // board, address, data, count, end-of-transfer mode
    DriverFunction<void(Int, Address, ni488::Data*, ni488::ByteCount, Int)> Send{library, "Send"};
    // board, address, buffer, capacity, termination
    DriverFunction<void(Int, Address, void*, ni488::ByteCount, Int)> Receive{library, "Receive"};
    DriverFunction<ni488::Status()> ThreadIbsta{library, "ThreadIbsta"};
    DriverFunction<ni488::Status()> ThreadIberr{library, "ThreadIberr"};
    // ThreadIbcntl, or ThreadIbcnt where ThreadIbcntl is only a macro (ni4882.dll).
    DriverFunction<ni488::CountResult()> ByteCount{library, ni488::kCountFunction};
};

// Widths in bytes as the interface gives them: the result (0: none), then each argument. The
// transfers' count is a long on i686 and Linux and a size_t on 64-bit Windows: as wide as a
// pointer on all three. The byte count is a long (unsigned in ni4882.h): 4 bytes on Windows, 8 on
// x86_64 Linux.
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::ibconfig, 4, 4, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::ibonl, 4, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::SendIFC, 0, 4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::EnableRemote, 0, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::EnableLocal, 0, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::Send, 0, 4, 2, platform::kPointer, platform::kPointer, 4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::Receive, 0, 4, 2, platform::kPointer, platform::kPointer,
                           4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::ThreadIbsta, 4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::ThreadIberr, 4);
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::ByteCount, sizeof(long));

Ni488Driver& Driver() {
    static Ni488Driver driver;
    return driver;
}

lb::SessionState& S() {
    return lb::sessionState;
}

struct Outcome {
    bool ok;
    std::int32_t status;  // as boardStatus keeps it
    bool timeout;
};

// The outcome of the latest driver call, from the thread's own ibsta and iberr.
Outcome LatestOutcome() {
    const Int ibsta = static_cast<Int>(Driver().ThreadIbsta() & 0xFFFF);
    if ((ibsta & ni488::kErr) == 0) return {true, ibsta, false};
    const auto iberr = static_cast<Int>(Driver().ThreadIberr());
    const auto status = static_cast<std::int32_t>((static_cast<std::uint32_t>(iberr) << 16) |
                                                  static_cast<std::uint32_t>(ibsta));
    return {false, status, iberr == ni488::kEabo || (ibsta & ni488::kTimo) != 0};
}

bool Keep(const Outcome& outcome) {
    S().boardStatus = outcome.status;
    S().boardTimeout = outcome.timeout;
    return outcome.ok;
}

// The interface's time-outs are fixed steps; the nearest one at least as long as the session's
// setting, so 5 s becomes T10s.
Int TimeoutCode(std::int16_t seconds) {
    for (const auto& step : ni488::kTimeoutSteps) {
        if (seconds <= step.seconds) return step.code;
    }
    return ni488::kTimeoutSteps[std::size(ni488::kTimeoutSteps) - 1].code;
}

// iberr's names, the same in every family's header.
constexpr const char* kErrorNames[] = {"EDVR", "ECIC", "ENOL", "EADR", "EARG", "ESAC", "EABO",
                                       "ENEB", "EDMA", "",     "EOIP", "ECAP", "EFSO", "",
                                       "EBUS", "ESTB", "ESRQ", "",     "",     "",     "ETAB"};

}  // namespace

std::string ChooseInterface(const std::string& choice) {
    // A plain index, as the drivers number their boards.
    if (choice.empty() || choice.size() > 2 ||
        choice.find_first_not_of("0123456789") != std::string::npos ||
        std::stoi(choice) > kHighestBoard) {
        return "ボード番号「" + choice + "」は使えません。0 から " + std::to_string(kHighestBoard) +
               " の番号を指定してください（GPIB0 は 0）。";
    }
    boardIndex = std::stoi(choice);
    return {};
}

std::string InterfaceName() {
    return "GPIB" + std::to_string(boardIndex);
}

std::string InterfaceNote() {
    return {};
}

std::string DriverStatusText(std::int32_t boardStatus) {
    const auto ibsta = static_cast<std::uint32_t>(boardStatus) & 0xFFFF;
    char text[32];
    std::snprintf(text, sizeof text, "ibsta 0x%04X", static_cast<unsigned>(ibsta));
    std::string words = text;
    if ((ibsta & ni488::kErr) == 0) return words;
    const auto iberr = static_cast<std::uint32_t>(boardStatus) >> 16;
    words += ", iberr " + std::to_string(iberr);
    if (iberr < std::size(kErrorNames) && kErrorNames[iberr][0] != '\0') {
        words += std::string(" (") + kErrorNames[iberr] + ")";
    }
    return words;
}

bool BoardOpen(std::int32_t bufferSize) {
    lb::ResetClosedSession();  // closed until the board is ready
    auto& driver = Driver();

    // The time-out first, so that even the interface clear cannot hang for the default.
    driver.ibconfig(boardIndex, ni488::kIbcTmo, TimeoutCode(S().timeoutSetting));
    bool ready = Keep(LatestOutcome());
    if (ready) {
        driver.SendIFC(boardIndex);
        ready = Keep(LatestOutcome());
    }
    if (ready) {
        Address wholeBus[] = {ni488::kNoAddress};  // an empty list: REN alone, for the whole bus
        driver.EnableRemote(boardIndex, wholeBus);
        ready = Keep(LatestOutcome());
    }
    S().cardOpen = ready;
    if (ready) S().recvBufferSize = bufferSize;
    return ready;
}

bool BoardClose() {
    lb::ResetClosedSession();
    auto& driver = Driver();
    // REN unasserted sends every device to local, whether or not an address was selected and
    // whether or not the analyzer still listens. linux-gpib wants the board to be
    // controller-in-charge even for that, so there a close after an open that failed before its
    // interface clear fails too (ECIC), and says so.
    Address wholeBus[] = {ni488::kNoAddress};
    driver.EnableLocal(boardIndex, wholeBus);
    const Outcome local = LatestOutcome();
    // ibonl with 1 puts the board back to its configured settings, the time-out included: that
    // is all the release this backend needs, since every open configures the board afresh.
    // (Neither family refuses ibonl with 0, which takes the board offline; nothing here needs
    // that.)
    driver.ibonl(boardIndex, 1);
    const Outcome reset = LatestOutcome();
    return Keep(local.ok ? reset : local) && local.ok;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    // ni488.h types the data as void*, although the driver only reads it.
    Driver().Send(boardIndex, static_cast<Address>(S().activeAddress),
                  const_cast<std::uint8_t*>(bytes.data()),
                  static_cast<ni488::ByteCount>(bytes.size()), ni488::kDabEnd);
    Outcome outcome = LatestOutcome();
    // No listener (ENOL): nothing took the message at the analyzer's address. To the session
    // that is the analyzer not answering, as a time-out is on the older boards.
    if (!outcome.ok && (outcome.status >> 16) == ni488::kEnol) outcome.timeout = true;
    return Keep(outcome);
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    lb::ByteBuffer buffer(static_cast<size_t>(capacity), 0);
    auto& driver = Driver();
    driver.Receive(boardIndex, static_cast<Address>(S().activeAddress), buffer.data(),
                   static_cast<ni488::ByteCount>(capacity), ni488::kStopEnd);
    const bool received = Keep(LatestOutcome());
    // The count covers the bytes received, also those before a failure. ni4882.h makes it
    // unsigned; 2^31 or more cannot be a count for this buffer and reads, as the signed count of
    // the other headers does, as nothing received.
    const auto count = static_cast<std::make_signed_t<ni488::CountResult>>(driver.ByteCount());
    bytes = lb::ReceivedBytes(std::move(buffer), count, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
