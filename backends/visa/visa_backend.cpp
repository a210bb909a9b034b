// Backend for any GPIB board or adapter reached through a VISA library: visa32.dll on i686
// Windows, visa64.dll on x86_64 Windows, libvisa.so on Linux (the name is chosen when the backend
// is built). The bus is driven through an interface session on "GPIB0::INTFC"; the transfers go
// through an instrument session on "GPIB0::<address>::INSTR", opened on the first transfer to an
// address and kept while the address stays the same.
//
// Types and constants as visa.h and visatype.h give them for each target: see visa_interface.h.
//
// boardStatus holds the VISA status of the latest call whose result counts: negative is an
// error, zero or positive a success, warnings included.
#include <algorithm>
#include <cstdint>
#include <string>

#include "backends/visa/visa_interface.h"
#include "platform/driver_library.h"
#include "platform/driver_signature.h"
#include "session/backend.h"
#include "session/session_state.h"

namespace lbDef {

namespace {

using platform::DriverFunction;

using visa::ViAttrState;
using visa::ViSession;
using visa::ViStatus;
using visa::ViUInt16;
using visa::ViUInt32;

constexpr ViSession kNone = visa::kNull;  // no session
constexpr ViStatus kTimeoutError = visa::kErrorTmo;
constexpr ViUInt32 kAttrTimeout = visa::kAttrTmoValue;  // in ms
constexpr ViUInt32 kNoLock = visa::kNoLock;
constexpr ViUInt32 kImmediately = 0;  // viOpen's wait for a lock, which no session asks for
constexpr ViUInt16 kRenAssert = visa::kGpibRenAssert;
constexpr ViUInt16 kRenDeassertGtl = visa::kGpibRenDeassertGtl;  // GTL to all, then REN off
constexpr const char* kInterface = "GPIB0::INTFC";

struct VisaDriver {
    platform::DriverLibrary library{TQ58_VISA_LIBRARY};
    DriverFunction<ViStatus(ViSession*)> viOpenDefaultRM{library, "viOpenDefaultRM"};
    // resource manager, resource name, access mode, lock time-out, new session
    DriverFunction<ViStatus(ViSession, const char*, ViUInt32, ViUInt32, ViSession*)> viOpen{
        library, "viOpen"};
    DriverFunction<ViStatus(ViSession)> viClose{library, "viClose"};
    DriverFunction<ViStatus(ViSession, ViUInt32, ViAttrState)> viSetAttribute{library,
                                                                              "viSetAttribute"};
    DriverFunction<ViStatus(ViSession)> viGpibSendIFC{library, "viGpibSendIFC"};
    DriverFunction<ViStatus(ViSession, ViUInt16)> viGpibControlREN{library, "viGpibControlREN"};
    // session, data, count, count written
    DriverFunction<ViStatus(ViSession, const std::uint8_t*, ViUInt32, ViUInt32*)> viWrite{
        library, "viWrite"};
    // session, buffer, capacity, count read
    DriverFunction<ViStatus(ViSession, std::uint8_t*, ViUInt32, ViUInt32*)> viRead{library,
                                                                                   "viRead"};
};

// Widths in bytes as the interface gives them: the result, then each argument. ViAttrState is
// as wide as a pointer.
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viOpenDefaultRM, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viOpen, 4, 4, platform::kPointer, 4, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viClose, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viSetAttribute, 4, 4, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viGpibSendIFC, 4, 4);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viGpibControlREN, 4, 4, 2);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viWrite, 4, 4, platform::kPointer, 4, platform::kPointer);
TQ58_CHECK_DRIVER_FUNCTION(VisaDriver::viRead, 4, 4, platform::kPointer, 4, platform::kPointer);

VisaDriver& Driver() {
    static VisaDriver driver;
    return driver;
}

// Every session this backend holds; kNone where none is open. An open that fails half-way
// leaves what it opened here, and the close closes it.
struct Sessions {
    ViSession manager = kNone;
    ViSession interface = kNone;
    ViSession instrument = kNone;
    std::int16_t instrumentAddress = 0;
};
Sessions sessions;

lb::SessionState& S() {
    return lb::sessionState;
}

