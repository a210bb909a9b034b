#include <gtest/gtest.h>

#include "platform/codepage932.h"

namespace {

using platform::Cp932ToUtf8;
using platform::Utf8ToCp932;

TEST(CodePage932, AsciiIsTheSameInBothDirections) {
    EXPECT_EQ(Utf8ToCp932("TMC? 1,2\\"), "TMC? 1,2\\");
    EXPECT_EQ(Cp932ToUtf8("+062.3,+058.1"), "+062.3,+058.1");
    EXPECT_EQ(Cp932ToUtf8(std::string("1\0"
                                      "2",
                                      3)),
              std::string("1\0"
                          "2",
                          3));
}

TEST(CodePage932, JapaneseTextTakesTwoBytesACharacter) {
    EXPECT_EQ(Utf8ToCp932("\uFF1F"), "\x81\x48");
    EXPECT_EQ(Utf8ToCp932("\uFF5E"), "\x81\x60") << "full-width tilde, not the wave dash";
    EXPECT_EQ(Utf8ToCp932("TQ58メモリーデータ.csv"),
              "TQ58\x83\x81\x83\x82\x83\x8A\x81\x5B\x83\x66\x81\x5B\x83\x5E.csv");
    EXPECT_EQ(Utf8ToCp932("ｱ"), "\xB1") << "half-width katakana is one byte";
}

TEST(CodePage932, ValidBytesRoundTripExactlyButForCharactersEncodedTwice) {
    const std::string bytes =
        "0.8\x81\x60"
        "630Hz \x83\x81\x83\x82\xB1";
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8(bytes)), bytes);
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8("\xED\x40\xFA\x5C")), "\xFA\x5C\xFA\x5C");
    EXPECT_EQ(Utf8ToCp932(Cp932ToUtf8("\xFA\x4A")), "\x87\x54");
}

TEST(CodePage932, WhatCannotBeConvertedBecomesAMarkAndNothingIsLost) {
    EXPECT_EQ(Utf8ToCp932("a\u00E9b"), "a?b") << "no e-acute in code page 932";
    EXPECT_EQ(Utf8ToCp932("a\xFF"
                          "b"),
              "a?b")
        << "a byte that is not UTF-8";
    EXPECT_EQ(Cp932ToUtf8("a\x81 b"), "a\uFFFD b") << "a lead byte without its second byte";
    EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\uFFFD") << "a reply cut inside a character";
}

}  // namespace
