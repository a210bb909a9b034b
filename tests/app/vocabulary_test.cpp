// The commands sent and the reply tables.
#include <gtest/gtest.h>

#include "app/numeric_value.h"
#include "app/utf8_text.h"
#include "app/vocabulary.h"

namespace {

using namespace app;

TEST(Commands, ParametersFollowThePrefixInSignedNumberForm) {
    EXPECT_EQ(command::Erase(1, 100), "CLR0, 1, 100");
    EXPECT_EQ(command::Erase(-5, 100), "CLR0,-5, 100");
    EXPECT_EQ(command::Erase(100, 1), "CLR0, 100, 1");
    EXPECT_EQ(command::SelectAddress(12), "ADR0, 12");
    EXPECT_EQ(command::SelectAddress(-3), "ADR0,-3");
    EXPECT_EQ(command::SecondaryProcessing(0, 1, 100), "OPE0, 1, 100");
    EXPECT_EQ(command::SecondaryProcessing(6, -1, 2), "OPE6,-1, 2");
    EXPECT_EQ(command::BandSetting(0), "FLT0");
    EXPECT_EQ(command::WeightingSetting(3), "WGT3");
}

TEST(Decoders, AnEmptyReplyDecodesToTheCodeZeroTexts) {
    const double empty = NumericValue("");
    EXPECT_EQ(TimeConstantText(empty), "10ms");
    EXPECT_EQ(FrequencyRangeText(empty), "0.8～630Hz");
    EXPECT_EQ(BandText(empty), "1/3oct");
    EXPECT_EQ(WeightingText(empty), "A");
}

TEST(Decoders, EveryTableEntryAndNothingElse) {
    const char* ranges[] = {"0.8～630Hz",  "1.6～1.25KHz", "3.15～2.5KHz", "6.3～5KHz",
                            "12.5～10KHz", "25～20KHz",    "50～40KHz",    "100～80KHz"};
    for (int code = 0; code <= 21; ++code) {
        if (code % 3 == 0) {
            EXPECT_EQ(FrequencyRangeText(code), ranges[code / 3]) << code;
        } else {
            EXPECT_FALSE(FrequencyRangeText(code)) << code;
        }
    }
    EXPECT_FALSE(FrequencyRangeText(24));
    EXPECT_EQ(TimeConstantText(NumericValue("2.0")), "0.125s");
    EXPECT_EQ(TimeConstantText(NumericValue("2 s")), "0.125s");
    EXPECT_FALSE(TimeConstantText(2.5));
    EXPECT_EQ(TimeConstantText(5), "10s");
    EXPECT_FALSE(TimeConstantText(6));
    EXPECT_EQ(BandText(1), "1/1oct");
    EXPECT_FALSE(BandText(-1));
    EXPECT_EQ(WeightingText(3), "Lv-xy");
    EXPECT_EQ(WeightingText(6), "Lcom");
    EXPECT_FALSE(WeightingText(7));
    EXPECT_EQ(WeightingText(NumericValue("Lcom")), "A") << "letters first read as 0";
}

TEST(Decoders, TheRangeTildeIsTheFullWidthOne) {
    EXPECT_EQ(*FrequencyRangeText(0),
              "0.8\xEF\xBD\x9E"
              "630Hz");
}

TEST(Utf8Mid, CountsCharactersNotBytes) {
    EXPECT_EQ(Utf8Mid("AD0012", 3, 4), "0012");
    EXPECT_EQ(Utf8Mid("AD001", 3, 4), "001");
    EXPECT_EQ(Utf8Mid("AD", 3, 4), "");
    EXPECT_EQ(Utf8Mid("", 3, 4), "");
    EXPECT_EQ(Utf8Mid("アドレス12", 3, 4), "レス12");
}

}  // namespace
