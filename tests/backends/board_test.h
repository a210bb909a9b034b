// What the tests of every board backend share: a fixture over the board's stand-in driver,
// bound by name at run time, and the checks that hold for every board alike.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/backend.h"
#include "session/error_codes.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "tests/support/standin_control.h"

namespace board_test {

using Strings = std::vector<std::string>;
inline const lb::ByteBuffer kTmcQuery{'T', 'M', 'C', '?', 13, 10};
inline const lb::ByteBuffer kDodQuery{'D', 'O', 'D', '?', 13, 10};

class BoardTest : public ::testing::Test {
  protected:
    explicit BoardTest(const std::string& library) : standIn(library) {}

    void SetUp() override {
        standIn.Reset();
        lb::sessionState = lb::SessionState{};
    }

    // An open board with the analyzer's address selected, as the session leaves it.
    void Open() {
        ASSERT_TRUE(lbDef::BoardOpen(65536));
        s.activeAddress = 5;
        opened_ = standIn.Log().size();
    }

    // The driver calls since Open().
    Strings SinceOpen() {
        const Strings log = standIn.Log();
        return Strings(log.begin() + static_cast<std::ptrdiff_t>(opened_), log.end());
    }

    // The next call of function returns code instead of working.
    void FailNext(const std::string& function, long long code) {
        standIn.FailCall(function, static_cast<int>(standIn.Calls(function).size()) + 1, code);
    }

    // The session as a successful open leaves it, with the driver's status of success.
    void ExpectOpenedWith(std::int32_t bufferSize, std::int32_t status = 0) {
        EXPECT_TRUE(s.cardOpen);
        EXPECT_EQ(s.activeAddress, 0);
        EXPECT_EQ(s.delimiter, 0);
        EXPECT_EQ(s.timeoutSetting, 5);
        EXPECT_EQ(s.recvBufferSize, bufferSize);
        EXPECT_FALSE(s.boardTimeout);
        EXPECT_EQ(s.boardStatus, status);
    }

    // The session as every close leaves it, whatever the driver said.
    void ExpectClosed() {
        EXPECT_FALSE(s.cardOpen);
        EXPECT_EQ(s.activeAddress, 0);
        EXPECT_EQ(s.delimiter, 0);
        EXPECT_EQ(s.timeoutSetting, 5);
        EXPECT_EQ(s.recvBufferSize, 65536);
    }

    // Counts of none, below zero and beyond the buffer, on an open board.
    void ExpectReceivedCountsStayInsideTheBuffer() {
        lb::ByteBuffer bytes;
        for (long long count : {0LL, -7LL}) {
            standIn.ForceReceiveCount(count);
            lbDef::BoardSend(kTmcQuery);
            EXPECT_TRUE(lbDef::BoardReceive(bytes)) << count;
            EXPECT_EQ(bytes, lb::ByteBuffer{0}) << "nothing received is one zero byte: " << count;
        }
        lb::SendString("TMC?");
        EXPECT_EQ(lb::ReceiveString(), "");
        EXPECT_EQ(s.lastError, 0);

        s.recvBufferSize = 4;
        standIn.SetReply("DOD?", "123456789\r\n");
        standIn.ForceReceiveCount(1000000);
        lbDef::BoardSend(kDodQuery);
        EXPECT_TRUE(lbDef::BoardReceive(bytes));
        EXPECT_EQ(bytes, (lb::ByteBuffer{'1', '2', '3', '4'})) << "held to the capacity";
    }

    // Nothing listening or answering is the board's time-out code on both transfers (or, where
    // the driver tells a send with no listener apart, sendTimeoutCode on the send); another
    // code from either transfer is a plain failure. On an open board. statusOf says what
    // boardStatus holds after a scripted code, where the backend keeps more than the code.
    void ExpectTimeoutsAre(std::int32_t timeoutCode, const std::string& send,
                           const std::string& receive,
                           std::int32_t (*statusOf)(long long code) = nullptr,
                           std::optional<std::int32_t> sendTimeoutCode = std::nullopt) {
        const auto status = [&](long long code) {
            return statusOf ? statusOf(code) : static_cast<std::int32_t>(code);
        };
        // Each transfer starts with boardTimeout the other way, so that it must set it.
        s.activeAddress = 12;  // nothing listens there
        s.boardTimeout = false;
        EXPECT_FALSE(lbDef::BoardSend({'A'}));
        EXPECT_TRUE(s.boardTimeout);
        EXPECT_EQ(s.boardStatus, sendTimeoutCode.value_or(timeoutCode));
        lb::ByteBuffer bytes{1, 2, 3};
        s.boardTimeout = false;
        EXPECT_FALSE(lbDef::BoardReceive(bytes));
        EXPECT_TRUE(s.boardTimeout);
        EXPECT_EQ(s.boardStatus, timeoutCode);
        EXPECT_EQ(bytes, lb::ByteBuffer{0});

        s.activeAddress = 5;
        FailNext(send, -1);
        EXPECT_FALSE(lbDef::BoardSend({'A'}));
        EXPECT_FALSE(s.boardTimeout);
        EXPECT_EQ(s.boardStatus, status(-1));
        FailNext(receive, -2);
        s.boardTimeout = true;
        EXPECT_FALSE(lbDef::BoardReceive(bytes));
        EXPECT_FALSE(s.boardTimeout);
        EXPECT_EQ(s.boardStatus, status(-2));
        EXPECT_EQ(bytes, lb::ByteBuffer{0});
    }

    // A whole exchange through the session, then the same with the analyzer unplugged.
    void ExpectTheWholeWayReadsTheTimeConstant() {
        lb::CardOpen(65536);
        lb::SetAddress(5);
        lb::SendString("TMC?");
        EXPECT_EQ(lb::ReceiveString(), "2");
        EXPECT_EQ(s.lastFailure, 0);
        lb::CardClose();
        EXPECT_EQ(s.lastFailure, 0);

        standIn.SetAnalyzerAddress(0);
        lb::CardOpen(65536);
        lb::SetAddress(5);
        lb::SendString("TMC?");
        EXPECT_EQ(s.lastError, lb::kTimeout);
        EXPECT_EQ(lb::ReceiveString(), "");
        EXPECT_EQ(s.lastError, lb::kTimeout);
        lb::CardClose();
    }

    testing_support::StandIn standIn;
    lb::SessionState& s = lb::sessionState;

  private:
    size_t opened_ = 0;
};

}  // namespace board_test
