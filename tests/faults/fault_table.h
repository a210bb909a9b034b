// For each backend, every driver call it makes and what happens to the session when that call
// fails (and, for the transfers, times out). One row is one cell of the fault matrix per
// operation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace faults {

// What the failing call does to the operation.
enum class Effect {
    None,        // the backend does not look at the result: the operation completes cleanly
    NotOpened,   // the open reports failure: the operation stops there, nothing is sent
    DeadBoard,   // the open succeeds but every transfer fails: nothing is received
    Silent,      // the first transfer times out: the operation stops there
    OwnAddress,  // the own-address query fails: every transfer still runs
    Transfer,    // one exchange fails
    EmptyReply,  // the first reply comes back empty
    Close,       // the close fails
    Lost,        // the link to the board goes away: the operation stops, what came is kept
    // The second reply comes after the session's time-out: that exchange fails, and every later
    // one gets its own reply.
    LateReply,
};

struct Cell {
    const char* function;
    int nth;         // which call of the function fails, counting from 1
    long long code;  // what the stand-in returns (or reports as last error)
    Effect effect;
    std::int32_t sessionCode;     // the code the session records for it (0: none)
    std::int32_t afterClose = 0;  // the codes the operation's close leaves
};

inline std::vector<Cell> RatocCells() {
    return {
        {"gp_cardinfo", 1, 4, Effect::NotOpened, 12010},
        {"gp_init", 1, 4, Effect::NotOpened, 12010},
        {"gp_cli", 1, 4, Effect::None, 0},
        {"gp_ren", 1, 4, Effect::None, 0},
        {"gp_delm", 1, 4, Effect::NotOpened, 12010},
        {"gp_delm", 2, 4, Effect::NotOpened, 12010},
        {"gp_tfrout", 1, 7, Effect::Transfer, 12110},
        {"gp_tfrout", 2, 53, Effect::Transfer, 13000},
        {"gp_tfrin", 1, 7, Effect::Transfer, 12110},
        {"gp_tfrin", 2, 53, Effect::Transfer, 13000},
        {"gp_count", 1, -1, Effect::EmptyReply, 0},
        {"gp_lcl", 1, 4, Effect::Close, 12020, 12020},
    };
}

inline std::vector<Cell> ContecCells() {
    return {
        {"GpExit", 1, 3, Effect::None, 0},  // the open's release of an earlier session
        {"GpIni", 1, 3, Effect::NotOpened, 12010},
        {"GpTimeout", 1, 3, Effect::NotOpened, 12010},
        {"GpDelim", 1, 3, Effect::NotOpened, 12010},
        {"GpIfc", 1, 3, Effect::NotOpened, 12010},
        {"GpRen", 1, 3, Effect::NotOpened, 12010},
        {"GpBoardsts", 1, 3, Effect::OwnAddress, 12030},
        {"GpTalk", 1, 3, Effect::Transfer, 12110},
        {"GpTalk", 2, 254, Effect::Transfer, 13000},
        {"GpListen", 1, 3, Effect::Transfer, 12110},
        {"GpListen", 2, 254, Effect::Transfer, 13000},
        {"GpExit", 2, 3, Effect::Close, 12020, 12020},
    };
}

inline std::vector<Cell> InterfaceCells() {
    return {
        {"PciGpibExFinishBoard", 1, -1, Effect::None, 0},
        {"PciGpibExInitBoard", 1, -1, Effect::NotOpened, 12010},
        {"PciGpibExSetConfig", 1, -1, Effect::NotOpened, 12010},
        {"PciGpibExSetIfc", 1, -1, Effect::NotOpened, 12010},
        {"PciGpibExSetRen", 1, -1, Effect::NotOpened, 12010},
        {"PciGpibExMastSendData", 1, -1, Effect::Transfer, 12110},
        {"PciGpibExMastSendData", 2, -14, Effect::Transfer, 13000},
        {"PciGpibExMastRecvData", 1, -1, Effect::Transfer, 12110},
        {"PciGpibExMastRecvData", 2, -14, Effect::Transfer, 13000},
        {"PciGpibExFinishBoard", 2, -1, Effect::Close, 12020, 12020},
    };
}

// The Adtek stand-in makes a failing call return 0 and report the code as the last error.
inline std::vector<Cell> AdtekCells(const std::string& prefix) {
    static std::vector<std::string> names;  // keeps the c_str()s alive
    const auto name = [&](const char* role) {
        names.push_back(prefix + role);
        return names.back().c_str();
    };
    names.reserve(64);
    return {
        {name("Close"), 1, 2, Effect::None, 0},
        // No device was created, so the close of handle 0 fails as well.
        {name("Create"), 1, 2, Effect::NotOpened, 12010, 12020},
        {name("Init"), 1, 2, Effect::NotOpened, 12010},
        {name("SetTime"), 1, 9, Effect::NotOpened, 13000},
        {name("SetEos"), 1, 2, Effect::NotOpened, 12010},
        {name("Ifc"), 1, 2, Effect::NotOpened, 12010},
        {name("Ren"), 1, 9, Effect::NotOpened, 13000},
        {name("GetLastError"), 1, 2, Effect::None, 0},
        {name("SendDataC"), 1, 2, Effect::Transfer, 12110},
        {name("SendDataC"), 2, 9, Effect::Transfer, 13000},
        {name("RecvDataC"), 1, 2, Effect::Transfer, 12110},
        {name("RecvDataC"), 2, 9, Effect::Transfer, 13000},
        {name("Close"), 2, 2, Effect::Close, 12020, 12020},
        {name("Close"), 2, 9, Effect::Close, 13000, 13000},
    };
}

