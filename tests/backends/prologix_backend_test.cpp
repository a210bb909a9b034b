// The Prologix-protocol backend: the protocol's pieces on their own, then the backend over a
// real pseudo-terminal (or, on Windows, a loopback TCP port) to the simulated controller.
#include <chrono>
#include <string>

#include "backends/prologix/protocol.h"
#include "session/chosen_interface.h"
#include "tests/backends/board_test.h"

namespace {

using board_test::kTmcQuery;
using prologix::Bytes;

// The analyzer's time constant after a reset, as it answers "TMC?".
const std::string kTmcReply = "2\r\n";

// The controller stand-in's scripted failures: a call dropped, the controller unplugged at it,
// a read that passes on half the reply and never its end.
constexpr long long kNoAnswer = 1;
constexpr long long kUnplug = 2;
constexpr long long kNeverEnds = 3;

// Every byte the Prologix GPIB-USB manual says must be escaped, among bytes that must not be.
TEST(PrologixProtocol, DataLinesEscapeCrLfEscAndPlusAndEndWithOneLf) {
    EXPECT_EQ(prologix::DataLine({'T', 'M', 'C', '?', '\r', '\n'}),
              (Bytes{'T', 'M', 'C', '?', 27, '\r', 27, '\n', '\n'}));
    EXPECT_EQ(prologix::DataLine({'+', '+', 'v', 27, 0, 0xFF, 'A'}),
              (Bytes{27, '+', 27, '+', 'v', 27, 27, 0, 0xFF, 'A', '\n'}));
    EXPECT_EQ(prologix::CommandLine("read eoi"),
              (Bytes{'+', '+', 'r', 'e', 'a', 'd', ' ', 'e', 'o', 'i', '\n'}));
}

TEST(PrologixProtocol, IdentifiesTheControllersByTheirVersionAnswer) {
    const auto usb = prologix::Identify("Prologix GPIB-USB Controller version 6.107");
    ASSERT_TRUE(usb);
    EXPECT_EQ(usb->family, prologix::Family::PrologixUsb);
    EXPECT_EQ(usb->name, "Prologix GPIB-USB 6.107");
    EXPECT_EQ(prologix::Identify("Prologix GPIB-ETHERNET Controller version 01.06.06.00")->name,
              "Prologix GPIB-ETHERNET 01.06.06.00");
    const auto ar488 = prologix::Identify("AR488 GPIB controller, ver. 0.51.29, 12/03/2024");
    ASSERT_TRUE(ar488);
    EXPECT_EQ(ar488->family, prologix::Family::Ar488);
    EXPECT_EQ(ar488->name, "AR488 0.51.29");
    for (const char* other : {"", "OK", "ATI", "Unrecognized command", "prologix"}) {
        EXPECT_FALSE(prologix::Identify(other)) << other;
    }
}

TEST(PrologixProtocol, OnlyAPrologixIsToldNotToSaveAndNothingEverSaves) {
    EXPECT_EQ(prologix::SetupCommands(prologix::Family::PrologixUsb).front(), "savecfg 0");
    for (const auto family : {prologix::Family::PrologixUsb, prologix::Family::PrologixEthernet,
                              prologix::Family::Ar488}) {
        const auto commands = prologix::SetupCommands(family);
        const auto saves = std::count(commands.begin(), commands.end(), "savecfg 0");
        EXPECT_EQ(saves, family == prologix::Family::Ar488 ? 0 : 1);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "savecfg 1"), 0);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "savecfg"), 0);
    }
}

TEST(PrologixProtocol, AReplySplitAcrossReadsEndsOnlyAtTheMarkerAndStaysInItsCapacity) {
    prologix::ReplyCollector reply(6);
    EXPECT_FALSE(reply.Take({'0', '1'}));
    EXPECT_FALSE(reply.Take({}));
    EXPECT_FALSE(reply.Take({'2', '3', '\r'}));
    EXPECT_TRUE(reply.Take({'\n', 'x', prologix::kEndMarker, 'y'}));
    EXPECT_EQ(reply.reply(), (Bytes{'0', '1', '2', '3', '\r', '\n'})) << "held to 6 bytes";
    EXPECT_TRUE(reply.Take({'z'}));
    EXPECT_EQ(reply.reply().size(), 6u);
}

