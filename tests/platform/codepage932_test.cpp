#include <gtest/gtest.h>

#include "platform/codepage932.h"

#ifdef _WIN32
#include <windows.h>

#include <optional>

#include "platform/utf16_text.h"
#endif

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

#ifdef _WIN32
// The conversions go one character at a time without flags, which Windows 95 and 98 know
// nothing of. Each of them must still say what the system's table says with the flags of
// Windows 2000: MB_ERR_INVALID_CHARS for what is not code page 932, WC_NO_BEST_FIT_CHARS for
// what has no form of its own in it.
std::string SystemCp932(wchar_t unit) {
    char bytes[8] = {};
    const int size =
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, &unit, 1, bytes, sizeof bytes, "?", nullptr);
    return std::string(bytes, static_cast<size_t>(size));
}

// The character of bytes, or none when the system refuses them as code page 932.
std::optional<std::string> SystemUtf8(const std::string& bytes) {
    wchar_t units[4] = {};
    const int count = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), units, 4);
    if (count <= 0) return std::nullopt;
    return platform::WideToUtf8(std::wstring_view(units, static_cast<size_t>(count)));
}

std::string Hex(const std::string& bytes) {
    std::string text;
    for (unsigned char byte : bytes) {
        const char digits[] = "0123456789ABCDEF";
        text += {digits[byte >> 4], digits[byte & 15], ' '};
    }
    return text;
}

TEST(CodePage932, EveryCharacterConvertsAsTheSystemTableSaysWithTheFlagsOfWindows2000) {
    int differences = 0;
    for (unsigned unit = 0x80; unit <= 0xFFFF && differences < 10; ++unit) {
        if (unit >= 0xD800 && unit <= 0xDFFF) continue;
        const std::string text = platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(unit)));
        const std::string expected = SystemCp932(static_cast<wchar_t>(unit));
        if (Utf8ToCp932(text) != expected) {
            ADD_FAILURE() << "UTF-8 " << Hex(text) << ": " << Hex(Utf8ToCp932(text))
                          << ", the system's table: " << Hex(expected);
            ++differences;
        }
    }
    for (unsigned first = 0x80; first <= 0xFF && differences < 10; ++first) {
        // A byte alone, then with every second byte.
        for (unsigned second = 0; second <= 0x100 && differences < 10; ++second) {
            std::string bytes(1, static_cast<char>(first));
            if (second < 0x100) bytes += static_cast<char>(second);
            const std::optional<std::string> whole = SystemUtf8(bytes);
            std::string expected;
            if (whole) {
                expected = *whole;
            } else {
                // The first byte is refused; the second, if any, is a character of its own.
                const std::optional<std::string> alone = SystemUtf8(bytes.substr(0, 1));
                expected = (alone ? *alone : "\uFFFD");
                if (bytes.size() == 2) {
                    const std::optional<std::string> rest = SystemUtf8(bytes.substr(1));
                    expected += rest ? *rest : "\uFFFD";
                }
            }
            if (Cp932ToUtf8(bytes) != expected) {
                ADD_FAILURE() << "bytes " << Hex(bytes) << ": " << Hex(Cp932ToUtf8(bytes))
                              << ", the system's table: " << Hex(expected);
                ++differences;
            }
        }
    }
}
#endif

}  // namespace
