// Opening, closing, address selection and the rules for lastError and lastFailure.
#include <gtest/gtest.h>

#include "session/error_codes.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "tests/session/fake_backend.h"

namespace {

using fake::Outcome;

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override { fake::ResetAll(); }
    fake::Backend& backend = fake::TheBackend();
    lb::SessionState& s = lb::sessionState;

    void OpenWithAddress(std::int16_t address) {
        lb::CardOpen(65536);
        lb::SetAddress(address);
    }
};

TEST_F(SessionTest, AtProgramStartEveryFieldIsZeroOrFalse) {
    // A fresh record is what the program starts with.
    const lb::SessionState fresh{};
    EXPECT_FALSE(fresh.cardOpen);
    EXPECT_EQ(fresh.delimiter, 0);
    EXPECT_EQ(fresh.activeAddress, 0);
    EXPECT_EQ(fresh.recvBufferSize, 0);
    EXPECT_EQ(fresh.timeoutSetting, 0);
    EXPECT_FALSE(fresh.boardTimeout);
    EXPECT_EQ(fresh.lastError, 0);
    EXPECT_EQ(fresh.lastFailure, 0);
    EXPECT_EQ(fresh.boardStatus, 0);
}

TEST_F(SessionTest, OpenRecordsSuccessOrOpenFailureOrTimeout) {
    s.lastError = s.lastFailure = 12110;
    lb::CardOpen(65536);
    EXPECT_EQ(backend.openSizes, std::vector<std::int32_t>{65536});
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.lastFailure, 0) << "a successful open clears the earlier failure";

    backend.open.push_back(Outcome{false, false, {}});
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastError, lb::kOpenFailed);
    EXPECT_EQ(s.lastFailure, lb::kOpenFailed);

    backend.open.push_back(Outcome{false, true, {}});
    lb::CardOpen(65536);
    EXPECT_EQ(s.lastError, lb::kTimeout);
    EXPECT_EQ(s.lastFailure, lb::kTimeout);
}

TEST_F(SessionTest, OpeningTwiceRunsTheBackendTwiceAndClearsTheAddress) {
    OpenWithAddress(5);
    lb::CardOpen(65536);
    EXPECT_EQ(backend.openSizes.size(), 2u);
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.activeAddress, 0);
}

TEST_F(SessionTest, CloseRunsTheBackendEvenWhenNeverOpened) {
    lb::CardClose();
    EXPECT_EQ(backend.calls, std::vector<std::string>{"close"});
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.recvBufferSize, 65536);

    backend.close.push_back(Outcome{false, false, {}});
    lb::CardClose();
    EXPECT_EQ(s.lastError, lb::kCloseFailed);
    EXPECT_EQ(s.lastFailure, lb::kCloseFailed);

    backend.close.push_back(Outcome{false, true, {}});
    lb::CardClose();
    EXPECT_EQ(s.lastFailure, lb::kTimeout);
}

TEST_F(SessionTest, SetAddressClampsToTheBusRange) {
    lb::CardOpen(65536);
    lb::SetAddress(45);
    EXPECT_EQ(s.activeAddress, 30);
    lb::SetAddress(31);
    EXPECT_EQ(s.activeAddress, 30);
    lb::SetAddress(12);
    EXPECT_EQ(s.activeAddress, 12);
    lb::SetAddress(-3);
    EXPECT_EQ(s.activeAddress, 0);
    EXPECT_EQ(s.lastError, 0);

    lb::SendString("DLM0");
    EXPECT_EQ(s.lastError, lb::kNoAddress);
    EXPECT_EQ(s.lastFailure, lb::kNoAddress);
    EXPECT_EQ(lb::ReceiveString(), "");
    EXPECT_EQ(s.lastError, lb::kNoAddress);
    EXPECT_EQ(backend.sent.size(), 0u) << "nothing reaches the backend without an address";
}

TEST_F(SessionTest, SetAddressOnAClosedSessionRecordsNotOpenAndKeepsTheAddress) {
    s.activeAddress = 9;
    lb::SetAddress(7);
    EXPECT_EQ(s.activeAddress, 9);
    EXPECT_EQ(s.lastError, lb::kNotOpen);
    EXPECT_EQ(s.lastFailure, lb::kNotOpen);
}

TEST_F(SessionTest, CheckOpenClearsLastErrorButKeepsLastFailure) {
    lb::CardOpen(65536);
    s.lastError = s.lastFailure = 12110;
    EXPECT_TRUE(lb::CheckOpen());
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.lastFailure, 12110);
}

TEST_F(SessionTest, AFailureStaysInLastFailureUntilASuccessfulClose) {
    OpenWithAddress(5);
    backend.send.push_back(Outcome{false, false, {}});
    lb::SendString("DLM0");
    EXPECT_EQ(s.lastError, lb::kTransferFailed);
    lb::SendString("DLM0");
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.lastFailure, lb::kTransferFailed);
    lb::SetAddress(5);
    EXPECT_EQ(s.lastFailure, lb::kTransferFailed);
    lb::CardClose();
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.lastFailure, 0);
}

TEST_F(SessionTest, ABackendTimeoutIsRecordedAs13000ByEveryOperation) {
    OpenWithAddress(5);
    backend.send.push_back(Outcome{false, true, {}});
    lb::SendString("TMC?");
    EXPECT_EQ(s.lastError, lb::kTimeout);
    backend.receive.push_back(Outcome{false, true, {'1', '2'}});
    EXPECT_EQ(lb::ReceiveString(), "") << "a failed receive returns empty whatever it holds";
    EXPECT_EQ(s.lastFailure, lb::kTimeout);
    backend.receive.push_back(Outcome{false, false, {'1'}});
    EXPECT_EQ(lb::ReceiveString(), "");
    EXPECT_EQ(s.lastFailure, lb::kTransferFailed);
}

TEST_F(SessionTest, TransfersOnAClosedSessionRecordNotOpenAndReachNoBackend) {
    lb::SendString("DLM0");
    EXPECT_EQ(s.lastError, lb::kNotOpen);
    EXPECT_EQ(lb::ReceiveString(), "");
    EXPECT_EQ(s.lastFailure, lb::kNotOpen);
    EXPECT_TRUE(backend.calls.empty());
}

}  // namespace