class PrologixBackend : public board_test::BoardTest {
  protected:
    PrologixBackend() : BoardTest("tq58prologix") {}
    void SetUp() override {
        BoardTest::SetUp();
        where = standIn.ServePrologix(TQ58_PROLOGIX_SERVE);
        ASSERT_FALSE(where.empty());
        ASSERT_EQ(lbDef::ChooseInterface(where), "");
    }
    void TearDown() override { lbDef::BoardClose(); }

    std::string where;
    lb::SessionState& s = lb::sessionState;
};

TEST_F(PrologixBackend, OpenSetsTheControllerUpWithoutWritingItsEepromAndNamesIt) {
    Open();
    standIn.SettlePrologix();
    EXPECT_EQ(standIn.PrologixSettings(),
              "savecfg 0, mode 1, addr 0, auto 0, eoi 1, eos 3, eot_enable 1, eot_char 255, "
              "read_tmo_ms 3000");
    EXPECT_EQ(standIn.PrologixEepromWrites(), 0);
    EXPECT_EQ(standIn.CallNames().front(), "++ver");
    EXPECT_EQ(standIn.CallNames().back(), "++ifc");
    EXPECT_EQ(lbDef::InterfaceName(), "Prologix GPIB-USB 6.107 (" + where + ")");

    // An AR488 is never told "++savecfg": it would write its EEPROM.
    lbDef::BoardClose();
    standIn.Reset();
    standIn.SetPrologixVersion("AR488 GPIB controller, ver. 0.51.29, 12/03/2024");
    Open();
    standIn.SettlePrologix();
    EXPECT_TRUE(standIn.Calls("++savecfg").empty());
    EXPECT_EQ(standIn.PrologixEepromWrites(), 0);
    EXPECT_EQ(lbDef::InterfaceName(), "AR488 0.51.29 (" + where + ")");
}

TEST_F(PrologixBackend, ExchangesReachTheAnalyzerAtItsAddressAndTheAnalyzerGoesLocalAtClose) {
    Open();
    lb::ByteBuffer reply;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(lbDef::BoardSend(kTmcQuery));
        ASSERT_TRUE(lbDef::BoardReceive(reply));
        EXPECT_EQ(std::string(reply.begin(), reply.end()), kTmcReply);
    }
    // The bytes arrive unescaped, exactly as sent; the address is given once.
    const lb::ByteBuffer special{'W', 'G', 'T', '1', 27, '+', '\r', '\n'};
    ASSERT_TRUE(lbDef::BoardSend(special));
    ASSERT_TRUE(lbDef::BoardClose());
    standIn.SettlePrologix();
    EXPECT_EQ(standIn.Calls("++addr"), (board_test::Strings{"++addr(\"5\")"}));
    EXPECT_EQ(standIn.Calls("data").back(), "data([57 47 54 31 1B 2B 0D 0A])");
    // Then the controller is asked whether it is still there, and took everything.
    const auto calls = standIn.CallNames();
    EXPECT_EQ(board_test::Strings(calls.end() - 2, calls.end()),
              (board_test::Strings{"++loc", "++ver"}));
    ExpectClosed();
}

TEST_F(PrologixBackend, AReplyThatNeverEndsTimesOutAtTheSessionsDeadlineNotTheControllers) {
    Open();
    FailNext("++read", kNeverEnds);
    ASSERT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer reply;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(lbDef::BoardReceive(reply));
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(s.boardTimeout);
    EXPECT_FALSE(s.boardLost);
    // The controllers stop waiting after 3 s at most; the session waits its 5 s.
    EXPECT_GE(waited, std::chrono::milliseconds(4900));
    // What came late is not taken for the next reply.
    ASSERT_TRUE(lbDef::BoardSend(kTmcQuery));
    ASSERT_TRUE(lbDef::BoardReceive(reply));
    EXPECT_EQ(std::string(reply.begin(), reply.end()), kTmcReply);
}

