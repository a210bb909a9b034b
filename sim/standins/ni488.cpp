// Stand-in for a driver library with the NI-488.2 C interface, built as gpib-32.dll (i686
// Windows), ni4882.dll (x86_64 Windows) or libgpib.so.0 (Linux, as linux-gpib names it).
//
// Emulates board index 0 as system controller: SendIFC makes it controller-in-charge, which the
// transfers and EnableLocal need; ibconfig takes the time-out option with a time-out code from
// 0 (none) to 17 (T1000s); ibonl with 1 resets the time-out to T10s and, as linux-gpib, refuses 0
// on a board index. Every call leaves ibsta, iberr and ibcntl for ThreadIbsta, ThreadIberr and
// ThreadIbcntl. A transfer that nobody listens to or answers fails at once with ERR, TIMO and
// iberr EABO. A scripted code fails a call with ERR and that code as iberr (TIMO too for
// EABO); for the three status functions it is the value reported.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

// The interface's own C types: int, unsigned short (Addr4882_t) and long; 64-bit Windows
// headers declare the transfers' count as size_t.
using Address = unsigned short;
#if defined(_WIN64)
using CountArgument = std::size_t;
#else
using CountArgument = long;
#endif

constexpr int kErr = 0x8000;
constexpr int kTimo = 0x4000;
constexpr int kEnd = 0x2000;
constexpr int kCmpl = 0x0100;
constexpr int kCic = 0x0020;
constexpr int kRem = 0x0040;

constexpr int kEcic = 1;  // not controller-in-charge
constexpr int kEarg = 4;  // invalid argument
constexpr int kEabo = 6;  // I/O abandoned: the time-out
constexpr int kEneb = 7;  // no such board

constexpr int kIbcTmo = 0x0003;
constexpr int kDefaultTimeout = 13;  // T10s
constexpr Address kNoAddress = 0xFFFF;

struct NiBoard {
    bool controller = false;
    bool remote = false;
    int timeout = kDefaultTimeout;
    int ibsta = 0;
    int iberr = 0;
    long ibcntl = 0;
};

sim::Bench& B() {
    return sim::Bench::Instance();
}

NiBoard& Board() {
    static NiBoard board = [] {
        B().OnReset([] { Board() = NiBoard{}; });
        return NiBoard{};
    }();
    return board;
}

int LineBits() {
    return (Board().controller ? kCic : 0) | (Board().remote ? kRem : 0);
}

int Succeed(int extra = 0) {
    Board().ibsta = kCmpl | LineBits() | extra;
    return Board().ibsta;
}

int Fail(int error) {
    Board().iberr = error;
    Board().ibsta = kErr | kCmpl | LineBits() | (error == kEabo ? kTimo : 0);
    return Board().ibsta;
}

// Logs the call; a scripted code fails it.
bool Scripted(const char* function, const std::string& arguments) {
    const auto code = B().Enter(function, arguments);
    if (!code) return false;
    Board().ibcntl = 0;
    Fail(static_cast<int>(*code));
    return true;
}

std::string Text(long long value) {
    return std::to_string(value);
}

// The addresses of a list up to NOADDR: [5] or [] for REN alone.
std::string ListText(const Address* list) {
    if (list == nullptr) return "null";
    std::string text = "[";
    for (int i = 0; i < 32 && list[i] != kNoAddress; ++i) {
        if (i > 0) text += ", ";
        text += Text(list[i]);
    }
    return text + "]";
}

bool ValidList(const Address* list) {
    if (list == nullptr) return false;
    for (int i = 0; i < 32; ++i) {
        if (list[i] == kNoAddress) return true;
        if ((list[i] & 0xFF) > 30) return false;
    }
    return false;
}

