// The VISA backend against its stand-in library, bound by name at run time under this
// platform's library name.
#include "tests/backends/board_test.h"

namespace {

using board_test::kTmcQuery;
using board_test::Strings;

constexpr std::int32_t Status(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}
constexpr std::int32_t kTimeout = Status(0xBFFF0015);      // VI_ERROR_TMO
constexpr std::int32_t kSystemError = Status(0xBFFF0000);  // VI_ERROR_SYSTEM_ERROR
constexpr std::int32_t kMaxCount = 0x3FFF0006;             // VI_SUCCESS_MAX_CNT
constexpr std::int32_t kUnknownStatus = 0x3FFF0085;        // VI_WARN_UNKNOWN_STATUS

class VisaBackend : public board_test::BoardTest {
  protected:
    VisaBackend() : BoardTest(TQ58_DRIVER_LIBRARY) {}
    void SetUp() override {
        lbDef::BoardClose();  // sessions an earlier test in this process left to the backend
        BoardTest::SetUp();
    }
};

const Strings kOpenCalls{"viOpenDefaultRM()", "viOpen(1, \"GPIB0::INTFC\", 0, 0)",
                         "viSetAttribute(2, 0x3FFF001A, 5000)", "viGpibSendIFC(2)",
                         "viGpibControlREN(2, 1)"};

TEST_F(VisaBackend, OpenTakesTheInterfaceSessionClearsItAndAssertsRemoteEnable) {
    s.activeAddress = 9;
    EXPECT_TRUE(lbDef::BoardOpen(4096));
    EXPECT_EQ(standIn.Log(), kOpenCalls);
    ExpectOpenedWith(4096);

    // An open without a close first closes what the earlier one opened.
    EXPECT_TRUE(lbDef::BoardOpen(65536));
    const Strings log = standIn.Log();
    EXPECT_EQ(Strings(log.begin() + 5, log.begin() + 7), (Strings{"viClose(2)", "viClose(1)"}));
}

TEST_F(VisaBackend, AFailingOpenStepStopsTheOpenAndTheCloseClosesWhatItOpened) {
    const Strings bothClosed{"viGpibControlREN(2, 2)", "viClose(2)", "viClose(1)"};
    const std::pair<const char*, Strings> steps[] = {{"viOpenDefaultRM", {}},
                                                     {"viOpen", {"viClose(1)"}},
                                                     {"viSetAttribute", bothClosed},
                                                     {"viGpibSendIFC", bothClosed},
                                                     {"viGpibControlREN", bothClosed}};
    for (const auto& [step, closing] : steps) {
        for (std::int32_t code : {kSystemError, kTimeout}) {
            standIn.Reset();
            s = lb::SessionState{};
            s.cardOpen = true;
            standIn.FailCall(step, 1, code);
            EXPECT_FALSE(lbDef::BoardOpen(4096)) << step;
            EXPECT_FALSE(s.cardOpen) << step;
            EXPECT_EQ(s.boardStatus, code) << step;
            EXPECT_EQ(s.boardTimeout, code == kTimeout) << step;
            EXPECT_EQ(standIn.CallNames().back(), step) << "nothing after the failing step";

            const size_t opened = standIn.Log().size();
            EXPECT_TRUE(lbDef::BoardClose()) << step;
            const Strings log = standIn.Log();
            EXPECT_EQ(Strings(log.begin() + static_cast<std::ptrdiff_t>(opened), log.end()),
                      closing)
                << step;
        }
    }
}

TEST_F(VisaBackend, TransfersKeepOneInstrumentSessionWhileTheAddressStays) {
    Open();
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(s.boardStatus, 0);

    // Another address: the session is replaced. Nothing answers there, which opening the
    // session only warns about; the write times out.
    s.activeAddress = 7;
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery));
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(s.boardStatus, kTimeout);
    EXPECT_TRUE(lbDef::BoardClose());
    EXPECT_EQ(SinceOpen(),
              (Strings{"viOpen(1, \"GPIB0::5::INSTR\", 0, 0)",
                       "viSetAttribute(3, 0x3FFF001A, 5000)", "viWrite(3, [54 4D 43 3F 0D 0A], 6)",
                       "viRead(3, 65536)", "viClose(3)", "viOpen(1, \"GPIB0::7::INSTR\", 0, 0)",
                       "viSetAttribute(4, 0x3FFF001A, 5000)", "viWrite(4, [54 4D 43 3F 0D 0A], 6)",
                       "viGpibControlREN(2, 2)", "viClose(4)", "viClose(2)", "viClose(1)"}))
        << "each session with a 5000 ms time-out; the close sends go-to-local and closes all";
}

TEST_F(VisaBackend, AnInstrumentSessionThatCannotBeSetUpIsOpenedAgainOnTheNextTransfer) {
    Open();
    FailNext("viOpen", kSystemError);
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery));
    EXPECT_EQ(s.boardStatus, kSystemError);
    EXPECT_FALSE(s.boardTimeout);
    FailNext("viSetAttribute", kTimeout);
    lb::ByteBuffer bytes{1};
    EXPECT_FALSE(lbDef::BoardReceive(bytes));
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_EQ(bytes, lb::ByteBuffer{0});
    EXPECT_EQ(standIn.Log().back(), "viClose(3)") << "the session without its time-out is closed";
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    EXPECT_EQ(standIn.Calls("viOpen").size(), 4u);
}

TEST_F(VisaBackend, WarningsAreSuccessesAndCountsStayInsideTheBuffer) {
    Open();
    FailNext("viWrite", kUnknownStatus);
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    EXPECT_EQ(s.boardStatus, kUnknownStatus);

    // A reply longer than the buffer fills it and reports VI_SUCCESS_MAX_CNT.
    s.recvBufferSize = 4;
    standIn.SetReply("DOD?", "123456789\r\n");
    EXPECT_TRUE(lbDef::BoardSend(board_test::kDodQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(s.boardStatus, kMaxCount);
    EXPECT_EQ(bytes, (lb::ByteBuffer{'1', '2', '3', '4'}));
    standIn.ForceReceiveCount(1000000);
    EXPECT_TRUE(lbDef::BoardSend(board_test::kDodQuery));
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes.size(), 4u) << "held to the capacity";
    standIn.ForceReceiveCount(0);
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, lb::ByteBuffer{0}) << "nothing received is one zero byte";
}

TEST_F(VisaBackend, TmoIsATimeoutOnBothTransfersAndOtherErrorsAreNot) {
    Open();
    ExpectTimeoutsAre(kTimeout, "viWrite", "viRead");
}

TEST_F(VisaBackend, CloseGoesOnClosingWhenACallFailsAndKeepsTheFirstFailure) {
    for (const char* step : {"viGpibControlREN", "viClose"}) {
        for (std::int32_t code : {kSystemError, kTimeout}) {
            Open();
            lbDef::BoardSend(kTmcQuery);
            standIn.FailCall(step, static_cast<int>(standIn.Calls(step).size()) + 1, code);
            EXPECT_FALSE(lbDef::BoardClose()) << step;
            EXPECT_EQ(s.boardTimeout, code == kTimeout) << step;
            EXPECT_EQ(s.boardStatus, code) << step;
            ExpectClosed();
            EXPECT_EQ(standIn.Calls("viClose").size(), 3u) << step << ": every session closed";
            EXPECT_TRUE(lbDef::BoardClose()) << "nothing left to close";
            standIn.Reset();
        }
    }
}

TEST_F(VisaBackend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    ExpectTheWholeWayReadsTheTimeConstant();
}

}  // namespace
