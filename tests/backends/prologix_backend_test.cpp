// The Prologix-protocol backend: the protocol's pieces on their own, then the backend over a
// real pseudo-terminal (or, on Windows, a loopback TCP port) to the simulated controller, which
// keeps the limits the controllers' manuals give (sim/README.md).
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "backends/prologix/port.h"
#include "backends/prologix/port_search.h"
#include "backends/prologix/protocol.h"
#include "session/chosen_interface.h"
#include "session/wait.h"
#include "tests/backends/board_test.h"

namespace {

using board_test::kDodQuery;
using board_test::kTmcQuery;
using prologix::Bytes;

// The analyzer's time constant after a reset, as it answers "TMC?".
const std::string kTmcReply = "2\r\n";

// The controller stand-in's scripted failures: a call dropped, the controller unplugged at it,
// a read that passes on half the reply and never its end; on "++read", a code of 1000 or more
// has the analyzer answer that many milliseconds after the query.
constexpr long long kNoAnswer = 1;
constexpr long long kUnplug = 2;
constexpr long long kNeverEnds = 3;

using Clock = std::chrono::steady_clock;
const std::string kPrologixUsb = "Prologix GPIB-USB Controller version 6.107";
const std::string kAr488 = "AR488 GPIB controller, ver. 0.53.04, 12/03/2024";

std::chrono::milliseconds Since(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

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
    const auto ar488 = prologix::Identify(kAr488);
    ASSERT_TRUE(ar488);
    EXPECT_EQ(ar488->family, prologix::Family::Ar488);
    EXPECT_EQ(ar488->name, "AR488 0.53.04");
    for (const char* other : {"", "OK", "ATI", "Unrecognized command", "prologix"}) {
        EXPECT_FALSE(prologix::Identify(other)) << other;
    }
}

// The AR488 takes any "++savecfg" as "save now"; the read time-out covers the session's 5 s
// where the controller takes it.
TEST(PrologixProtocol, OnlyAPrologixIsToldNotToSaveAndTheReadTimeOutIsTheLongestThatFits) {
    EXPECT_EQ(prologix::SetupCommands(prologix::Family::PrologixUsb, 5000).front(), "savecfg 0");
    for (const auto family : {prologix::Family::PrologixUsb, prologix::Family::PrologixEthernet,
                              prologix::Family::Ar488}) {
        const auto commands = prologix::SetupCommands(family, 5000);
        const bool ar488 = family == prologix::Family::Ar488;
        const auto saves = std::count_if(commands.begin(), commands.end(),
                                         [](const auto& c) { return c.starts_with("savecfg"); });
        EXPECT_EQ(saves, ar488 ? 0 : 1);
        EXPECT_EQ(std::count(commands.begin(), commands.end(), "savecfg 0"), ar488 ? 0 : 1);
        EXPECT_EQ(std::count(commands.begin(), commands.end(),
                             ar488 ? "read_tmo_ms 5000" : "read_tmo_ms 3000"),
                  1);
        EXPECT_EQ(commands.back(), "ifc");
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
    void TearDown() override {
        lbDef::BoardClose();
        prologix::SerialPortSystem() = {};
        lb::RestoreDefaultWaitSeams();
    }

    // One query and its reply, as the session makes them.
    std::string Query(const lb::ByteBuffer& query) {
        lb::ByteBuffer reply;
        if (!lbDef::BoardSend(query) || !lbDef::BoardReceive(reply)) return "<failed>";
        return std::string(reply.begin(), reply.end());
    }

    std::string where;
    lb::SessionState& s = lb::sessionState;
};

// Each controller is set up as this program needs it and named for what it is, and none has
// its EEPROM written: a Prologix is told to stop saving first, an AR488 (which takes any
// "++savecfg" as "save now") is told nothing, also when it answers "++ver" like a Prologix.
TEST_F(PrologixBackend, OpenSetsEachControllerUpWithoutWritingItsEepromAndNamesIt) {
    struct Case {
        const char* kind;
        std::string poseAs;  // the AR488's "++id verstr", or nothing
        std::string settings;
        std::string name;
    };
    // The address is the controller's own until the first transfer; "savecfg" means nothing to
    // an AR488.
    const std::string prologix =
        "savecfg 0, mode 1, addr 0, auto 0, eoi 1, eos 3, eot_enable 1, "
        "eot_char 255, read_tmo_ms 3000";
    const std::string ar488 =
        "savecfg 1, mode 1, addr 1, auto 0, eoi 1, eos 3, eot_enable 1, "
        "eot_char 255, read_tmo_ms 5000";
    const Case cases[] = {
        {"prologix-usb", "", prologix, "Prologix GPIB-USB 6.107"},
        {"ar488-uno", "", ar488, "AR488 0.53.04"},
        {"ar488-nano", kPrologixUsb, ar488, "AR488 0.53.04"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind + (" " + c.poseAs));
        lbDef::BoardClose();
        standIn.Reset();
        standIn.SetPrologixKind(c.kind);
        if (!c.poseAs.empty()) standIn.SetPrologixVersion(c.poseAs);
        Open();
        standIn.SettlePrologix();
        EXPECT_EQ(standIn.PrologixSettings(), c.settings);
        EXPECT_EQ(standIn.Calls("++savecfg").size(), c.name.starts_with("AR488") ? 0u : 1u);
        EXPECT_EQ(standIn.PrologixEepromWrites(), 0);
        EXPECT_EQ(standIn.PrologixOverflowBytes(), 0);
        // The set-up is taken, pauses and all, before the first data line.
        EXPECT_EQ(standIn.CallNames().back(), "++ver");
        EXPECT_EQ(lbDef::InterfaceName(), c.name + " (" + where + ")");
    }
}

// Every byte reaches the analyzer as it was sent, at the AR488's serial speed into its 64-byte
// buffer as well: sends back to back (as the erase makes them), a line longer than the buffer.
TEST_F(PrologixBackend, ExchangesReachTheAnalyzerWholeAndTheAnalyzerGoesLocalAtClose) {
    const lb::ByteBuffer special{'W', 'G', 'T', '1', 27, '+', '\r', '\n'};
    lb::ByteBuffer longLine(102, 'x');
    longLine[100] = '\r';
    longLine[101] = '\n';
    const lb::ByteBuffer recall{'R', 'C', 'L', '9', '\r', '\n'};
    for (const char* kind : {"prologix-usb", "ar488-uno"}) {
        SCOPED_TRACE(kind);
        standIn.Reset();
        standIn.SetPrologixKind(kind);
        Open();
        for (int i = 0; i < 2; ++i) EXPECT_EQ(Query(kTmcQuery), kTmcReply);
        ASSERT_TRUE(lbDef::BoardSend(special));
        ASSERT_TRUE(lbDef::BoardSend(longLine));
        for (int i = 0; i < 20; ++i) ASSERT_TRUE(lbDef::BoardSend(recall));
        ASSERT_TRUE(lbDef::BoardClose());
        standIn.SettlePrologix();
        EXPECT_EQ(standIn.PrologixOverflowBytes(), 0);
        // The bytes arrive unescaped, exactly as sent; the address is given once.
        EXPECT_EQ(standIn.Calls("++addr"), (board_test::Strings{"++addr(\"5\")"}));
        const auto data = standIn.Calls("data");
        ASSERT_EQ(data.size(), 24u);
        EXPECT_EQ(data[2], "data([57 47 54 31 1B 2B 0D 0A])");
        EXPECT_EQ(data[3].size(), std::string("data([])").size() + 102 * 3 - 1);
        EXPECT_EQ(data[23], "data([52 43 4C 39 0D 0A])");
        // Then the controller is asked whether it is still there, and took everything.
        const auto calls = standIn.CallNames();
        EXPECT_EQ(board_test::Strings(calls.end() - 2, calls.end()),
                  (board_test::Strings{"++loc", "++ver"}));
        ExpectClosed();
    }
}

// A Prologix reads for 3 s at most, an AR488 as long as it is told: the session's 5 s hold on
// both. A reply at 4 s is its own query's; one that comes after the time-out, or never ends, is
// thrown away, and the next query gets its own.
TEST_F(PrologixBackend, TheSessionsFiveSecondsHoldOnEveryControllerAndNoReplyPassesForAnothers) {
    standIn.SetReply("DOD?", "12.5,13.5,14.5\r\n");
    for (const char* kind : {"prologix-usb", "ar488-uno"}) {
        SCOPED_TRACE(kind);
        lbDef::BoardClose();
        standIn.SetPrologixKind(kind);
        Open();
        FailNext("++read", 4000);
        auto started = Clock::now();
        EXPECT_EQ(Query(kTmcQuery), kTmcReply);
        EXPECT_GE(Since(started).count(), 3900);
        EXPECT_EQ(Query(kDodQuery), "12.5,13.5,14.5\r\n");
    }
    // The late end of a reply comes while the Prologix reads again; a reply never ended, after
    // its half.
    standIn.SetPrologixKind("prologix-usb");
    for (const long long late : {6000LL, kNeverEnds}) {
        SCOPED_TRACE(late);
        lbDef::BoardClose();
        Open();
        FailNext("++read", late);
        auto started = Clock::now();
        EXPECT_EQ(Query(kTmcQuery), "<failed>");
        EXPECT_GE(Since(started).count(), 4900);
        EXPECT_TRUE(s.boardTimeout);
        EXPECT_FALSE(s.boardLost);
        EXPECT_EQ(Query(kDodQuery), "12.5,13.5,14.5\r\n");
    }
    EXPECT_EQ(standIn.PrologixOverflowBytes(), 0);
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
// A port whose device answers otherwise is asked whether it is an AR488 in disguise, and then
// left alone: nothing reaches the bus.
TEST_F(PrologixBackend, APortThatIsNotAControllerIsRefusedWithWhatItAnswered) {
    standIn.SetPrologixVersion("OK");
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_FALSE(s.cardOpen);
    const std::string text = lbDef::DriverStatusText(s.boardStatus);
    EXPECT_NE(text.find(where), std::string::npos) << text;
    EXPECT_NE(text.find("「OK」"), std::string::npos) << text;
    standIn.SettlePrologix();
    EXPECT_EQ(standIn.Calls("++ver"), (board_test::Strings{"++ver(\"\")", "++ver(\"real\")"}));
    EXPECT_TRUE(standIn.Calls("data").empty());
}

TEST_F(PrologixBackend, PortsThatCannotBeUsedAreRefusedAndNamed) {
    for (int nth = 1; nth <= 8; ++nth) standIn.FailCall("++ver", nth, kNoAnswer);
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

    // The most common first-run fault on Linux, named as such.
    prologix::SerialPortSystem().open = [](const std::string& name) {
        return prologix::Opened{nullptr, prologix::OpenFailure::NotInGroup, "Permission denied",
                                name == "/dev/ttyUSB7" ? "uucp" : "dialout"};
    };
    for (const char* port : {"/dev/ttyUSB0", "/dev/ttyUSB7"}) {
        ASSERT_EQ(lbDef::ChooseInterface(port), "");
        EXPECT_FALSE(lbDef::BoardOpen(65536));
        EXPECT_EQ(lbDef::DriverStatusText(s.boardStatus),
                  "ポート「" + std::string(port) + "」を開く権限がありません（" +
                      (std::string(port) == "/dev/ttyUSB7" ? "uucp" : "dialout") +
                      " グループに入っていません）");
    }
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

// The search over the serial ports: Bluetooth ports are not opened, a port whose open hangs is
// given up, the window handles its events all along, the port that answered last is tried
// first, and when no port answers, each port's reason is named.
TEST_F(PrologixBackend, TheSearchKeepsTheWindowLiveSkipsBluetoothAndNamesEachPortsReason) {
    // Stand-ins for the system's ports, around the simulated controller. A port whose open
    // blocks returns after the test is over: it shares nothing with the test.
    const std::string controllerPort = "COM7";
    auto opened = std::make_shared<std::atomic<int>>(0);  // opens of the port that hangs
    auto bluetoothOpened = std::make_shared<std::atomic<bool>>(false);
    std::vector<prologix::ListedPort> ports = {
        {"COM3", true}, {"COM4", false}, {"COM5", false}, {"COM6", false}, {controllerPort, false}};
    prologix::SerialPortSystem().list = [&ports] { return ports; };
    prologix::SerialPortSystem().open = [opened, bluetoothOpened, served = where,
                                         controllerPort](const std::string& name) {
        using prologix::OpenFailure;
        if (name == "COM3") *bluetoothOpened = true;
        if (name == "COM3" || name == "COM4") {
            if (name == "COM4") ++*opened;
            std::this_thread::sleep_for(std::chrono::seconds(8));
            return prologix::Opened{nullptr, OpenFailure::Other, "timed out", {}};
        }
        if (name == "COM5") return prologix::Opened{nullptr, OpenFailure::Busy, "in use", {}};
        if (name == "COM6")
            return prologix::Opened{nullptr, OpenFailure::NotInGroup, {}, "dialout"};
        if (name != controllerPort) return prologix::Opened{nullptr, OpenFailure::Absent, {}, {}};
        const size_t colon = served.rfind(':');
        return served.starts_with("/") ? prologix::OpenSerialPort(served)
                                       : prologix::OpenTcpPort(served.substr(0, colon),
                                                               std::stoi(served.substr(colon + 1)));
    };
    int steps = 0;
    lb::SetEventStep([&steps](std::uint32_t) {
        ++steps;
        return true;
    });
    ASSERT_EQ(lbDef::ChooseInterface("auto"), "");

    auto started = Clock::now();
    Open();
    const auto searched = Since(started);
    EXPECT_GE(searched.count(), prologix::kOpenLimitMs) << "COM4 was waited for";
    EXPECT_GE(steps, searched.count() / 100) << "the window handled its events every 20 ms";
    EXPECT_FALSE(*bluetoothOpened);
    EXPECT_EQ(lbDef::InterfaceName(), "Prologix GPIB-USB 6.107 (" + controllerPort + ")");
    EXPECT_EQ(Query(kTmcQuery), kTmcReply);
    ASSERT_TRUE(lbDef::BoardClose());

    started = Clock::now();
    Open();
    EXPECT_LT(Since(started).count(), prologix::kOpenLimitMs) << "the port found last, first";
    EXPECT_EQ(*opened, 1);
    ASSERT_TRUE(lbDef::BoardClose());

    // No port with a controller behind it: each port's reason, the most specific there is.
    standIn.Reset();
    standIn.SetPrologixVersion("OK");
    EXPECT_FALSE(lbDef::BoardOpen(65536));
    EXPECT_EQ(lbDef::DriverStatusText(s.boardStatus),
              "++ver に応答する GPIB 変換器がどのシリアルポートにも見つかりません（"
              "ポート「COM7」は GPIB 変換器ではありません（++ver への応答: 「OK」）、"
              "ポート「COM3」は Bluetooth のポートのため調べていません、"
              "ポート「COM4」は開くのに時間がかかりすぎます、"
              "ポート「COM5」は他のプログラムが使用中です、"
              "ポート「COM6」を開く権限がありません（dialout グループに入っていません））");
    EXPECT_TRUE(standIn.Calls("data").empty());
}

TEST(PrologixPorts, BluetoothDevicesAreKnownByTheirDriversNames) {
    for (const char* name : {"\\Device\\BthModem0", "\\Device\\BtPort3", "/dev/rfcomm0"}) {
        EXPECT_TRUE(prologix::IsBluetoothDevice(name)) << name;
    }
    for (const char* name : {"\\Device\\Serial0", "\\Device\\VCP0", "\\Device\\Silabser0",
                             "/dev/ttyUSB0", "/dev/ttyACM0"}) {
        EXPECT_FALSE(prologix::IsBluetoothDevice(name)) << name;
    }
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
