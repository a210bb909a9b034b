// A DLL named like a driver in the program's working folder is never loaded in the driver's
// place: the test runs in a working folder of its own, with no stand-in on the search path.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/driver_library.h"

namespace {

namespace fs = std::filesystem;

TEST(DriverSearch, ADllNamedLikeTheDriverInTheWorkingFolderIsNotLoaded) {
    const fs::path placed = fs::current_path() / "gplib2K.dll";
    fs::remove(placed);
    fs::copy_file(fs::path(TQ58_STANDIN_DIR) / "gplib2K.dll", placed);

    platform::DriverLibrary byName("gplib2K.dll");
    try {
        byName.Resolve("gp_init");
        FAIL() << "gplib2K.dll was loaded from the working folder " << fs::current_path();
    } catch (const platform::BindingError& error) {
        EXPECT_NE(std::string(error.what()).find("cannot be loaded"), std::string::npos)
            << error.what();
    }

    // The same file is a driver the loader accepts when it is named by its path: what kept it
    // out above was the search.
    platform::DriverLibrary byPath(placed.string());
    EXPECT_NE(byPath.Resolve("gp_init"), nullptr);
}

}  // namespace
