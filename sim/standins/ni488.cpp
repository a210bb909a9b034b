// Stand-in for a driver library with the NI-488.2 C interface, built as gpib-32.dll (i686
// Windows), ni4882.dll (x86_64 Windows) or libgpib.so.0 (Linux, as linux-gpib names it). Written
// from each target's header (NI's ni488.h and ni4882.h; linux-gpib's include/gpib/ib.h and
// gpib_user.h, and the rules of its lib/ sources), on its own: it shares nothing with the
// backend, so that a constant the backend gets wrong shows as a failure.
//
// Emulates one board, index 0 unless the bench names another interface "GPIB<n>", as system
// controller (gpib.conf's "master = yes" on Linux) on a bus where the analyzer is the only device.
// SendIFC makes it controller-in-charge, which the transfers need. ibconfig takes the time-out
// option with a code from 0 (none) to 17 (T1000s); ibonl with 1 puts the time-out back to the
// configured default, with 0 it takes the board offline until its next call. Every call leaves
// ibsta, iberr and the byte count for ThreadIbsta, ThreadIberr and ThreadIbcnt/ThreadIbcntl.
//
// Send's end mode is numbered as the target's header numbers it: NI's NULLend 0, NLend 1,
// DABend 2; linux-gpib's NULLend 0, DABend 1, NLend 2. NLend sends a LF with END after the data,
// so the analyzer receives that LF as well; DABend sends END with the last byte, NULLend no END.
//
// A send to an address where nothing listens fails with ENOL; a receive from one, or with no
// reply pending, times out at once (ERR, TIMO, iberr EABO). A scripted code fails a call with
// ERR and that code as iberr (TIMO too for EABO); for the status functions it is the value
// reported.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/driver_call.h"
#include "sim/standins/control.h"
#include "sim/standins/standin_core.h"

namespace {

#if defined(_WIN32)
// ni488.h and ni4882.h
using Address = short;
constexpr int kNlEnd = 1;
constexpr int kDabEnd = 2;
constexpr int kDefaultTimeout = 13;  // T10s, NI-488.2's default for a board
#else
// linux-gpib's ib.h
using Address = std::uint16_t;  // Addr4882_t
constexpr int kDabEnd = 1;
constexpr int kNlEnd = 2;
constexpr int kDefaultTimeout = 12;  // T3s: the library's default where gpib.conf sets none
#endif
constexpr int kNullEnd = 0;

#if defined(_WIN64)
// ni4882.h: every status function returns unsigned long, the counts are size_t.
using Status = unsigned long;
using CountArgument = std::size_t;
#else
using Status = int;
using CountArgument = long;
#endif

constexpr int kErr = 0x8000;
constexpr int kTimo = 0x4000;
constexpr int kEnd = 0x2000;
constexpr int kCmpl = 0x0100;
constexpr int kRem = 0x0040;
constexpr int kCic = 0x0020;

constexpr int kEcic = 1;  // not controller-in-charge
constexpr int kEnol = 2;  // no listener
constexpr int kEarg = 4;  // invalid argument
constexpr int kEabo = 6;  // I/O abandoned: the time-out
constexpr int kEneb = 7;  // no such board

constexpr int kIbcTmo = 0x0003;
constexpr Address kNoAddress = static_cast<Address>(0xFFFF);

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

// The index of the one board there is: n of the bench's interface "GPIB<n>", or -1.
int BoardIndex() {
    const std::string& name = B().interfaceName();
    if (name.size() < 5 || name.size() > 6 || name.rfind("GPIB", 0) != 0 ||
        name.find_first_not_of("0123456789", 4) != std::string::npos) {
        return -1;
    }
    return std::stoi(name.substr(4));
}

// The board index and, for a transfer, the controller and the address; 0 when all is well.
int TransferError(int board, Address address) {
    if (board != BoardIndex()) return kEneb;
    if (!Board().controller) return kEcic;
    return (address & 0xFF) <= 30 ? 0 : kEarg;
}

// What EnableRemote and EnableLocal refuse a valid list for, before they touch REN. linux-gpib
// (lib/ibSre.c, lib/ibLoc.c) wants the board to be controller-in-charge even for a list of
// NOADDR alone; NI's routines want it only to address devices.
int RemoteLocalError(const Address* list) {
#if defined(_WIN32)
    const bool addressing = list != nullptr && list[0] != kNoAddress;
    return addressing && !Board().controller ? kEcic : 0;
#else
    static_cast<void>(list);
    return Board().controller ? 0 : kEcic;
#endif
}

Status Reported(int value) {
    return static_cast<Status>(value);
}

}  // namespace

