// The simulated Prologix-protocol controller keeps the limits its manuals give, so that a program
// that does not keep to them fails against it: on its own, on a clock the test turns.
#include <gtest/gtest.h>

#include <string>

#include "sim/prologix_controller.h"

namespace {

using sim::ControllerKind;
using sim::PrologixController;
using Micros = PrologixController::Micros;

constexpr Micros kMs = 1000;

class SimulatedController : public ::testing::Test {
  protected:
    void SetUp() override { sim::Bench::Instance().Reset(); }

    // Writes text at the moment at and runs the controller until then; what it sent by then.
    std::string At(Micros at, const std::string& text = {}) {
        controller.Write(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), at);
        const auto sent = controller.Run(at);
        return {sent.begin(), sent.end()};
    }

    PrologixController controller{sim::Bench::Instance()};
};

// What this program's set-up would be, written at once.
const std::string kSetup =
    "++mode 1\n++auto 0\n++eoi 1\n++eos 3\n++eot_enable 1\n++eot_char 255\n"
    "++read_tmo_ms 3000\n++ifc\n++addr 5\n++ver\n";

TEST_F(SimulatedController, AnAr488LosesWhatOverflowsItsBufferWhileItPausesAPrologixDoesNot) {
    controller.SetKind(ControllerKind::Ar488Uno);
    controller.PortOpened(0);
    EXPECT_EQ(At(500 * kMs, "++ver\n"), "") << "the boot loader's";
    EXPECT_EQ(At(1200 * kMs, "++ver\n"), "");
    EXPECT_EQ(At(1300 * kMs), std::string(PrologixController::kAr488Version) + "\r\n");
    // "++mode 1" pauses 80 ms: what follows it at 115200 baud fills the buffer and the rest is
    // lost, the answer to "++ver" with it.
    EXPECT_EQ(At(2000 * kMs, kSetup), "");
    EXPECT_EQ(At(3000 * kMs), "");
    EXPECT_GT(controller.overflowBytes(), 0);
    EXPECT_NE(controller.Settings().find("read_tmo_ms 1200"), std::string::npos)
        << controller.Settings();

    controller.SetKind(ControllerKind::PrologixUsb);
    EXPECT_EQ(At(4000 * kMs, kSetup), "");
    EXPECT_EQ(At(4100 * kMs), std::string(PrologixController::kPrologixUsbVersion) + "\r\n");
    EXPECT_NE(controller.Settings().find("read_tmo_ms 3000"), std::string::npos);
}

TEST_F(SimulatedController, APrologixReadsForThreeSecondsAtMostAnAr488AsLongAsItIsTold) {
    sim::Bench::Instance().FailCall("++read", 1, 4000);  // the analyzer answers after 4 s
    sim::Bench::Instance().FailCall("++read", 2, 4000);
    controller.SetKind(ControllerKind::PrologixUsb);
    At(0, "++addr 5\n++eot_enable 1\n++eot_char 255\n++read_tmo_ms 5000\n");
    EXPECT_NE(controller.Settings().find("read_tmo_ms 500"), std::string::npos)
        << "5000 is out of its range";
    At(0, "++read_tmo_ms 3000\nTMC?\n++read eoi\n");
    EXPECT_EQ(At(3999 * kMs), "") << "it gave up at 3 s, without an end marker";
    EXPECT_TRUE(controller.Idle(3999 * kMs));
    At(3999 * kMs, "++read eoi\n");  // asked again, it takes the reply
    EXPECT_EQ(At(4001 * kMs), "2\r\n\xFF");

    controller.SetKind(ControllerKind::Ar488Uno);
    At(0, "++addr 5\n++eot_enable 1\n++eot_char 255\n++read_tmo_ms 5000\nTMC?\n++read eoi\n");
    EXPECT_EQ(At(3999 * kMs), "");
    EXPECT_EQ(At(4010 * kMs), "2\r\n\xFF");
}

TEST_F(SimulatedController, SavecfgAndVerAreEachDevicesOwn) {
    // A Prologix saves every changed setting until told "++savecfg 0".
    At(0, "++auto 0\n++savecfg 0\n++eos 3\n");
    EXPECT_EQ(controller.eepromWrites(), 1);
    // An AR488 saves at any "++savecfg"; posing as a Prologix, it still tells the truth to
    // "++ver real", and what it saved survives its reset.
    controller.SetKind(ControllerKind::Ar488Nano);
    controller.SetVersion(PrologixController::kPrologixUsbVersion);
    controller.PortOpened(0);
    At(2100 * kMs, "++ver\n++ver real\n");
    EXPECT_EQ(At(2200 * kMs), std::string(PrologixController::kPrologixUsbVersion) + "\r\n" +
                                  PrologixController::kAr488Version + "\r\n");
    At(2200 * kMs, "++eos 3\n++savecfg 0\n");
    At(2300 * kMs);
    EXPECT_EQ(controller.eepromWrites(), 2);
    controller.PortOpened(3000 * kMs);
    At(5100 * kMs);
    EXPECT_NE(controller.Settings().find("eos 3"), std::string::npos) << controller.Settings();
}

}  // namespace
