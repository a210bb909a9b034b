// The A forms' text runs in the ANSI code page: 932 in the Japanese locale that the copy built
// for Windows 95, 98 and Me is tested in.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/ansi_code_page.h"

namespace {

using platform::AnsiPath;
using platform::AnsiToWide;
using platform::PathFromAnsi;
using platform::WideToAnsi;

class AnsiCodePage : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 932u) << "the test runs in the ja_JP locale"; }
};

TEST_F(AnsiCodePage, JapaneseTextIsCodePage932BothWays) {
    EXPECT_EQ(WideToAnsi(L"TQ58\u2192PC(GPIB)"), "TQ58\x81\xA8PC(GPIB)");
    EXPECT_EQ(AnsiToWide("\x83\x5C\x95\x5C"), L"\u30BD\u8868") << "ソ表: 5C as a second byte";
    EXPECT_EQ(WideToAnsi(L"a\u00E9b"), "a?b") << "no e-acute in code page 932";
}

TEST_F(AnsiCodePage, APathIsConvertedWholeAndItsSecondBytesAreNotSeparators) {
    const std::filesystem::path folder = PathFromAnsi("C:\\\x83\x5C\x95\x5C\\TQ58");
    EXPECT_EQ(folder.native(), L"C:\\\u30BD\u8868\\TQ58");
    EXPECT_EQ(folder.parent_path().native(), L"C:\\\u30BD\u8868");
    EXPECT_EQ(AnsiPath(folder / L"TQ58\u30E1\u30E2\u30EA.csv"),
              "C:\\\x83\x5C\x95\x5C\\TQ58\\TQ58\x83\x81\x83\x82\x83\x8A.csv");
}

TEST_F(AnsiCodePage, APathWithACharacterTheCodePageLacksHasNoAnsiForm) {
    EXPECT_EQ(AnsiPath(L"C:\\a\u00E9.csv"), std::nullopt) << "it would name C:\\a?.csv";
    EXPECT_EQ(AnsiPath(L"C:\\a\u00A5.csv"), std::nullopt) << "a best fit: 5C would be a separator";
    EXPECT_EQ(AnsiPath(L"C:\\a\U0001F600.csv"), std::nullopt);
}

}  // namespace
