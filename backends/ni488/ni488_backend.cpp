// Backend for any board whose driver offers the NI-488.2 C interface: gpib-32.dll on i686
// Windows, ni4882.dll on x86_64 Windows, linux-gpib's libgpib.so.0 on Linux (the name is chosen
// when the backend is built). It uses only functions that all three export: the 488.2
// multidevice routines, which take the board index and the device's address on every call as
// the other boards' drivers do, ibconfig and ibonl on the board index, and the thread's own
// copies of ibsta, iberr and ibcntl (the global variables are not exported the same way).
//
// boardStatus holds the status word ibsta in its low 16 bits and, when ibsta has ERR set, the
// error code iberr in the bits above: 0x0006C100 is ERR, TIMO and CMPL with EABO.
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

// The interface declares its arguments as C int, Addr4882_t (unsigned short) and long.
using Int = std::int32_t;       // C int: 32 bits on every target
using Address = std::uint16_t;  // Addr4882_t: primary address in the low byte, secondary above
#if defined(_WIN32) && !defined(_WIN64)
using ByteCount = std::int32_t;    // the transfers' long count: 32 bits on i686
using CountResult = std::int32_t;  // ThreadIbcntl's long: 32 bits on Windows
#elif defined(_WIN32)
// The 64-bit Windows headers declare the transfers' count as size_t; a library that reads a
// 32-bit long finds the same value in the low half of the argument register.
using ByteCount = std::int64_t;
using CountResult = std::int32_t;  // ThreadIbcntl's long: 32 bits on Windows
#else
using ByteCount = std::int64_t;    // long: 64 bits on x86_64 Linux
using CountResult = std::int64_t;  // ThreadIbcntl's long
#endif

constexpr Int kBoard = 0;               // board index 0, the interface "GPIB0"
constexpr Address kNoAddress = 0xFFFF;  // NOADDR, which ends an address list
constexpr Int kErr = 0x8000;            // ibsta: the call failed, iberr says why
constexpr Int kTimo = 0x4000;           // ibsta: the time limit ran out
constexpr Int kEabo = 6;                // iberr: the I/O was abandoned, as a time-out does
constexpr Int kIbcTmo = 0x0003;         // ibconfig option: the I/O time-out
constexpr Int kDabEnd = 1;              // Send: END (EOI) with the last byte, nothing appended
constexpr Int kStopEnd = 0x0100;        // Receive: stop at END only, on no received character

// Every 488.2 routine but ibconfig and ibonl returns nothing: the outcome is read back through
// ThreadIbsta, ThreadIberr and ThreadIbcntl after each call.
struct Ni488Driver {
    platform::DriverLibrary library{TQ58_NI488_LIBRARY};
    DriverFunction<Int(Int, Int, Int)> ibconfig{library, "ibconfig"};  // ud, option, setting
    DriverFunction<Int(Int, Int)> ibonl{library, "ibonl"};             // ud, online
    DriverFunction<void(Int)> SendIFC{library, "SendIFC"};
    // The address lists end with NOADDR.
    DriverFunction<void(Int, const Address*)> EnableRemote{library, "EnableRemote"};
    DriverFunction<void(Int, const Address*)> EnableLocal{library, "EnableLocal"};
    // board, address, data, count, end-of-transfer mode; the data as the interface types it
    DriverFunction<void(Int, Address, const void*, ByteCount, Int)> Send{library, "Send"};
    // board, address, buffer, capacity, termination
    DriverFunction<void(Int, Address, void*, ByteCount, Int)> Receive{library, "Receive"};
    DriverFunction<Int()> ThreadIbsta{library, "ThreadIbsta"};
    DriverFunction<Int()> ThreadIberr{library, "ThreadIberr"};
    DriverFunction<CountResult()> ThreadIbcntl{library, "ThreadIbcntl"};
};

// Widths in bytes as the interface gives them: the result (0: none), then each argument. The
// transfers' count is a long on i686 and Linux and a size_t on 64-bit Windows: as wide as a
// pointer on all three. ThreadIbcntl returns a long: 4 bytes on Windows, 8 on x86_64 Linux.
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
TQ58_CHECK_DRIVER_FUNCTION(Ni488Driver::ThreadIbcntl, sizeof(long));

Ni488Driver& Driver() {
    static Ni488Driver driver;
    return driver;
}

lb::SessionState& S() {
    return lb::sessionState;
}

// An empty address list: REN alone, for the whole bus.
constexpr Address kWholeBus[] = {kNoAddress};

struct Outcome {
    bool ok;
    std::int32_t status;  // as boardStatus keeps it
    bool timeout;
};

// The outcome of the latest driver call, from the thread's own ibsta and iberr.
Outcome LatestOutcome() {
    const Int ibsta = Driver().ThreadIbsta() & 0xFFFF;
    if ((ibsta & kErr) == 0) return {true, ibsta, false};
    const Int iberr = Driver().ThreadIberr();
    const auto status = static_cast<std::int32_t>((static_cast<std::uint32_t>(iberr) << 16) |
                                                  static_cast<std::uint32_t>(ibsta));
    return {false, status, iberr == kEabo || (ibsta & kTimo) != 0};
}

bool Keep(const Outcome& outcome) {
    S().boardStatus = outcome.status;
    S().boardTimeout = outcome.timeout;
    return outcome.ok;
}

// The interface's time-outs are fixed steps (T1s = 11, T3s = 12, T10s = 13, ...); the nearest
// one at least as long as the session's setting, so 5 s becomes T10s.
Int TimeoutCode(std::int16_t seconds) {
    constexpr struct {
        int seconds;
        Int code;
    } kSteps[] = {{1, 11}, {3, 12}, {10, 13}, {30, 14}, {100, 15}, {300, 16}};
    for (const auto& step : kSteps) {
        if (seconds <= step.seconds) return step.code;
    }
    return 17;  // T1000s
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    lb::ResetClosedSession();  // closed until the board is ready
    auto& driver = Driver();

    // The time-out first, so that even the interface clear cannot hang for the default.
    driver.ibconfig(kBoard, kIbcTmo, TimeoutCode(S().timeoutSetting));
    bool ready = Keep(LatestOutcome());
    if (ready) {
        driver.SendIFC(kBoard);
        ready = Keep(LatestOutcome());
    }
    if (ready) {
        driver.EnableRemote(kBoard, kWholeBus);
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
    // whether or not the analyzer still listens.
    driver.EnableLocal(kBoard, kWholeBus);
    const Outcome local = LatestOutcome();
    // The board goes back to its configured settings. linux-gpib takes no board index offline
    // (ibonl with 0), so that is as far as a release goes on every platform.
    driver.ibonl(kBoard, 1);
    const Outcome reset = LatestOutcome();
    return Keep(local.ok ? reset : local) && local.ok;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    Driver().Send(kBoard, static_cast<Address>(S().activeAddress), bytes.data(),
                  static_cast<ByteCount>(bytes.size()), kDabEnd);
    return Keep(LatestOutcome());
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    lb::ByteBuffer buffer(static_cast<size_t>(capacity), 0);
    auto& driver = Driver();
    driver.Receive(kBoard, static_cast<Address>(S().activeAddress), buffer.data(), capacity,
                   kStopEnd);
    const bool received = Keep(LatestOutcome());
    // ibcntl counts the bytes received, also those before a failure.
    bytes = lb::ReceivedBytes(std::move(buffer), driver.ThreadIbcntl(), capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