bool Keep(ViStatus status) {
    S().boardStatus = status;
    S().boardTimeout = status == kTimeoutError;
    return status >= 0;
}

ViUInt32 TimeoutMs() {
    return static_cast<ViUInt32>(std::max<std::int32_t>(S().timeoutSetting, 0) * 1000);
}

// Closes the instrument, interface and manager sessions in that order; the first failure
// wins. Returns true when there was nothing to close.
bool CloseSessions(bool keepStatus) {
    bool closed = true;
    for (ViSession* session : {&sessions.instrument, &sessions.interface, &sessions.manager}) {
        if (*session == kNone) continue;
        const ViStatus status = Driver().viClose(*session);
        *session = kNone;
        if (keepStatus && closed) closed = Keep(status);
    }
    sessions.instrumentAddress = 0;
    return closed;
}

bool OpenInterface() {
    auto& driver = Driver();
    if (!Keep(driver.viOpenDefaultRM(&sessions.manager))) {
        sessions.manager = kNone;
        return false;
    }
    ViSession opened = kNone;
    if (!Keep(driver.viOpen(sessions.manager, kInterface, kNoLock, kImmediately, &opened))) {
        return false;
    }
    sessions.interface = opened;
    return Keep(driver.viSetAttribute(sessions.interface, kAttrTimeout, TimeoutMs())) &&
           Keep(driver.viGpibSendIFC(sessions.interface)) &&
           Keep(driver.viGpibControlREN(sessions.interface, kRenAssert));
}

// The instrument session for activeAddress, opened on first use with the session's time-out
// (each VISA session has a time-out of its own).
bool Instrument() {
    if (sessions.instrument != kNone && sessions.instrumentAddress == S().activeAddress) {
        return true;
    }
    auto& driver = Driver();
    if (sessions.instrument != kNone) {
        driver.viClose(sessions.instrument);  // given up whatever it says
        sessions.instrument = kNone;
    }
    const std::string name = "GPIB0::" + std::to_string(S().activeAddress) + "::INSTR";
    ViSession opened = kNone;
    if (!Keep(driver.viOpen(sessions.manager, name.c_str(), kNoLock, kImmediately, &opened))) {
        return false;
    }
    if (!Keep(driver.viSetAttribute(opened, kAttrTimeout, TimeoutMs()))) {
        driver.viClose(opened);  // tried afresh on the next transfer
        return false;
    }
    sessions.instrument = opened;
    sessions.instrumentAddress = S().activeAddress;
    return true;
}

}  // namespace

bool BoardOpen(std::int32_t bufferSize) {
    lb::ResetClosedSession();  // closed until the board is ready
    CloseSessions(false);      // what an earlier open left open
    const bool ready = OpenInterface();
    S().cardOpen = ready;
    if (ready) S().recvBufferSize = bufferSize;
    return ready;
}

bool BoardClose() {
    lb::ResetClosedSession();
    S().boardStatus = 0;
    S().boardTimeout = false;
    bool local = true;
    if (sessions.interface != kNone) {
        local = Keep(Driver().viGpibControlREN(sessions.interface, kRenDeassertGtl));
    }
    const ViStatus localStatus = S().boardStatus;
    const bool closed = CloseSessions(true);
    if (!local) Keep(localStatus);
    return local && closed;
}

bool BoardSend(const lb::ByteBuffer& bytes) {
    if (!Instrument()) return false;
    ViUInt32 written = 0;
    return Keep(Driver().viWrite(sessions.instrument, bytes.data(),
                                 static_cast<ViUInt32>(bytes.size()), &written));
}

bool BoardReceive(lb::ByteBuffer& bytes) {
    if (!Instrument()) {
        bytes = lb::ByteBuffer{0};
        return false;
    }
    const std::int32_t capacity = std::max<std::int32_t>(S().recvBufferSize, 0);
    lb::ByteBuffer buffer(static_cast<size_t>(capacity), 0);
    ViUInt32 count = 0;
    const bool received = Keep(Driver().viRead(sessions.instrument, buffer.data(),
                                               static_cast<ViUInt32>(capacity), &count));
    bytes = lb::ReceivedBytes(std::move(buffer), count, capacity);
    return received;
}

std::string DriverLibraryName() {
    return Driver().library.name();
}

}  // namespace lbDef
