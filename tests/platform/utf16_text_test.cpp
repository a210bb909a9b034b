#include <gtest/gtest.h>

#include "platform/utf16_text.h"

namespace {

using platform::Utf16ToUtf8;
using platform::Utf8ToUtf16;

TEST(Utf16Text, EveryKindOfCharacterRoundTrips) {
    const std::string text = "TQ58\u2192PC \u30E1\u30E2\u30EA \u00E9 \U0001F600 \uFFFF";
    const std::u16string wide = Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"TQ58\u2192PC \u30E1\u30E2\u30EA \u00E9 \U0001F600 \uFFFF");
    EXPECT_EQ(Utf16ToUtf8(wide), text);
    EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)), std::u16string(u"a\0b", 3));
}

TEST(Utf16Text, EachByteOutsideAWellFormedSequenceBecomesOneReplacement) {
    EXPECT_EQ(Utf8ToUtf16("a\xFF"
                          "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("a\xE3\x83"), u"a\uFFFD\uFFFD") << "a sequence cut short";
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD") << "an overlong slash";
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "an encoded surrogate";
    EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD") << "past U+10FFFF";
    EXPECT_EQ(Utf8ToUtf16("\x80\xE3\x83\xA1"), u"\uFFFD\u30E1") << "a stray continuation byte";
}

TEST(Utf16Text, AnUnpairedSurrogateBecomesAReplacement) {
    EXPECT_EQ(Utf16ToUtf8(u"a\xD800"
                          "b"),
              "a\uFFFDb");
    EXPECT_EQ(Utf16ToUtf8(std::u16string(1, u'\xDC00')), "\uFFFD");
}

}  // namespace
