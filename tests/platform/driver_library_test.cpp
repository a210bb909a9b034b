#include <gtest/gtest.h>

#include "platform/driver_library.h"
#include "platform/tick_count.h"

namespace {

TEST(LibraryFileName, MapsTheDriverNameToTheLoadersFile) {
#ifdef _WIN32
    EXPECT_EQ(platform::LibraryFileName("gplib2K.dll"), "gplib2K.dll");
    EXPECT_EQ(platform::LibraryFileName("axpgp02"), "axpgp02");
#else
    EXPECT_EQ(platform::LibraryFileName("gplib2K.dll"), "libgplib2K.so");
    EXPECT_EQ(platform::LibraryFileName("GPC4304.DLL"), "libGPC4304.so");
    EXPECT_EQ(platform::LibraryFileName("axpgp02"), "libaxpgp02.so");
    EXPECT_EQ(platform::LibraryFileName("libgpib.so.0"), "libgpib.so.0");
    EXPECT_EQ(platform::LibraryFileName("libvisa.so"), "libvisa.so");
#endif
}

TEST(DriverLibrary, AMissingLibraryRaisesABindingErrorNamingLibraryAndFunction) {
    platform::DriverLibrary library("nosuchdriver.dll");
    platform::DriverFunction<int()> function(library, "ns_init");
    try {
        function();
        FAIL() << "calling into a missing library must raise";
    } catch (const platform::BindingError& error) {
        EXPECT_EQ(error.library(), "nosuchdriver.dll");
        EXPECT_EQ(error.function(), "ns_init");
        EXPECT_NE(std::string(error.what()).find("nosuchdriver.dll"), std::string::npos);
    }
    // A later call tries again and fails the same way; nothing is left half bound.
    EXPECT_THROW(function(), platform::BindingError);
}

TEST(TickCount, AdvancesInMilliseconds) {
    const auto first = platform::TickCount();
    std::uint32_t later = first;
    for (int i = 0; i < 100000000 && later - first < 2; ++i) later = platform::TickCount();
    EXPECT_GE(later - first, 2u);
    EXPECT_LT(later - first, 1000u);
}

}  // namespace
