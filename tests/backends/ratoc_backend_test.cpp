// The Ratoc backend against its stand-in driver, bound by name at run time.
#include <gtest/gtest.h>

#include "session/backend.h"
#include "session/error_codes.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "tests/support/standin_control.h"

#ifndef RATOC_LIBRARY
#define RATOC_LIBRARY "gplib2K.dll"
#endif

namespace {

using Strings = std::vector<std::string>;

class RatocBackend : public ::testing::Test {
  protected:
    void SetUp() override {
        standIn.Reset();
        lb::sessionState = lb::SessionState{};
    }
    testing_support::StandIn standIn{RATOC_LIBRARY};
    lb::SessionState& s = lb::sessionState;

    // An open card with the analyzer's address selected, as the session leaves it.
    void Open() {
        ASSERT_TRUE(lbDef::BoardOpen(65536));
        s.activeAddress = 5;
    }
};

TEST_F(RatocBackend, OpenInitialisesTheCardInOrderAndSetsTheSession) {
    s.activeAddress = 9;
    EXPECT_TRUE(lbDef::BoardOpen(65536));
    EXPECT_EQ(standIn.Log(), (Strings{"gp_cardinfo()", "gp_init(0, 720, 5)", "gp_cli()", "gp_ren()",
                                      "gp_delm(\"l\", 0)", "gp_delm(\"t\", 128)"}));
    EXPECT_TRUE(s.cardOpen);
    EXPECT_EQ(s.activeAddress, 0);
    EXPECT_EQ(s.delimiter, 0);
    EXPECT_EQ(s.timeoutSetting, 5);
    EXPECT_EQ(s.recvBufferSize, 65536);
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 0);
}

TEST_F(RatocBackend, AFailingCardInfoOrInitLeavesTheSessionClosedAndUntouched) {
    for (const char* step : {"gp_cardinfo", "gp_init"}) {
        standIn.Reset();
        s = lb::SessionState{};
        s.recvBufferSize = 111;
        s.activeAddress = 7;
        standIn.FailCall(step, 1, 4);
        EXPECT_FALSE(lbDef::BoardOpen(65536)) << step;
        EXPECT_FALSE(s.cardOpen) << step;
        EXPECT_EQ(s.boardStatus, 4) << step;
        EXPECT_FALSE(s.boardTimeout) << step;
        EXPECT_EQ(s.recvBufferSize, 111) << step;
        EXPECT_EQ(s.activeAddress, 7) << step;
        EXPECT_EQ(s.delimiter, 0) << step;
        EXPECT_EQ(s.timeoutSetting, 0) << step;
        EXPECT_EQ(standIn.CallNames().back(), step) << "nothing after the failing step";
    }
}

TEST_F(RatocBackend, AFailingDelimiterStepFailsTheOpenButLeavesTheCardUsable) {
    for (int nth : {1, 2}) {
        standIn.Reset();
        s = lb::SessionState{};
        standIn.FailCall("gp_delm", nth, 3);
        EXPECT_FALSE(lbDef::BoardOpen(65536)) << "gp_delm call " << nth;
        EXPECT_TRUE(s.cardOpen);
        EXPECT_EQ(s.recvBufferSize, 65536);
        EXPECT_EQ(s.boardStatus, 3);
        EXPECT_EQ(standIn.Calls("gp_delm").size(), static_cast<size_t>(nth));
    }
    // Through the session: the open failure is recorded, yet transfers run.
    standIn.Reset();
    standIn.FailCall("gp_delm", 2, 3);
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastError, lb::kOpenFailed);
    lb::SetAddress(5);
    lb::SendString("TMC?");
    EXPECT_EQ(lb::ReceiveString(), "2");
}

TEST_F(RatocBackend, CloseResetsTheSessionEvenWhenTheDriverFails) {
    ASSERT_TRUE(lbDef::BoardOpen(4096));
    s.activeAddress = 5;
    standIn.FailCall("gp_lcl", 1, 8);
    EXPECT_FALSE(lbDef::BoardClose());
    EXPECT_FALSE(s.cardOpen);
    EXPECT_EQ(s.activeAddress, 0);
    EXPECT_EQ(s.recvBufferSize, 65536);
    EXPECT_EQ(s.timeoutSetting, 5);
    EXPECT_EQ(s.boardStatus, 8);
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(standIn.Calls("gp_lcl"), Strings{"gp_lcl(\"\")"});
}

