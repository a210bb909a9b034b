// The bytes a command becomes and the text a reply becomes.
#include <gtest/gtest.h>

#include "session/error_codes.h"
#include "session/session.h"
#include "session/session_state.h"
#include "session/transfer.h"
#include "tests/session/fake_backend.h"

namespace {

using Bytes = lb::ByteBuffer;

class TransferTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fake::ResetAll();
        lb::CardOpen(65536);
        lb::SetAddress(5);
    }
    fake::Backend& backend = fake::TheBackend();
    lb::SessionState& s = lb::sessionState;

    std::string Reply(Bytes received) {
        backend.receive.push_back(fake::Outcome{true, false, std::move(received)});
        return lb::ReceiveString();
    }
};

TEST_F(TransferTest, EachDelimiterModeEndsTheCommandWithItsBytes) {
    const Bytes command{0x44, 0x4C, 0x4D, 0x30};
    const std::pair<std::int16_t, Bytes> modes[] = {
        {0, {0x0D, 0x0A}}, {1, {0x0D}}, {2, {0x0A}}, {3, {}}, {-1, {}}};
    for (const auto& [mode, ending] : modes) {
        s.delimiter = mode;
        lb::SendString("DLM0");
        Bytes expected = command;
        expected.insert(expected.end(), ending.begin(), ending.end());
        EXPECT_EQ(backend.sent.back(), expected) << "delimiter mode " << mode;
        EXPECT_EQ(s.lastError, 0);
    }
}

TEST_F(TransferTest, AFullWidthCharacterIsSentAsItsTwoCodePage932Bytes) {
    lb::SendString("A\uFF1F");  // full-width question mark
    EXPECT_EQ(backend.sent.back(), (Bytes{0x41, 0x81, 0x48, 0x0D, 0x0A}));
    lb::SendString("\uFF5E");  // full-width tilde, as in the frequency ranges
    EXPECT_EQ(backend.sent.back(), (Bytes{0x81, 0x60, 0x0D, 0x0A}));
}

TEST_F(TransferTest, AnEmptyCommandSendsAndRecordsNothing) {
    s.lastError = 12345;
    lb::SendString("");
    EXPECT_TRUE(backend.sent.empty());
    EXPECT_EQ(s.lastError, 12345);

    lb::CardClose();
    s.lastError = 777;
    lb::SendString("");
    EXPECT_EQ(s.lastError, 777) << "not even the open check runs";
}

TEST_F(TransferTest, TrailingNulCrAndLfAreStrippedAndNothingElse) {
    EXPECT_EQ(Reply({0x31, 0x32, 0x0D, 0x0A}), "12");
    EXPECT_EQ(Reply({0x31, 0x32, 0x0D, 0x00, 0x0A, 0x00}), "12");
    EXPECT_EQ(Reply({0x31, 0x20, 0x32, 0x20, 0x0D, 0x0A}), "1 2 ");
    EXPECT_EQ(Reply({0x31, 0x0D, 0x32, 0x0A}), "1\r2");
    EXPECT_EQ(Reply({0x00, 0x31}), std::string("\0"
                                               "1",
                                               2));
}

TEST_F(TransferTest, AReceiveOfNothingIsAnEmptyReplyWithSuccess) {
    s.lastFailure = 12110;
    EXPECT_EQ(Reply({0x00}), "");
    EXPECT_EQ(s.lastError, 0);
    EXPECT_EQ(s.lastFailure, 12110);
    EXPECT_EQ(Reply({0x0D, 0x0A, 0x00}), "");
    EXPECT_EQ(s.lastError, 0);
}

TEST_F(TransferTest, ARepliedFullWidthCharacterComesBackAsText) {
    EXPECT_EQ(Reply({0x31, 0x81, 0x60, 0x32, 0x0D, 0x0A}), "1\uFF5E2");
}

TEST_F(TransferTest, EachTransferCallsTheBackendExactlyOnce) {
    backend.calls.clear();
    lb::SendString("TMC?");
    Reply({0x32});
    EXPECT_EQ(backend.calls, (std::vector<std::string>{"send", "receive"}));
}

}  // namespace
