// A program whose driver library is not installed: this test runs with the stand-ins' folder
// off the search path.
#include <gtest/gtest.h>

#include "platform/driver_library.h"
#include "session/backend.h"
#include "session/session_state.h"

namespace {

TEST(MissingDriver, OpeningRaisesTheBindingErrorThatNamesLibraryAndFunction) {
    try {
        lbDef::BoardOpen(65536);
        FAIL() << "the open must not succeed without a driver";
    } catch (const platform::BindingError& error) {
        EXPECT_EQ(error.library(), TQ58_EXPECTED_LIBRARY);
        EXPECT_EQ(error.function(), TQ58_EXPECTED_FUNCTION);
    }
    EXPECT_FALSE(lb::sessionState.cardOpen);
}

}  // namespace
