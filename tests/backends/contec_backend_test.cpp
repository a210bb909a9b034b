// The Contec backend against its stand-in driver, bound by name at run time.
#include "tests/backends/board_test.h"

namespace {

using board_test::kTmcQuery;
using board_test::Strings;

class ContecBackend : public board_test::BoardTest {
  protected:
    ContecBackend() : BoardTest("apigpib1.dll") {}
};

TEST_F(ContecBackend, OpenReleasesThenStartsTheBoardInOrderAndSetsTheSession) {
    s.activeAddress = 9;
    standIn.FailCall("GpExit", 1, 77);  // a board that was not started cannot be released
    EXPECT_TRUE(lbDef::BoardOpen(4096));
    EXPECT_EQ(standIn.Log(), (Strings{"GpExit()", "GpIni()", "GpTimeout(5000)", "GpDelim(0, 1)",
                                      "GpIfc(10)", "GpRen()"}));
    ExpectOpenedWith(4096);
}

TEST_F(ContecBackend, AnOpenStopsAtItsFirstFailingStepWithTheSessionClosed) {
    for (const char* step : {"GpIni", "GpTimeout", "GpDelim", "GpIfc", "GpRen"}) {
        standIn.Reset();
        s = lb::SessionState{};
        s.cardOpen = true;
        s.activeAddress = 7;
        standIn.FailCall(step, 1, 254);  // the transfers' time-out code, here a plain failure
        EXPECT_FALSE(lbDef::BoardOpen(4096)) << step;
        EXPECT_FALSE(s.cardOpen) << step;
        EXPECT_EQ(s.boardStatus, 254) << step;
        EXPECT_FALSE(s.boardTimeout) << step;
        EXPECT_EQ(s.recvBufferSize, 4096) << step;
        EXPECT_EQ(s.activeAddress, 0) << step;
        EXPECT_EQ(s.timeoutSetting, 5) << step;
        EXPECT_EQ(standIn.CallNames().back(), step) << "nothing after the failing step";
    }
    FailNext("GpRen", 254);
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastFailure, lb::kOpenFailed) << "no time-out during an open";
}

TEST_F(ContecBackend, CloseResetsTheSessionEvenWhenTheDriverFails) {
    Open();
    FailNext("GpExit", 8);
    EXPECT_FALSE(lbDef::BoardClose());
    ExpectClosed();
    EXPECT_EQ(s.boardStatus, 8);
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_TRUE(lbDef::BoardClose());
}

TEST_F(ContecBackend, TransfersNameTheBoardByTheAddressItReports) {
    standIn.SetBoardAddress(21);
    Open();
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(SinceOpen(), (Strings{"GpBoardsts(8)", "GpTalk([2, 21, 5], 6, [54 4D 43 3F 0D 0A])",
                                    "GpBoardsts(8)", "GpListen([2, 5, 21], 65536)"}))
        << "talker then listener; the receive may fill 65536 bytes";
}

TEST_F(ContecBackend, WithoutTheOwnAddressTheTransferRunsAsAddressZeroAndKeeps12030) {
    Open();
    FailNext("GpBoardsts", 5);
    lb::SendString("TMC?");
    EXPECT_EQ(standIn.Calls("GpTalk").back(), "GpTalk([2, 0, 5], 6, [54 4D 43 3F 0D 0A])");
    EXPECT_EQ(s.lastError, 0) << "the send itself succeeded";
    EXPECT_EQ(s.lastFailure, lb::kOwnAddressNotObtained);
    EXPECT_EQ(s.boardStatus, 0) << "the transfer's code";

    FailNext("GpBoardsts", 5);
    FailNext("GpListen", 9);
    lb::ByteBuffer bytes;
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(s.lastError, lb::kOwnAddressNotObtained);
    EXPECT_EQ(standIn.Calls("GpListen").back(), "GpListen([2, 5, 0], 65536)");
    EXPECT_EQ(s.boardStatus, 9);
}

TEST_F(ContecBackend, AnOwnAddressBeyondSixteenBitsIsNotTakenForAnotherAddress) {
    standIn.SetBoardAddress(65536 + 21);
    Open();
    lbDef::BoardSend(kTmcQuery);
    EXPECT_EQ(standIn.Calls("GpTalk").back().substr(0, 17), "GpTalk([2, 0, 5],");
    EXPECT_EQ(s.lastFailure, lb::kOwnAddressNotObtained);
}

TEST_F(ContecBackend, EveryEndOfAListenThatCountsAsSuccessHandsBackExactlyTheCount) {
    Open();
    s.recvBufferSize = 4;
    standIn.SetReply("DOD?", "123456789\r\n");
    lb::ByteBuffer bytes;
    lbDef::BoardSend(board_test::kDodQuery);
    EXPECT_TRUE(lbDef::BoardReceive(bytes)) << "code 1: the reply filled the count";
    EXPECT_EQ(s.boardStatus, 1);
    EXPECT_EQ(bytes, (lb::ByteBuffer{'1', '2', '3', '4'}));

    FailNext("GpListen", 2);
    EXPECT_TRUE(lbDef::BoardReceive(bytes)) << "code 2";
    EXPECT_EQ(bytes, lb::ByteBuffer{0}) << "nothing received is one zero byte";
}

TEST_F(ContecBackend, ReceivedCountsStayInsideTheBuffer) {
    Open();
    ExpectReceivedCountsStayInsideTheBuffer();
}

TEST_F(ContecBackend, Code254IsATimeoutOnBothTransfersAndOtherCodesAreNot) {
    Open();
    ExpectTimeoutsAre(254, "GpTalk", "GpListen");
}

TEST_F(ContecBackend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    ExpectTheWholeWayReadsTheTimeConstant();
}

}  // namespace