TEST_F(RatocBackend, CloseOfACardNeverOpenedStillReleasesIt) {
    EXPECT_TRUE(lbDef::BoardClose());
    EXPECT_EQ(standIn.CallNames(), Strings{"gp_lcl"});
    EXPECT_EQ(s.recvBufferSize, 65536);
}

TEST_F(RatocBackend, SendNamesTheDeviceAsTextAndPassesEveryByte) {
    Open();
    EXPECT_TRUE(lbDef::BoardSend({'D', 'L', 'M', '0', 13, 10}));
    s.activeAddress = 12;
    EXPECT_FALSE(lbDef::BoardSend({'X'})) << "nothing listens at 12";
    EXPECT_EQ(standIn.Calls("gp_tfrout"),
              (Strings{"gp_tfrout(\"5\", 6, [44 4C 4D 30 0D 0A])", "gp_tfrout(\"12\", 1, [58])"}));
}

TEST_F(RatocBackend, ReceivePassesTheCapacityAndHandsBackExactlyTheBytesCounted) {
    Open();
    ASSERT_TRUE(lbDef::BoardSend({'T', 'M', 'C', '?', 13, 10}));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(standIn.Calls("gp_tfrin"), Strings{"gp_tfrin(\"5\", 65536)"});
    EXPECT_EQ(standIn.Calls("gp_count").size(), 1u);
}

TEST_F(RatocBackend, ACountOfZeroIsOneZeroByteAndAnEmptyReply) {
    Open();
    standIn.ForceReceiveCount(0);
    lbDef::BoardSend({'T', 'M', 'C', '?', 13, 10});
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, lb::ByteBuffer{0});

    lb::SendString("TMC?");
    EXPECT_EQ(lb::ReceiveString(), "");
    EXPECT_EQ(s.lastError, 0);
}

TEST_F(RatocBackend, ACountBeyondTheBufferOrBelowZeroNeverReadsPastIt) {
    Open();
    s.recvBufferSize = 4;
    standIn.SetReply("DOD?", "123456789\r\n");
    standIn.ForceReceiveCount(1000000);
    lbDef::BoardSend({'D', 'O', 'D', '?', 13, 10});
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'1', '2', '3', '4'})) << "held to the capacity";

    standIn.ForceReceiveCount(-7);
    lbDef::BoardSend({'D', 'O', 'D', '?', 13, 10});
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, lb::ByteBuffer{0}) << "a negative count is nothing received";
}

TEST_F(RatocBackend, Code53IsATimeoutOnBothTransfersAndOtherCodesAreNot) {
    Open();
    standIn.FailCall("gp_tfrout", 1, 53);
    standIn.FailCall("gp_tfrout", 2, 7);
    EXPECT_FALSE(lbDef::BoardSend({'A'}));
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 53);
    EXPECT_FALSE(lbDef::BoardSend({'A'}));
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, 7);

    standIn.FailCall("gp_tfrin", 1, 53);
    standIn.FailCall("gp_tfrin", 2, 9);
    lb::ByteBuffer bytes{1, 2, 3};
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(bytes, lb::ByteBuffer{0});
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_EQ(bytes, lb::ByteBuffer{0});
    EXPECT_TRUE(standIn.Calls("gp_count").empty()) << "no count after a failed receive";
}

TEST_F(RatocBackend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    lb::CardOpen(65536);
    lb::SetAddress(5);
    lb::SendString("TMC?");
    EXPECT_EQ(lb::ReceiveString(), "2");
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.lastFailure, 0);
    lb::CardClose();

    standIn.SetAnalyzerAddress(0);  // the analyzer is unplugged
    lb::CardOpen(65536);
    lb::SetAddress(5);
    lb::SendString("TMC?");
    EXPECT_EQ(lb::ReceiveString(), "");
    EXPECT_EQ(s.lastError, lb::kTimeout);
    EXPECT_EQ(s.lastFailure, lb::kTimeout);
    lb::CardClose();
}

}  // namespace
