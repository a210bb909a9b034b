// Stand-in for a VISA library, built as visa32.dll (i686 Windows), visa64.dll (x86_64 Windows)
// or libvisa.so (Linux).
//
// Emulates the resource manager and one GPIB interface as system controller: GPIB0 unless the
// bench names another, "GPIB<n>" or a LAN-GPIB gateway "TCPIP0::<host>::gpib0". Sessions
// are numbered 1, 2, ... since the reset; closing a resource manager closes the sessions it
// opened. viOpen knows "GPIB0::INTFC" and "GPIB0::<0 to 30>::INSTR" (for a gateway
// "<gateway>::INTFC", if the bench says it offers one, and "<gateway>,<0 to 30>::INSTR"),
// without regard to case; an instrument session to an address where nothing answers opens with
// the warning VI_SUCCESS_DEV_NPRESENT. A gateway is controller-in-charge of its bus from the
// start. The
// interface session takes viGpibSendIFC, which makes the interface controller-in-charge (the
// transfers need that), and the REN modes 0 to 2; an instrument session takes the transfers and
// the REN modes 0 to 6. Every session takes VI_ATTR_TMO_VALUE and no other attribute. A transfer
// that nobody listens to or answers returns VI_ERROR_TMO at once; a read whose reply does not
// fit returns VI_SUCCESS_MAX_CNT. A scripted code is returned as the call's status.
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <map>
#include <string>
#include <type_traits>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

using ViStatus = std::int32_t;
using ViSession = std::uint32_t;
using ViUInt32 = std::uint32_t;
using ViUInt16 = std::uint16_t;
using ViAttrState = std::conditional_t<sizeof(void*) == 8, std::uint64_t, std::uint32_t>;

constexpr ViStatus Code(std::uint32_t value) {
    return static_cast<ViStatus>(value);
}
constexpr ViStatus kSuccess = 0;
constexpr ViStatus kMaxCount = Code(0x3FFF0006);              // VI_SUCCESS_MAX_CNT
constexpr ViStatus kDeviceNotPresent = Code(0x3FFF007D);      // VI_SUCCESS_DEV_NPRESENT
constexpr ViStatus kInvalidObject = Code(0xBFFF000E);         // VI_ERROR_INV_OBJECT
constexpr ViStatus kNotFound = Code(0xBFFF0011);              // VI_ERROR_RSRC_NFOUND
constexpr ViStatus kTimeout = Code(0xBFFF0015);               // VI_ERROR_TMO
constexpr ViStatus kUnsupportedAttribute = Code(0xBFFF001D);  // VI_ERROR_NSUP_ATTR
constexpr ViStatus kUnsupportedOperation = Code(0xBFFF0067);  // VI_ERROR_NSUP_OPER
constexpr ViStatus kNotController = Code(0xBFFF0082);         // VI_ERROR_NCIC
constexpr ViStatus kInvalidMode = Code(0xBFFF0091);           // VI_ERROR_INV_MODE
constexpr ViUInt32 kAttrTimeout = 0x3FFF001A;                 // VI_ATTR_TMO_VALUE

enum class Kind { Manager, Interface, Instrument };

struct Session {
    Kind kind;
    ViSession manager;  // the manager that opened it (itself for a manager)
    int address;        // an instrument's GPIB address
};

struct VisaBus {
    std::map<ViSession, Session> sessions;
    ViSession next = 1;
    bool controller = false;
};

sim::Bench& B() {
    return sim::Bench::Instance();
}

VisaBus& Bus() {
    static VisaBus bus = [] {
        B().OnReset([] { Bus() = VisaBus{}; });
        return VisaBus{};
    }();
    return bus;
}

const Session* Find(ViSession vi) {
    const auto found = Bus().sessions.find(vi);
    return found == Bus().sessions.end() ? nullptr : &found->second;
}

ViSession Add(Session session) {
    const ViSession vi = Bus().next++;
    if (session.kind == Kind::Manager) session.manager = vi;
    Bus().sessions[vi] = session;
    return vi;
}

std::string Text(long long value) {
    return std::to_string(value);
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", value);
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return text;
}

bool Gateway() {
    return Upper(B().interfaceName()).rfind("TCPIP", 0) == 0;
}

