// Where the downloads write: the program's folder when it can be written, otherwise TQ58 in the
// user's documents folder, else in the home folder.
#include <gtest/gtest.h>

#include "platform/program_folder.h"

// The choice is made on Linux only: a Windows program keeps its own folder.
#ifndef _WIN32
namespace {

struct Case {
    const char* name;
    bool writable;
    const char* documents;
    const char* home;
    const char* expected;
};

class OutputFolderChoice : public ::testing::TestWithParam<Case> {};

TEST_P(OutputFolderChoice, PicksTheFirstUsableFolder) {
    const Case& c = GetParam();
    EXPECT_EQ(platform::ChooseOutputFolder("/usr/bin", c.writable, c.documents, c.home),
              std::filesystem::path(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Linux, OutputFolderChoice,
    ::testing::Values(
        Case{"WritableProgramFolder", true, "/home/u/Documents\n", "/home/u", "/usr/bin"},
        Case{"Documents", false, "/home/u/ドキュメント\n", "/home/u", "/home/u/ドキュメント/TQ58"},
        Case{"DocumentsNotConfigured", false, "/home/u\n", "/home/u", "/home/u/TQ58"},
        Case{"NoXdgUserDir", false, "", "/home/u", "/home/u/TQ58"},
        Case{"RelativeAnswerIgnored", false, "Documents\n", "/home/u", "/home/u/TQ58"},
        Case{"NoHomeEither", false, "", "", "/usr/bin"}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(SettingsFile, IsInTheUsersConfigurationFolder) {
    EXPECT_EQ(platform::ChooseSettingsFile("/home/u/.cfg", "/home/u"),
              std::filesystem::path("/home/u/.cfg/tq58pc/settings.ini"));
    EXPECT_EQ(platform::ChooseSettingsFile("", "/home/u"),
              std::filesystem::path("/home/u/.config/tq58pc/settings.ini"));
    EXPECT_EQ(platform::ChooseSettingsFile("cfg", "/home/u"),
              std::filesystem::path("/home/u/.config/tq58pc/settings.ini"))
        << "a relative XDG_CONFIG_HOME is ignored";
    EXPECT_EQ(platform::ChooseSettingsFile("", ""), std::filesystem::path());
}

TEST(OutputFolder, AProgramInAWritableFolderKeepsItsOwnFolder) {
    // The test program lives in the build tree, which its user may write.
    EXPECT_EQ(platform::OutputFolder(), platform::ProgramFolder());
}

}  // namespace
#endif