// The board index and, for a transfer, the controller and the address; 0 when all is well.
int TransferError(int board, Address address) {
    if (board != 0) return kEneb;
    if (!Board().controller) return kEcic;
    return (address & 0xFF) <= 30 ? 0 : kEarg;
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT int TQ58_DRIVER_CALL ibconfig(int ud, int option, int setting) {
    if (Scripted("ibconfig", sim::LogArguments({Text(ud), Text(option), Text(setting)}))) {
        return Board().ibsta;
    }
    if (ud != 0) return Fail(kEneb);
    if (option == kIbcTmo) {
        if (setting < 0 || setting > 17) return Fail(kEarg);
        Board().timeout = setting;
    }
    return Succeed();
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL ibonl(int ud, int online) {
    if (Scripted("ibonl", sim::LogArguments({Text(ud), Text(online)}))) return Board().ibsta;
    if (ud != 0) return Fail(kEneb);
    if (online == 0) return Fail(kEarg);  // a board index cannot be taken offline
    Board().timeout = kDefaultTimeout;
    return Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL SendIFC(int board) {
    if (Scripted("SendIFC", Text(board))) return;
    if (board != 0) {
        Fail(kEneb);
        return;
    }
    Board().controller = true;
    Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL EnableRemote(int board, const Address* list) {
    if (Scripted("EnableRemote", sim::LogArguments({Text(board), ListText(list)}))) return;
    if (board != 0) {
        Fail(kEneb);
        return;
    }
    if (!ValidList(list)) {
        Fail(kEarg);
        return;
    }
    if (list[0] != kNoAddress && !Board().controller) {
        Fail(kEcic);  // addressing needs the controller; REN alone does not
        return;
    }
    Board().remote = true;
    Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL EnableLocal(int board, const Address* list) {
    if (Scripted("EnableLocal", sim::LogArguments({Text(board), ListText(list)}))) return;
    if (board != 0) {
        Fail(kEneb);
        return;
    }
    if (list != nullptr && !ValidList(list)) {
        Fail(kEarg);
        return;
    }
    if (list == nullptr || list[0] == kNoAddress) {
        Board().remote = false;  // REN unasserted: every device goes to local
    } else if (!Board().controller) {
        Fail(kEcic);
        return;
    }
    Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL Send(int board, Address address, const void* data,
                                          CountArgument count, int eotMode) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const auto length = static_cast<long long>(count);
    if (Scripted("Send",
                 sim::LogArguments({Text(board), Text(address), sim::LogBytes(bytes, length),
                                    Text(length), Text(eotMode)}))) {
        return;
    }
    Board().ibcntl = 0;
    if (const int error = TransferError(board, address); error != 0) {
        Fail(error);
        return;
    }
    if (eotMode < 0 || eotMode > 2) {
        Fail(kEarg);
        return;
    }
    if (!B().Deliver(address & 0xFF, bytes, length)) {
        Fail(kEabo);
        return;
    }
    Board().ibcntl = static_cast<long>(length);
    Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL Receive(int board, Address address, void* buffer,
                                             CountArgument count, int termination) {
    const auto capacity = static_cast<long long>(count);
    if (Scripted("Receive", sim::LogArguments(
                                {Text(board), Text(address), Text(capacity), Text(termination)}))) {
        return;
    }
    Board().ibcntl = 0;
    if (const int error = TransferError(board, address); error != 0) {
        Fail(error);
        return;
    }
    const auto reply = B().Fetch(address & 0xFF);
    if (!reply) {
        Fail(kEabo);
        return;
    }
    const long long received = B().CopyReply(*reply, static_cast<std::uint8_t*>(buffer), capacity);
    Board().ibcntl = static_cast<long>(received);
    // END came with the reply's last byte when the whole reply fitted.
    Succeed(static_cast<long long>(reply->size()) <= capacity ? kEnd : 0);
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL ThreadIbsta(void) {
    if (auto code = B().Enter("ThreadIbsta", "")) return static_cast<int>(*code);
    return Board().ibsta;
}

TQ58SIM_EXPORT int TQ58_DRIVER_CALL ThreadIberr(void) {
    if (auto code = B().Enter("ThreadIberr", "")) return static_cast<int>(*code);
    return Board().iberr;
}

TQ58SIM_EXPORT long TQ58_DRIVER_CALL ThreadIbcntl(void) {
    if (auto code = B().Enter("ThreadIbcntl", "")) return static_cast<long>(*code);
    return Board().ibcntl;
}

}  // extern "C"
