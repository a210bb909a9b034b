// Backend for any GPIB board or adapter reached through a VISA library: visa32.dll on i686
// Windows, visa64.dll on x86_64 Windows, libvisa.so on Linux (the name is chosen when the backend
// is built). The bus is driven through an interface session on "GPIB0::INTFC"; the transfers go
// through an instrument session on "GPIB0::<address>::INSTR", opened on the first transfer to an
// address and kept while the address stays the same.
//
// The user may choose another interface: "GPIB1" (GPIB1::INTFC, GPIB1::<address>::INSTR), or a
// LAN-GPIB gateway (VXI-11), "TCPIP0::<host>::gpib0::INTFC" with instruments
// "TCPIP0::<host>::gpib0,<address>::INSTR". VISA defines no interface class for TCPIP, so a
// gateway may have no INTFC resource; given as "TCPIP0::<host>::gpib0,<address>::INSTR" (the
// address is the window's), the gateway is used through instrument sessions alone. No interface
// clear is sent then: the gateway is its bus's system controller and cleared it when it started,
// and every transfer addresses the analyzer. Remote enable, which the analyzer needs to take its
// settings, is asserted with the analyzer addressed (viGpibControlREN is defined on a TCPIP
// instrument session), and the close sends it go-to-local the same way.
//
// Types and constants as visa.h and visatype.h give them for each target: see visa_interface.h.
//
// boardStatus holds the VISA status of the latest call whose result counts: negative is an
// error, zero or positive a success, warnings included.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "backends/visa/visa_interface.h"
#include "platform/driver_library.h"
#include "platform/driver_signature.h"
#include "session/backend.h"
#include "session/chosen_interface.h"
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

// The interface the sessions go through.
struct Interface {
    std::string name = "GPIB0";                      // as the status line shows it
    std::string interfaceResource = "GPIB0::INTFC";  // empty: instrument sessions alone
    std::string instrumentPrefix = "GPIB0::";        // + address + "::INSTR"
};
Interface chosen;

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
    if (chosen.interfaceResource.empty()) return true;  // see Instrument()
    if (!Keep(driver.viOpen(sessions.manager, chosen.interfaceResource.c_str(), kNoLock,
                            kImmediately, &opened))) {
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
    const std::string name =
        chosen.instrumentPrefix + std::to_string(S().activeAddress) + "::INSTR";
    ViSession opened = kNone;
    if (!Keep(driver.viOpen(sessions.manager, name.c_str(), kNoLock, kImmediately, &opened))) {
        return false;
    }
    bool ready = Keep(driver.viSetAttribute(opened, kAttrTimeout, TimeoutMs()));
    if (ready && chosen.interfaceResource.empty()) {
        // No interface session: remote enable with the analyzer addressed. A gateway that does
        // not offer it on its instrument sessions keeps its bus in remote itself.
        const ViStatus status = driver.viGpibControlREN(opened, visa::kGpibRenAssertAddress);
        if (status != visa::kErrorNsupOper) ready = Keep(status);
    }
    if (!ready) {
        driver.viClose(opened);  // tried afresh on the next transfer
        return false;
    }
    sessions.instrument = opened;
    sessions.instrumentAddress = S().activeAddress;
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return text;
}

bool Digits(const std::string& text, size_t most) {
    return !text.empty() && text.size() <= most &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// Cuts suffix (any case) off text; true when it was there.
bool CutSuffix(std::string& text, const std::string& suffix) {
    if (text.size() <= suffix.size() || Upper(text.substr(text.size() - suffix.size())) != suffix) {
        return false;
    }
    text.resize(text.size() - suffix.size());
    return true;
}

std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t end = text.find("::", start);
        fields.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return fields;
        start = end + 2;
    }
}

// The interface a choice names, or nothing. VISA reads resource names without regard to case.
bool ReadChoice(std::string text, Interface& read) {
    const bool intfc = CutSuffix(text, "::INTFC");
    const bool instr = !intfc && CutSuffix(text, "::INSTR");
    const std::vector<std::string> fields = Fields(text);
    const std::string kind = Upper(fields[0]);
    if (kind.rfind("GPIB", 0) == 0 && fields.size() == 1 && !instr) {
        const std::string board = kind.substr(4);
        if (!board.empty() && !Digits(board, 2)) return false;
        read.name = "GPIB" + (board.empty() ? "0" : board);
        read.interfaceResource = read.name + "::INTFC";
        read.instrumentPrefix = read.name + "::";
        return true;
    }
    if (kind.rfind("TCPIP", 0) != 0 || fields.size() != 3 || fields[1].empty() ||
        (kind.size() > 5 && !Digits(kind.substr(5), 2))) {
        return false;
    }
    // The gateway's GPIB interface, "gpib0", and in an instrument's name its address after
    // a comma: the window's address takes its place.
    std::string device = fields[2];
    const size_t comma = device.find(',');
    if (comma != std::string::npos) {
        if (intfc || !Digits(device.substr(comma + 1), 2)) return false;
        device.resize(comma);
    } else if (instr) {
        return false;  // a gateway's own instrument, not one on its bus
    }
    if (Upper(device).rfind("GPIB", 0) != 0 || !Digits(device.substr(4), 2)) return false;
    read.name = fields[0] + "::" + fields[1] + "::" + device;
    read.interfaceResource = intfc ? read.name + "::INTFC" : std::string();
    read.instrumentPrefix = read.name + ",";
    return true;
}

}  // namespace

std::string ChooseInterface(const std::string& choice) {
    Interface read;
    if (!ReadChoice(choice, read)) {
        return "VISA インターフェース「" + choice +
               "」は使えません。GPIB0、GPIB1 のようなインターフェース名か、LAN-GPIB ゲートウェイの"
               "リソース名（TCPIP0::192.168.1.20::gpib0::INTFC、"
               "TCPIP0::192.168.1.20::gpib0,5::INSTR など）を指定してください。";
    }
    chosen = read;
    return {};
}

std::string InterfaceName() {
    return chosen.name;
}

std::string InterfaceNote() {
    if (!chosen.interfaceResource.empty()) return {};
    return "「" + chosen.name +
           "」はインターフェースのリソース（INTFC）を使わずに、測定器のリソースだけで通信します"
           "（インターフェースクリアは送りません）。";
}

std::string DriverStatusText(std::int32_t boardStatus) {
    struct Named {
        ViStatus status;
        const char* name;
    };
    static constexpr Named kNames[] = {{kTimeoutError, "VI_ERROR_TMO"},
                                       {visa::kErrorRsrcNfound, "VI_ERROR_RSRC_NFOUND"},
                                       {visa::kErrorInvRsrcName, "VI_ERROR_INV_RSRC_NAME"},
                                       {visa::kErrorNsupOper, "VI_ERROR_NSUP_OPER"},
                                       {visa::kErrorNcic, "VI_ERROR_NCIC"}};
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(boardStatus));
    std::string words = text;
    for (const Named& named : kNames) {
        if (named.status == boardStatus) words += std::string(" (") + named.name + ")";
    }
    return words;
}

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
    } else if (sessions.instrument != kNone) {
        const ViStatus status =
            Driver().viGpibControlREN(sessions.instrument, visa::kGpibRenAddressGtl);
        if (status != visa::kErrorNsupOper) local = Keep(status);
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
