// The Yamato program without its driver library: this test runs with the stand-ins' folder off
// the search path. Its open turns the missing driver into a plain failure; its close does not.
#include <gtest/gtest.h>

#include "platform/driver_library.h"
#include "session/backend.h"
#include "session/error_codes.h"
#include "session/session.h"
#include "session/session_state.h"

namespace {

TEST(YamatoMissingDriver, OpenFailsQuietlyAndTheCloseRaisesTheBindingError) {
    auto& s = lb::sessionState;
    s.boardStatus = 3;
    s.boardTimeout = true;
    bool opened = true;
    EXPECT_NO_THROW(opened = lbDef::BoardOpen(65536));
    EXPECT_FALSE(opened);
    EXPECT_FALSE(s.cardOpen);
    EXPECT_EQ(s.boardStatus, 0);
    EXPECT_FALSE(s.boardTimeout);

    EXPECT_NO_THROW(lb::CardOpen(65536));
    EXPECT_EQ(s.lastFailure, lb::kOpenFailed);

    try {
        lbDef::BoardClose();
        FAIL() << "the close must not succeed without a driver";
    } catch (const platform::BindingError& error) {
        EXPECT_EQ(error.library(), "Gpdllpci.dll");
        EXPECT_EQ(error.function(), "Gpib_Lcl");
    }
    EXPECT_FALSE(s.cardOpen);
    EXPECT_EQ(s.recvBufferSize, 65536) << "the session was reset before the driver call";
}

}  // namespace
