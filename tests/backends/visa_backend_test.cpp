// The VISA backend against its stand-in library, bound by name at run time under this
// platform's library name.
#include "session/chosen_interface.h"
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
        ASSERT_EQ(lbDef::ChooseInterface("GPIB0"), "");
    }
    void TearDown() override { lbDef::ChooseInterface("GPIB0"); }
};

constexpr std::int32_t kNotFound = Status(0xBFFF0011);     // VI_ERROR_RSRC_NFOUND
constexpr std::int32_t kUnsupported = Status(0xBFFF0067);  // VI_ERROR_NSUP_OPER

TEST_F(VisaBackend, AChosenInterfaceReachesTheDriverInEveryResourceName) {
    struct Case {
        const char* choice;
        const char* bench;
        const char* name;
        const char* interfaceResource;
        const char* instrument;
    };
    const Case cases[] = {
        {"GPIB1", "GPIB1", "GPIB1", "GPIB1::INTFC", "GPIB1::5::INSTR"},
        {"gpib2::intfc", "GPIB2", "GPIB2", "GPIB2::INTFC", "GPIB2::5::INSTR"},
        {"TCPIP0::192.168.1.20::gpib0::INTFC", "TCPIP0::192.168.1.20::gpib0",
         "TCPIP0::192.168.1.20::gpib0", "TCPIP0::192.168.1.20::gpib0::INTFC",
         "TCPIP0::192.168.1.20::gpib0,5::INSTR"},
    };
    for (const Case& c : cases) {
        standIn.Reset();
        standIn.SetInterface(c.bench);
        EXPECT_EQ(lbDef::ChooseInterface(c.choice), "") << c.choice;
        EXPECT_EQ(lbDef::InterfaceName(), c.name);
        EXPECT_EQ(lbDef::InterfaceNote(), "") << c.choice << ": it has an interface session";
        Open();
        EXPECT_EQ(standIn.Calls("viOpen")[0],
                  std::string("viOpen(1, \"") + c.interfaceResource + "\", 0, 0)");
        EXPECT_TRUE(lbDef::BoardSend(kTmcQuery)) << c.choice;
        lb::ByteBuffer bytes;
        EXPECT_TRUE(lbDef::BoardReceive(bytes));
        EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10})) << c.choice;
        EXPECT_EQ(standIn.Calls("viOpen")[1],
                  std::string("viOpen(1, \"") + c.instrument + "\", 0, 0)");
        EXPECT_EQ(standIn.Calls("viGpibSendIFC").size(), 1u) << c.choice;
        EXPECT_TRUE(lbDef::BoardClose());
    }
}

TEST_F(VisaBackend, AGatewayWithoutAnInterfaceResourceIsUsedThroughTheInstrumentSessionAlone) {
    standIn.SetInterface("TCPIP0::192.168.1.20::gpib0", false);
    // Named as its interface, it is refused by the driver at the open, before any transfer.
    ASSERT_EQ(lbDef::ChooseInterface("TCPIP0::192.168.1.20::gpib0::INTFC"), "");
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_EQ(s.boardStatus, kNotFound);
    EXPECT_EQ(lbDef::DriverStatusText(s.boardStatus), "0xBFFF0011 (VI_ERROR_RSRC_NFOUND)");
    EXPECT_TRUE(lbDef::BoardClose());
    EXPECT_TRUE(standIn.Calls("viWrite").empty());

    // Named by an instrument on its bus (whatever address that names, the window's counts).
    standIn.Reset();
    standIn.SetInterface("TCPIP0::192.168.1.20::gpib0", false);
    ASSERT_EQ(lbDef::ChooseInterface("TCPIP0::192.168.1.20::gpib0,9::INSTR"), "");
    EXPECT_EQ(lbDef::InterfaceName(), "TCPIP0::192.168.1.20::gpib0");
    EXPECT_NE(lbDef::InterfaceNote().find("インターフェースクリアは送りません"), std::string::npos);
    Open();
    EXPECT_EQ(standIn.Log(), (Strings{"viOpenDefaultRM()"}));
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_TRUE(lbDef::BoardClose());
    EXPECT_EQ(SinceOpen(), (Strings{"viOpen(1, \"TCPIP0::192.168.1.20::gpib0,5::INSTR\", 0, 0)",
                                    "viSetAttribute(2, 0x3FFF001A, 5000)", "viGpibControlREN(2, 3)",
                                    "viWrite(2, [54 4D 43 3F 0D 0A], 6)", "viRead(2, 65536)",
                                    "viGpibControlREN(2, 6)", "viClose(2)", "viClose(1)"}))
        << "remote enable with the analyzer addressed; at the close go-to-local to it";

    // A gateway that does not offer remote enable on its instrument sessions keeps its bus in
    // remote itself; any other refusal fails the transfer.
    Open();
    FailNext("viGpibControlREN", kUnsupported);
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    s.activeAddress = 6;
    FailNext("viGpibControlREN", kSystemError);
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery));
    EXPECT_EQ(s.boardStatus, kSystemError);
    EXPECT_EQ(standIn.Calls("viWrite").size(), 2u);
}

TEST_F(VisaBackend, AChoiceThatNamesNoInterfaceIsRefusedAndTheEarlierOneKept) {
    ASSERT_EQ(lbDef::ChooseInterface("GPIB3"), "");
    for (const char* choice :
         {"", "COM3", "GPIBx", "GPIB1::5::INSTR", "TCPIP0::192.168.1.20::inst0::INSTR",
          "TCPIP0::192.168.1.20::gpib0::INSTR", "TCPIP0::192.168.1.20::gpib0,5::INTFC",
          "TCPIP0::::gpib0", "USB0::0x0957::0x0607::MY1::INSTR"}) {
        const std::string refusal = lbDef::ChooseInterface(choice);
        EXPECT_NE(refusal.find(std::string("「") + choice + "」"), std::string::npos) << choice;
        EXPECT_EQ(lbDef::InterfaceName(), "GPIB3") << choice;
    }
}

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
