// The NI-488.2 backend against its stand-in driver, bound by name at run time under this
// platform's library name.
#include <cstddef>
#include <string>

#include "platform/driver_library.h"
#include "session/chosen_interface.h"
#include "tests/backends/board_test.h"

namespace {

using board_test::kTmcQuery;
using board_test::Strings;

// What this target's header says, read here on its own: Send's end modes (NI's ni488.h and
// ni4882.h number them NULLend 0, NLend 1, DABend 2; linux-gpib's ib.h NULLend 0, DABend 1,
// NLend 2), the byte count's function (ni4882.h has ThreadIbcnt only, ThreadIbcntl being a macro
// there) and the transfers' address and count types.
#if defined(_WIN32)
constexpr int kNlEnd = 1;
constexpr int kDabEnd = 2;
using Address = short;
#else
constexpr int kDabEnd = 1;
constexpr int kNlEnd = 2;
using Address = unsigned short;
#endif
#if defined(_WIN64)
const std::string kCountFunction = "ThreadIbcnt";
using Count = std::size_t;
#else
const std::string kCountFunction = "ThreadIbcntl";
using Count = long;
#endif

constexpr std::int32_t kOpenStatus = 0x0160;  // CMPL, CIC and REM
constexpr std::int32_t kEcic = 1;
constexpr std::int32_t kEabo = 6;
constexpr std::int32_t kEarg = 4;
// ERR, CMPL, CIC and REM with iberr EABO and TIMO (a receive that timed out) or with iberr ENOL
// (a send that nobody took).
constexpr std::int32_t kTransferTimedOut = 0x0006C160;
constexpr std::int32_t kNoListener = 0x00028160;

class Ni488Backend : public board_test::BoardTest {
  protected:
    Ni488Backend() : BoardTest(TQ58_DRIVER_LIBRARY) {}
    void SetUp() override {
        BoardTest::SetUp();
        ASSERT_EQ(lbDef::ChooseInterface("0"), "");
    }
    void TearDown() override { lbDef::ChooseInterface("0"); }
};

TEST_F(Ni488Backend, AChosenBoardIndexReachesEveryCallAndNamesTheInterface) {
    standIn.SetInterface("GPIB1");
    EXPECT_EQ(lbDef::ChooseInterface("1"), "");
    EXPECT_EQ(lbDef::InterfaceName(), "GPIB1");
    EXPECT_EQ(lbDef::InterfaceNote(), "");
    Open();
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_TRUE(lbDef::BoardClose());
    const Strings expected{"ibconfig(1, 3, 13)",
                           "SendIFC(1)",
                           "EnableRemote(1, [])",
                           "Send(1, 5, [54 4D 43 3F 0D 0A], 6, " + std::to_string(kDabEnd) + ")",
                           "Receive(1, 5, 65536, 256)",
                           "EnableLocal(1, [])",
                           "ibonl(1, 1)"};
    Strings calls;
    for (const std::string& call : standIn.Log()) {
        if (call.rfind("Thread", 0) != 0) calls.push_back(call);
    }
    EXPECT_EQ(calls, expected);
}

TEST_F(Ni488Backend, ABoardTheDriverDoesNotHaveFailsTheOpenWithItsError) {
    EXPECT_EQ(lbDef::ChooseInterface("2"), "");
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_EQ(s.boardStatus >> 16, 7) << "ENEB";
    EXPECT_EQ(lbDef::DriverStatusText(s.boardStatus), "ibsta 0x8100, iberr 7 (ENEB)");
    EXPECT_EQ(standIn.CallNames(), (Strings{"ibconfig", "ThreadIbsta", "ThreadIberr"}))
        << "nothing after the refused first call";
}

TEST_F(Ni488Backend, AChoiceThatIsNoBoardIndexIsRefusedAndTheEarlierOneKept) {
    ASSERT_EQ(lbDef::ChooseInterface("3"), "");
    for (const char* choice : {"", "-1", "x", "1x", "100", "GPIB1", " 1"}) {
        const std::string refusal = lbDef::ChooseInterface(choice);
        EXPECT_NE(refusal.find(std::string("「") + choice + "」"), std::string::npos) << choice;
        EXPECT_EQ(lbDef::InterfaceName(), "GPIB3") << choice;
    }
}

TEST_F(Ni488Backend, OpenSetsTheTimeoutClearsTheInterfaceAndAssertsRemoteEnable) {
    s.activeAddress = 9;
    EXPECT_TRUE(lbDef::BoardOpen(4096));
    EXPECT_EQ(standIn.Log(), (Strings{"ibconfig(0, 3, 13)", "ThreadIbsta()", "SendIFC(0)",
                                      "ThreadIbsta()", "EnableRemote(0, [])", "ThreadIbsta()"}))
        << "T10s (13) is the nearest time-out of at least 5 s; REN alone, for the whole bus";
    ExpectOpenedWith(4096, kOpenStatus);
}

TEST_F(Ni488Backend, AFailingOpenStepStopsTheOpenWithStatusAndErrorKept) {
    for (const char* step : {"ibconfig", "SendIFC", "EnableRemote"}) {
        for (std::int32_t iberr : {kEarg, kEabo}) {
            standIn.Reset();
            s = lb::SessionState{};
            s.cardOpen = true;
            standIn.FailCall(step, 1, iberr);
            EXPECT_FALSE(lbDef::BoardOpen(4096)) << step;
            EXPECT_FALSE(s.cardOpen) << step;
            EXPECT_EQ(s.recvBufferSize, 65536) << step;
            EXPECT_EQ(s.boardStatus >> 16, iberr) << step;
            EXPECT_NE(s.boardStatus & 0x8000, 0) << step << ": ERR in the status word";
            EXPECT_EQ(s.boardTimeout, iberr == kEabo) << step << ": EABO is a time-out";
            const Strings names = standIn.CallNames();
            EXPECT_EQ(names[names.size() - 3], step) << "nothing after the failing step";
            EXPECT_EQ(names.back(), "ThreadIberr") << step;
        }
    }
    standIn.FailCall("EnableRemote", 2, kEabo);
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastFailure, lb::kTimeout);
}