inline std::vector<Cell> YamatoCells() {
    return {
        // Its result is not looked at, but a board that did not start fails every transfer.
        {"Gpib_Init", 1, -1, Effect::DeadBoard, 12110},
        {"Gpib_Ifc", 1, -1, Effect::None, 0},
        {"Gpib_Ren", 1, -1, Effect::None, 0},
        {"Gpib_Bwrt", 1, -1, Effect::Transfer, 12110},
        {"Gpib_Bwrt", 2, 9999, Effect::Transfer, 13000},
        {"Gpib_Bred", 1, -1, Effect::Transfer, 12110},
        {"Gpib_Bred", 2, 9999, Effect::Transfer, 13000},
        {"Gpib_Lcl", 1, -1, Effect::None, 0},  // its close never fails
    };
}

// The NI-488.2 stand-in fails a call with ERR and the code as iberr (6, EABO, also sets TIMO);
// for ThreadIbsta and the byte count the code is the value they report. The byte count is
// ThreadIbcnt on ni4882.dll, whose header has ThreadIbcntl only as a macro. linux-gpib's
// EnableLocal wants the board to be controller-in-charge, which an open that stopped before its
// interface clear never made it: there the close fails as well.
inline std::vector<Cell> Ni488Cells() {
#if defined(_WIN64)
    constexpr const char* kCount = "ThreadIbcnt";
#else
    constexpr const char* kCount = "ThreadIbcntl";
#endif
#if defined(_WIN32)
    constexpr std::int32_t kUnclearedClose = 0;
#else
    constexpr std::int32_t kUnclearedClose = 12020;
#endif
    return {
        {"ibconfig", 1, 4, Effect::NotOpened, 12010, kUnclearedClose},
        {"ibconfig", 1, 6, Effect::NotOpened, 13000, kUnclearedClose},
        {"SendIFC", 1, 4, Effect::NotOpened, 12010, kUnclearedClose},
        {"EnableRemote", 1, 6, Effect::NotOpened, 13000},
        // ERR, with iberr still 0; ERR and TIMO.
        {"ThreadIbsta", 1, 0x8000, Effect::NotOpened, 12010, kUnclearedClose},
        {"ThreadIbsta", 1, 0xC000, Effect::NotOpened, 13000, kUnclearedClose},
        {"Send", 1, 4, Effect::Transfer, 12110},
        {"Send", 2, 6, Effect::Transfer, 13000},
        {"Send", 3, 2, Effect::Transfer, 13000},  // ENOL: nobody took it, the analyzer is silent
        {"Receive", 1, 4, Effect::Transfer, 12110},
        {"Receive", 2, 6, Effect::Transfer, 13000},
        {kCount, 1, -1, Effect::EmptyReply, 0},
        {"EnableLocal", 1, 4, Effect::Close, 12020, 12020},
        {"ibonl", 1, 6, Effect::Close, 13000, 13000},
    };
}

// The VISA stand-in returns the code as the call's status.
inline std::vector<Cell> VisaCells() {
    constexpr long long kSystemError = -1073807360;  // VI_ERROR_SYSTEM_ERROR
    constexpr long long kTimeout = -1073807339;      // VI_ERROR_TMO
    return {
        {"viOpenDefaultRM", 1, kSystemError, Effect::NotOpened, 12010},
        {"viOpen", 1, kTimeout, Effect::NotOpened, 13000},  // the interface session
        {"viSetAttribute", 1, kSystemError, Effect::NotOpened, 12010},
        {"viGpibSendIFC", 1, kSystemError, Effect::NotOpened, 12010},
        {"viGpibControlREN", 1, kTimeout, Effect::NotOpened, 13000},
        // The instrument session: the transfer fails and the next one opens it again.
        {"viOpen", 2, kSystemError, Effect::Transfer, 12110},
        {"viSetAttribute", 2, kTimeout, Effect::Silent, 13000},
        {"viWrite", 1, kSystemError, Effect::Transfer, 12110},
        {"viWrite", 2, kTimeout, Effect::Transfer, 13000},
        {"viRead", 1, kSystemError, Effect::Transfer, 12110},
        {"viRead", 2, kTimeout, Effect::Transfer, 13000},
        {"viGpibControlREN", 2, kSystemError, Effect::Close, 12020, 12020},
        {"viClose", 1, kTimeout, Effect::Close, 13000, 13000},
        {"viClose", 3, kSystemError, Effect::Close, 12020, 12020},
    };
}

// The simulated Prologix controller, an AR488 on an Arduino Uno (a 64-byte input buffer at
// 115200 baud, a reset as its port opens), drops the call (1), is unplugged at it (2), passes on
// half the reply and never its end (3), or has the analyzer answer the read's query only that
// many milliseconds after it (1000 or more). The controller answers nothing about the bus, so a
// message that went nowhere shows only as the reply that does not come. A controller that went
// away cannot send the analyzer to local: the close fails too.
inline std::vector<Cell> PrologixCells() {
    return {
        {"++ver", 1, 2, Effect::NotOpened, 12010},
        {"++ver", 1, 1, Effect::None, 0},           // asked again, and answered
        {"++ifc", 1, 2, Effect::NotOpened, 12010},  // the set-up is confirmed before it is done
        {"++read", 1, 1, Effect::Silent, 13000},
        {"++read", 2, 3, Effect::Transfer, 13000},
        {"++read", 2, 4000, Effect::None, 0},  // within the session's 5 s
        {"++read", 2, 6000, Effect::LateReply, 13000},
        {"++read", 3, 2, Effect::Lost, 12110, 12020},
    };
}

}  // namespace faults