extern "C" {

TQ58SIM_EXPORT Status TQ58_DRIVER_CALL ibconfig(int ud, int option, int setting) {
    if (Scripted("ibconfig", sim::LogArguments({Text(ud), Text(option), Text(setting)}))) {
        return Reported(Board().ibsta);
    }
    if (ud != BoardIndex()) return Reported(Fail(kEneb));
    if (option == kIbcTmo) {
        if (setting < 0 || setting > 17) return Reported(Fail(kEarg));
        Board().timeout = setting;
    }
    return Reported(Succeed());
}

TQ58SIM_EXPORT Status TQ58_DRIVER_CALL ibonl(int ud, int online) {
    if (Scripted("ibonl", sim::LogArguments({Text(ud), Text(online)}))) {
        return Reported(Board().ibsta);
    }
    if (ud != BoardIndex()) return Reported(Fail(kEneb));
    // Online: the configured settings again. Offline: the board's next call brings it back
    // with them, as linux-gpib's library reopens a board on every call.
    Board().timeout = kDefaultTimeout;
    return Reported(Succeed());
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL SendIFC(int board) {
    if (Scripted("SendIFC", Text(board))) return;
    if (board != BoardIndex()) {
        Fail(kEneb);
        return;
    }
    Board().controller = true;
    Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL EnableRemote(int board, const Address* list) {
    if (Scripted("EnableRemote", sim::LogArguments({Text(board), ListText(list)}))) return;
    if (board != BoardIndex()) {
        Fail(kEneb);
        return;
    }
    if (!ValidList(list)) {
        Fail(kEarg);
        return;
    }
    if (const int error = RemoteLocalError(list); error != 0) {
        Fail(error);
        return;
    }
    Board().remote = true;
    Succeed();
}

TQ58SIM_EXPORT void TQ58_DRIVER_CALL EnableLocal(int board, const Address* list) {
    if (Scripted("EnableLocal", sim::LogArguments({Text(board), ListText(list)}))) return;
    if (board != BoardIndex()) {
        Fail(kEneb);
        return;
    }
    if (list != nullptr && !ValidList(list)) {
        Fail(kEarg);
        return;
    }
    if (const int error = RemoteLocalError(list); error != 0) {
        Fail(error);
        return;
    }
    // REN unasserted: every device goes to local. A list that names devices sends them GTL.
    if (list == nullptr || list[0] == kNoAddress) Board().remote = false;
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
    if (eotMode != kNullEnd && eotMode != kDabEnd && eotMode != kNlEnd) {
        Fail(kEarg);
        return;
    }
    if (length < 0) {
        Fail(kEarg);
        return;
    }
    if (!B().Present(address & 0xFF)) {
        Fail(kEnol);
        return;
    }
    std::vector<std::uint8_t> message(bytes, bytes + length);
    if (eotMode == kNlEnd) message.push_back('\n');  // the LF that carries END
    B().Deliver(address & 0xFF, message.data(), static_cast<long long>(message.size()));
    Board().ibcntl = static_cast<long>(message.size());
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

TQ58SIM_EXPORT Status TQ58_DRIVER_CALL ThreadIbsta(void) {
    if (auto code = B().Enter("ThreadIbsta", "")) return static_cast<Status>(*code);
    return Reported(Board().ibsta);
}

TQ58SIM_EXPORT Status TQ58_DRIVER_CALL ThreadIberr(void) {
    if (auto code = B().Enter("ThreadIberr", "")) return static_cast<Status>(*code);
    return Reported(Board().iberr);
}

#if defined(_WIN64)
// ni4882.h declares the byte count as unsigned long ThreadIbcnt(void) only: ThreadIbcntl is a
// macro there, so ni4882.dll exports no function of that name.
TQ58SIM_EXPORT unsigned long TQ58_DRIVER_CALL ThreadIbcnt(void) {
    if (auto code = B().Enter("ThreadIbcnt", "")) return static_cast<unsigned long>(*code);
    return static_cast<unsigned long>(Board().ibcntl);
}
#else
// ni488.h and linux-gpib's ib.h declare both: int ThreadIbcnt(void), long ThreadIbcntl(void).
TQ58SIM_EXPORT int TQ58_DRIVER_CALL ThreadIbcnt(void) {
    if (auto code = B().Enter("ThreadIbcnt", "")) return static_cast<int>(*code);
    return static_cast<int>(Board().ibcntl);
}

TQ58SIM_EXPORT long TQ58_DRIVER_CALL ThreadIbcntl(void) {
    if (auto code = B().Enter("ThreadIbcntl", "")) return static_cast<long>(*code);
    return Board().ibcntl;
}
#endif

}  // extern "C"
