// The Contec program's own-address query.
#include <gtest/gtest.h>

#include "session/error_codes.h"
#include "session/my_address.h"
#include "session/session_state.h"
#include "tests/session/fake_backend.h"

namespace {

TEST(GetMyAddress, FillsTheBusCommandRecordFromTheBoardsAddress) {
    fake::ResetAll();
    fake::TheBackend().ownAddress = 21;
    lb::sessionState.lastError = 99;
    const auto record = lb::GetMyAddress();
    const std::uint8_t bytes[] = {record.GTL, record.SDC, record.GET,       record.LLO, record.DCL,
                                  record.UNL, record.UNT, record.myAddress, record.MLA, record.MTA};
    EXPECT_EQ(std::vector<std::uint8_t>(std::begin(bytes), std::end(bytes)),
              (std::vector<std::uint8_t>{1, 4, 8, 17, 20, 63, 95, 21, 53, 85}));
    EXPECT_EQ(lb::sessionState.lastError, 99) << "success touches no code";
}

TEST(GetMyAddress, AFailedQueryRecords12030AndAnAllZeroRecord) {
    fake::ResetAll();
    fake::TheBackend().queryStatus.push_back(false);
    const auto record = lb::GetMyAddress();
    EXPECT_EQ(record.myAddress, 0);
    EXPECT_EQ(record.GTL, 0);
    EXPECT_EQ(record.MTA, 0);
    EXPECT_EQ(lb::sessionState.lastError, lb::kOwnAddressNotObtained);
    EXPECT_EQ(lb::sessionState.lastFailure, lb::kOwnAddressNotObtained);
}

TEST(GetMyAddress, AnAddressThatIsNoByteCountsAsNotReported) {
    for (std::int16_t own : {-1, 256, 32767}) {
        fake::ResetAll();
        fake::TheBackend().ownAddress = own;
        EXPECT_EQ(lb::GetMyAddress().myAddress, 0) << own;
        EXPECT_EQ(lb::sessionState.lastFailure, lb::kOwnAddressNotObtained) << own;
    }
}

}  // namespace