TEST_F(PrologixBackend, AControllerUnpluggedMidExchangeIsLostNotTimedOut) {
    Open();
    FailNext("++read", kUnplug);
    ASSERT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer reply;
    EXPECT_FALSE(lbDef::BoardReceive(reply));
    EXPECT_TRUE(s.boardLost);
    EXPECT_FALSE(s.boardTimeout);
    EXPECT_FALSE(lbDef::BoardSend(kTmcQuery)) << "nothing more goes out";
    EXPECT_FALSE(lbDef::BoardClose()) << "the analyzer could not be sent to local";
    ExpectClosed();

    // Plugged in again, it is found again.
    standIn.Reset();
    where = standIn.ServePrologix(TQ58_PROLOGIX_SERVE);
    ASSERT_EQ(lbDef::ChooseInterface(where), "");
    Open();
    EXPECT_FALSE(s.boardLost);
}

// A port that cannot be used is named in what the user is told, and nothing reaches the bus.
TEST_F(PrologixBackend, APortThatIsNotAControllerIsRefusedWithWhatItAnswered) {
    standIn.SetPrologixVersion("OK");
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_FALSE(s.cardOpen);
    const std::string text = lbDef::DriverStatusText(s.boardStatus);
    EXPECT_NE(text.find(where), std::string::npos) << text;
    EXPECT_NE(text.find("「OK」"), std::string::npos) << text;
    standIn.SettlePrologix();
    EXPECT_EQ(standIn.CallNames(), (board_test::Strings{"++ver"}));
}

TEST_F(PrologixBackend, ASilentOrAbsentPortIsRefusedAndNamed) {
    for (int nth = 1; nth <= 6; ++nth) standIn.FailCall("++ver", nth, kNoAnswer);
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_EQ(lbDef::DriverStatusText(s.boardStatus),
              "ポート「" + where + "」は ++ver に応答しません");

#if defined(_WIN32)
    const std::string absent = "COM250";
#else
    const std::string absent = "/dev/ttyUSB-tq58-absent";
#endif
    ASSERT_EQ(lbDef::ChooseInterface(absent), "");
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_EQ(
        lbDef::DriverStatusText(s.boardStatus).rfind("ポート「" + absent + "」がありません", 0), 0u)
        << lbDef::DriverStatusText(s.boardStatus);
    EXPECT_EQ(lbDef::InterfaceName(), absent);
}

TEST_F(PrologixBackend, TheEthernetControllerIsReachedOverTcp) {
    const std::string tcp = standIn.ServePrologix("tcp");
    ASSERT_EQ(lbDef::ChooseInterface(tcp), "");
    Open();
    ASSERT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer reply;
    ASSERT_TRUE(lbDef::BoardReceive(reply));
    EXPECT_EQ(std::string(reply.begin(), reply.end()), kTmcReply);
    EXPECT_EQ(lbDef::InterfaceName(), "Prologix GPIB-USB 6.107 (" + tcp + ")");
}

TEST(PrologixChoice, PortsAndAddressesAreTakenAndMalformedOnesRefused) {
    for (const char* taken : {"auto", "", "COM3", "/dev/ttyUSB0", "ttyACM0", "192.168.1.20",
                              "192.168.1.20:1234", "gpib-lan.local"}) {
        EXPECT_EQ(lbDef::ChooseInterface(taken), "") << taken;
    }
    EXPECT_EQ(lbDef::InterfaceName(), "gpib-lan.local:1234") << "the Ethernet port by default";
    ASSERT_EQ(lbDef::ChooseInterface("ttyACM0"), "");
    EXPECT_EQ(lbDef::InterfaceName(), "/dev/ttyACM0");
    for (const char* refused : {"192.168.1.20:", "192.168.1.20:0", "192.168.1.20:65536", ":1234",
                                "host:12a", "my host"}) {
        const std::string why = lbDef::ChooseInterface(refused);
        EXPECT_NE(why.find(refused), std::string::npos) << refused << ": " << why;
    }
}

}  // namespace
