// The Interface Corporation backend against its stand-in driver, bound by name at run time.
#include "tests/backends/board_test.h"

namespace {

using board_test::kTmcQuery;
using board_test::Strings;

class InterfaceBackend : public board_test::BoardTest {
  protected:
    InterfaceBackend() : BoardTest("GPC4304.DLL") {}
};

TEST_F(InterfaceBackend, OpenStartsBoardZeroWithTheConfigurationStringAndSetsTheSession) {
    s.activeAddress = 9;
    standIn.FailCall("PciGpibExFinishBoard", 1, -5);  // ignored
    EXPECT_TRUE(lbDef::BoardOpen(4096));
    const std::string configuration = "/TMO=50 /SDELIM=EOI /RDELIM=EOI";
    EXPECT_EQ(configuration.size(), 31u);
    EXPECT_EQ(standIn.Log(), (Strings{"PciGpibExFinishBoard(0)", "PciGpibExInitBoard(0, 0)",
                                      "PciGpibExSetConfig(0, \"" + configuration + "\")",
                                      "PciGpibExSetIfc(0, 10)", "PciGpibExSetRen(0)"}));
    ExpectOpenedWith(4096);
}

TEST_F(InterfaceBackend, AnOpenStopsAtItsFirstFailingStepWithTheSessionClosed) {
    for (const char* step :
         {"PciGpibExInitBoard", "PciGpibExSetConfig", "PciGpibExSetIfc", "PciGpibExSetRen"}) {
        standIn.Reset();
        s = lb::SessionState{};
        s.cardOpen = true;
        s.activeAddress = 7;
        standIn.FailCall(step, 1, -14);  // the transfers' time-out code, here a plain failure
        EXPECT_FALSE(lbDef::BoardOpen(4096)) << step;
        EXPECT_FALSE(s.cardOpen) << step;
        EXPECT_EQ(s.boardStatus, -14) << step;
        EXPECT_FALSE(s.boardTimeout) << step;
        EXPECT_EQ(s.recvBufferSize, 4096) << step;
        EXPECT_EQ(s.activeAddress, 0) << step;
        EXPECT_EQ(standIn.CallNames().back(), step) << "nothing after the failing step";
    }
    FailNext("PciGpibExSetRen", -14);
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastFailure, lb::kOpenFailed) << "no time-out during an open";
}

TEST_F(InterfaceBackend, CloseResetsTheSessionEvenWhenTheDriverFails) {
    Open();
    s.boardTimeout = true;
    FailNext("PciGpibExFinishBoard", -8);
    EXPECT_FALSE(lbDef::BoardClose());
    ExpectClosed();
    EXPECT_EQ(s.boardStatus, -8);
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(SinceOpen(), Strings{"PciGpibExFinishBoard(0)"});
}

TEST_F(InterfaceBackend, TransfersNameTheAnalyzerInAListEndedByMinusOne) {
    Open();
    EXPECT_TRUE(lbDef::BoardSend({'D', 'L', 'M', 13, 10}));
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(SinceOpen().front(), "PciGpibExMastSendData(0, [5, -1], 5, [44 4C 4D 0D 0A], 0)");
    EXPECT_EQ(SinceOpen().back(), "PciGpibExMastRecvData(0, [5, -1], 65536, 0)")
        << "the receive may fill 65536 bytes";
}

TEST_F(InterfaceBackend, ReceivedCountsStayInsideTheBuffer) {
    Open();
    ExpectReceivedCountsStayInsideTheBuffer();
}

TEST_F(InterfaceBackend, CodeMinus14IsATimeoutOnBothTransfersAndOtherCodesAreNot) {
    Open();
    ExpectTimeoutsAre(-14, "PciGpibExMastSendData", "PciGpibExMastRecvData");
}

TEST_F(InterfaceBackend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    ExpectTheWholeWayReadsTheTimeConstant();
}

}  // namespace
