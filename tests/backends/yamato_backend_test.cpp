// The Yamato backend against its stand-in driver, bound by name at run time.
#include "tests/backends/board_test.h"

namespace {

using board_test::kTmcQuery;
using board_test::Strings;

class YamatoBackend : public board_test::BoardTest {
  protected:
    YamatoBackend() : BoardTest("Gpdllpci.dll") {}
};

TEST_F(YamatoBackend, OpenSetsUpTheBoardAndSucceedsWhateverTheDriverReports) {
    s.activeAddress = 9;
    s.boardStatus = 4;
    s.boardTimeout = true;
    standIn.FailCall("Gpib_Init", 1, 3);
    standIn.FailCall("Gpib_Ifc", 1, 3);
    standIn.FailCall("Gpib_Ren", 1, 9999);
    EXPECT_TRUE(lbDef::BoardOpen(4096));
    EXPECT_EQ(standIn.Log(), (Strings{"Gpib_Init()", "Gpib_Ifc()", "Gpib_Ren()"}));
    ExpectOpenedWith(4096);
}

TEST_F(YamatoBackend, CloseAlwaysSucceedsAndResetsTheSession) {
    Open();
    s.boardStatus = 7;
    s.boardTimeout = true;
    FailNext("Gpib_Lcl", 9999);
    EXPECT_TRUE(lbDef::BoardClose());
    EXPECT_EQ(SinceOpen(), Strings{"Gpib_Lcl()"});
    ExpectClosed();
    EXPECT_EQ(s.boardStatus, 0);
    EXPECT_FALSE(s.boardTimeout);
}

TEST_F(YamatoBackend, EveryTransferCarriesItsTimeoutAndTheAnalyzersAddress) {
    Open();
    s.activeAddress = 7;
    EXPECT_FALSE(lbDef::BoardSend({'D', 'L', 'M', 13, 10})) << "nothing listens at 7";
    s.activeAddress = 5;
    EXPECT_TRUE(lbDef::BoardSend(kTmcQuery));
    lb::ByteBuffer bytes;
    EXPECT_TRUE(lbDef::BoardReceive(bytes));
    EXPECT_EQ(bytes, (lb::ByteBuffer{'2', 13, 10}));
    EXPECT_EQ(SinceOpen(),
              (Strings{"Gpib_Bwrt(5000, [44 4C 4D 0D 0A], 5, 7)",
                       "Gpib_Bwrt(5000, [54 4D 43 3F 0D 0A], 6, 5)", "Gpib_Bred(5000, 65536, 5)"}))
        << "the receive may fill 65536 bytes";
}

TEST_F(YamatoBackend, ReceivedCountsStayInsideTheBuffer) {
    Open();
    ExpectReceivedCountsStayInsideTheBuffer();
}

TEST_F(YamatoBackend, Code9999IsATimeoutOnBothTransfersAndOtherCodesAreNot) {
    Open();
    ExpectTimeoutsAre(9999, "Gpib_Bwrt", "Gpib_Bred");
}

TEST_F(YamatoBackend, TheWholeWayThroughTheSessionReadsTheTimeConstant) {
    ExpectTheWholeWayReadsTheTimeConstant();
}

}  // namespace