// The instrument address of "<interface>::<n>::INSTR" ("<gateway>,<n>::INSTR"), or -1.
int InstrumentAddress(const std::string& name) {
    const std::string prefix = Upper(B().interfaceName()) + (Gateway() ? "," : "::"),
                      suffix = "::INSTR";
    const std::string upper = Upper(name);
    if (upper.size() <= prefix.size() + suffix.size() || upper.rfind(prefix, 0) != 0 ||
        upper.compare(upper.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return -1;
    }
    const std::string digits =
        name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    if (digits.empty() || digits.size() > 2 ||
        digits.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    const int address = std::stoi(digits);
    return address <= 30 ? address : -1;
}

// The instrument session for a transfer, or the status that refuses it.
ViStatus TransferCheck(ViSession vi, const Session*& session) {
    session = Find(vi);
    if (session == nullptr) return kInvalidObject;
    if (session->kind != Kind::Instrument) return kUnsupportedOperation;
    return Bus().controller || Gateway() ? kSuccess : kNotController;
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viOpenDefaultRM(ViSession* vi) {
    if (auto code = B().Enter("viOpenDefaultRM", "")) return static_cast<ViStatus>(*code);
    if (vi == nullptr) return kInvalidObject;
    *vi = Add({Kind::Manager, 0, 0});
    return kSuccess;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viOpen(ViSession manager, const char* name, ViUInt32 mode,
                                                ViUInt32 timeout, ViSession* vi) {
    if (auto code = B().Enter("viOpen", sim::LogArguments({Text(manager), sim::LogText(name),
                                                           Text(mode), Text(timeout)}))) {
        return static_cast<ViStatus>(*code);
    }
    const Session* owner = Find(manager);
    if (owner == nullptr || owner->kind != Kind::Manager || vi == nullptr) return kInvalidObject;
    const std::string resource = name ? name : "";
    if (B().interfaceResource() && Upper(resource) == Upper(B().interfaceName()) + "::INTFC") {
        *vi = Add({Kind::Interface, manager, 0});
        return kSuccess;
    }
    const int address = InstrumentAddress(resource);
    if (address < 0) return kNotFound;
    *vi = Add({Kind::Instrument, manager, address});
    return B().Present(address) ? kSuccess : kDeviceNotPresent;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viClose(ViSession vi) {
    if (auto code = B().Enter("viClose", Text(vi))) return static_cast<ViStatus>(*code);
    const Session* session = Find(vi);
    if (session == nullptr) return kInvalidObject;
    if (session->kind == Kind::Manager) {
        for (auto it = Bus().sessions.begin(); it != Bus().sessions.end();) {
            it = it->second.manager == vi ? Bus().sessions.erase(it) : std::next(it);
        }
    } else {
        Bus().sessions.erase(vi);
    }
    return kSuccess;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viSetAttribute(ViSession vi, ViUInt32 attribute,
                                                        ViAttrState state) {
    if (auto code = B().Enter(
            "viSetAttribute",
            sim::LogArguments({Text(vi), Hex(attribute), Text(static_cast<long long>(state))}))) {
        return static_cast<ViStatus>(*code);
    }
    if (Find(vi) == nullptr) return kInvalidObject;
    return attribute == kAttrTimeout ? kSuccess : kUnsupportedAttribute;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viGpibSendIFC(ViSession vi) {
    if (auto code = B().Enter("viGpibSendIFC", Text(vi))) return static_cast<ViStatus>(*code);
    const Session* session = Find(vi);
    if (session == nullptr) return kInvalidObject;
    if (session->kind != Kind::Interface) return kUnsupportedOperation;
    Bus().controller = true;
    return kSuccess;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viGpibControlREN(ViSession vi, ViUInt16 mode) {
    if (auto code = B().Enter("viGpibControlREN", sim::LogArguments({Text(vi), Text(mode)}))) {
        return static_cast<ViStatus>(*code);
    }
    const Session* session = Find(vi);
    if (session == nullptr) return kInvalidObject;
    if (session->kind == Kind::Manager) return kUnsupportedOperation;
    const ViUInt16 highest = session->kind == Kind::Interface ? 2 : 6;
    return mode <= highest ? kSuccess : kInvalidMode;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viWrite(ViSession vi, const std::uint8_t* data,
                                                 ViUInt32 count, ViUInt32* written) {
    if (written) *written = 0;
    if (auto code = B().Enter(
            "viWrite", sim::LogArguments({Text(vi), sim::LogBytes(data, count), Text(count)}))) {
        return static_cast<ViStatus>(*code);
    }
    const Session* session = nullptr;
    if (const ViStatus refused = TransferCheck(vi, session); refused != kSuccess) return refused;
    if (!B().Deliver(session->address, data, count)) return kTimeout;
    if (written) *written = count;
    return kSuccess;
}

TQ58SIM_EXPORT ViStatus TQ58_DRIVER_CALL viRead(ViSession vi, std::uint8_t* buffer, ViUInt32 count,
                                                ViUInt32* read) {
    if (read) *read = 0;
    if (auto code = B().Enter("viRead", sim::LogArguments({Text(vi), Text(count)}))) {
        return static_cast<ViStatus>(*code);
    }
    const Session* session = nullptr;
    if (const ViStatus refused = TransferCheck(vi, session); refused != kSuccess) return refused;
    const auto reply = B().Fetch(session->address);
    if (!reply) return kTimeout;
    const long long received = B().CopyReply(*reply, buffer, count);
    if (read) *read = static_cast<ViUInt32>(received);
    return reply->size() > count ? kMaxCount : kSuccess;
}

}  // extern "C"
