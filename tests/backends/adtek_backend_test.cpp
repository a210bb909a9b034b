// The Adtek backend against its stand-in driver, bound by name at run time. Built once per
// library; the two make the same calls under their own prefix.
#include "tests/backends/board_test.h"

#ifndef ADTEK_LIBRARY
#define ADTEK_LIBRARY "axpgp02"
#define ADTEK_PREFIX "Gp02"
#endif

namespace {

using board_test::kTmcQuery;
using board_test::Strings;

// The function of the given role under this library's prefix, e.g. "Gp02Init".
std::string F(const std::string& role) {
    return ADTEK_PREFIX + role;
}

class AdtekBackend : public board_test::BoardTest {
  protected:
    AdtekBackend() : BoardTest(ADTEK_LIBRARY) {}
};

TEST_F(AdtekBackend, OpenCreatesAndSetsUpADeviceInOrderAndSetsTheSession) {
    s.activeAddress = 9;
    EXPECT_TRUE(lbDef::BoardOpen(4096));
    EXPECT_EQ(standIn.Log(), (Strings{F("Close(0)"), F("Create(-1)"), F("Init(1, 0, 1, 4096)"),
                                      F("SetTime(1, 5000)"), F("SetEos(1, 0, 1)"), F("Ifc(1)"),
                                      F("Ren(1, 1)"), F("GetLastError(1)")}));
    ExpectOpenedWith(4096);

    // A second open without a close leaves the first device and creates another.
    EXPECT_TRUE(lbDef::BoardOpen(65536));
    EXPECT_EQ(standIn.Calls(F("Init")).back(), F("Init(2, 0, 1, 65536)"));
}

TEST_F(AdtekBackend, AFailedCreateKeepsTheEarlierHandleAndTheDefaultBufferSize) {
    Open();
    ASSERT_TRUE(lbDef::BoardClose());
    FailNext(F("Create"), 6);
    EXPECT_FALSE(lbDef::BoardOpen(4096));
    EXPECT_EQ(s.recvBufferSize, 65536);
    EXPECT_EQ(s.boardStatus, 6);
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(standIn.Calls(F("Init")).size(), 1u) << "no init after the failed create";
    EXPECT_EQ(standIn.Log().back(), F("GetLastError(1)"));
}

TEST_F(AdtekBackend, ALaterFailingStepReportsTheLastErrorAndLeavesCardOpenAsItWas) {
    for (const char* role : {"Init", "SetTime", "SetEos", "Ifc", "Ren"}) {
        for (bool wasOpen : {false, true}) {
            standIn.Reset();
            s = lb::SessionState{};
            s.cardOpen = wasOpen;
            standIn.FailCall(F(role), 1, 9);
            EXPECT_FALSE(lbDef::BoardOpen(4096)) << role;
            EXPECT_EQ(s.cardOpen, wasOpen) << role;
            EXPECT_EQ(s.boardStatus, 9) << role;
            EXPECT_TRUE(s.boardTimeout) << role << ": last error 9 is a time-out";
            EXPECT_EQ(s.recvBufferSize, 4096) << role;
            const Strings names = standIn.CallNames();
            EXPECT_EQ(names[names.size() - 2], F(role)) << "nothing after the failing step";
            EXPECT_EQ(standIn.Log().back(), F("GetLastError(1)")) << role;
        }
    }
    FailNext(F("SetTime"), 9);
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastFailure, lb::kTimeout);
}

TEST_F(AdtekBackend, CloseEndsTheDeviceAndAsksForTheDriversLastErrorWithMinusOne) {
    Open();
    FailNext(F("GetLastError"), 9);
    EXPECT_TRUE(lbDef::BoardClose()) << "the close itself succeeded";
    ExpectClosed();
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 9);

    // The handle is kept: a second close names the same, now closed, device.
    EXPECT_FALSE(lbDef::BoardClose());
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_NE(s.boardStatus, 0);
    EXPECT_EQ(SinceOpen(), (Strings{F("Close(1)"), F("GetLastError(-1)"), F("Close(1)"),
                                    F("GetLastError(-1)")}));
}

TEST_F(AdtekBackend, TransfersGoThroughTheHandleAndReadTheLastErrorAfterwards) {
    Open();
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(SinceOpen(),
              (Strings{F("SendDataC(1, 5, [54 4D 43 3F 0D 0A], 6)"), F("GetLastError(1)"),
                       F("RecvDataC(1, 5, 65536)"), F("GetLastError(1)")}))
        << "the receive may fill 65536 bytes";

    FailNext(F("GetLastError"), 9);
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery)) << "accepted, whatever the last error says";
    EXPECT_TRUE(s.boardTimeout);
}

TEST_F(AdtekBackend, ReceivedCountsStayInsideTheBuffer) {
    Open();
    FailNext(F("RecvDataC"), 4);
    lb::ByteBuffer bytes;
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, lb::ByteBuffer{0}) << "a failed receive of no bytes";
    ExpectReceivedCountsStayInsideTheBuffer();
}

TEST_F(AdtekBackend, LastError9IsATimeoutOnBothTransfersAndOtherCodesAreNot) {
    Open();
    ExpectTimeoutsAre(9, F("SendDataC"), F("RecvDataC"));
}

TEST_F(AdtekBackend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    ExpectTheWholeWayReadsTheTimeConstant();
}

}  // namespace