TEST_F(Ni488Backend, TheStatusWordDecidesAndTimoAloneIsATimeout) {
    Open();
    FailNext("ThreadIbsta", 0xC000);  // ERR and TIMO, iberr still 0
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery));
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 0xC000);

    FailNext("ThreadIbsta", 0x8000);
    FailNext("ThreadIberr", kEabo);
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery));
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 0x00068000);

    FailNext("ThreadIbsta", 0x4100);  // TIMO without ERR: no failure
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 0x4100);
}

TEST_F(Ni488Backend, CloseUnassertsRemoteEnableAndResetsTheBoardWhateverFails) {
    Open();
    s.activeAddress = 5;
    EXPECT_TRUE(lbDef::BoardClose());
    ExpectClosed();
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(SinceOpen(),
              (Strings{"EnableLocal(0, [])", "ThreadIbsta()", "ibonl(0, 1)", "ThreadIbsta()"}));

    // A failed go-to-local still resets the board, and is the failure kept.
    FailNext("EnableLocal", kEarg);
    EXPECT_FALSE(lbDef::BoardClose());
    EXPECT_EQ(standIn.Calls("ibonl").size(), 2u);
    EXPECT_EQ(s.boardStatus >> 16, kEarg);
    EXPECT_FALSE(s.boardTimeout);

    for (const char* step : {"EnableLocal", "ibonl"}) {
        for (std::int32_t iberr : {kEarg, kEabo}) {
            FailNext(step, iberr);
            EXPECT_FALSE(lbDef::BoardClose()) << step;
            EXPECT_EQ(s.boardTimeout, iberr == kEabo) << step;
            EXPECT_EQ(s.boardStatus >> 16, iberr) << step;
            ExpectClosed();
        }
    }
}

TEST_F(Ni488Backend, TransfersAddressTheAnalyzerOnEveryCall) {
    Open();
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(s.boardStatus, 0x2000 | kOpenStatus) << "END came with the reply";
    EXPECT_EQ(SinceOpen(),
              (Strings{"Send(0, 5, [54 4D 43 3F 0D 0A], 6, " + std::to_string(kDabEnd) + ")",
                       "ThreadIbsta()", "Receive(0, 5, 65536, 256)", "ThreadIbsta()",
                       kCountFunction + "()"}))
        << "DABend: END with the last byte sent, nothing appended; the receive may fill 65536 "
           "bytes and stops at END only";
}

// The stand-in on its own: NLend appends a LF, which the analyzer takes as an empty message
// that discards the reply, so a query sent so goes unanswered.
TEST_F(Ni488Backend, OnlyNlendAppendsALineFeedThatTheAnalyzerReceives) {
    Open();
    platform::DriverLibrary library{TQ58_DRIVER_LIBRARY};
    platform::DriverFunction<void(int, Address, const void*, Count, int)> send{library, "Send"};
    for (const int mode : {0, kDabEnd, kNlEnd}) {
        send(0, 5, kTmcQuery.data(), static_cast<Count>(kTmcQuery.size()), mode);
        lb::ByteBuffer bytes;
        const bool answered = lbDef::BoardReceive(bytes);
        EXPECT_EQ(answered, mode != kNlEnd) << "end mode " << mode;
        if (answered) {
            EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10})) << "end mode " << mode;
        }
    }
}

TEST_F(Ni488Backend, ReceivedCountsStayInsideTheBuffer) {
    Open();
    lbDef::BoardSend(kTmcQuery);
    FailNext("Receive", kEarg);
    FailNext(kCountFunction, 2);
    lb::ByteBuffer bytes;
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes.size(), 2u) << "a failed receive is trimmed to ibcntl too";
    ExpectReceivedCountsStayInsideTheBuffer();
}

TEST_F(Ni488Backend, NoListenerAndEaboAreTimeoutsAndOtherErrorsAreNot) {
    Open();
    const auto scripted = [](long long iberr) {
        // The scripted error above ERR, CMPL, CIC and REM.
        return static_cast<std::int32_t>((static_cast<std::uint32_t>(iberr) << 16) | 0x8160u);
    };
    ExpectTimeoutsAre(kTransferTimedOut, "Send", "Receive", scripted, kNoListener);
    FailNext("Send", kEabo);
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery));
    EXPECT_TRUE(s.boardTimeout) << "a send that timed out";
    FailNext("Receive", 2);
    lb::ByteBuffer bytes;
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_FALSE(s.boardTimeout) << "ENOL counts as no answer on a send only";
}

// After an open that failed before its interface clear, the board is not controller-in-charge.
TEST_F(Ni488Backend, ACloseAfterAnOpenThatNeverClearedTheInterfaceSaysWhatTheDriverSaid) {
    standIn.FailCall("SendIFC", 1, kEarg);
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastFailure, lb::kOpenFailed);
    lb::CardClose();
#if defined(_WIN32)
    EXPECT_EQ(s.lastFailure, 0) << "NI's EnableLocal unasserts REN alone without CIC";
#else
    EXPECT_EQ(s.lastFailure, lb::kCloseFailed) << "linux-gpib's EnableLocal wants CIC";
    EXPECT_EQ(s.boardStatus >> 16, kEcic);
    EXPECT_FALSE(s.boardTimeout);
#endif
    EXPECT_EQ(standIn.Calls("ibonl").size(), 1u) << "the board is reset all the same";
    ExpectClosed();
}

TEST_F(Ni488Backend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    ExpectTheWholeWayReadsTheTimeConstant();
}

}  // namespace
