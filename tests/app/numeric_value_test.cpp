// Reading numbers from the window and from replies, and writing them into commands and files.
#include <gtest/gtest.h>

#include <cmath>

#include "app/numeric_value.h"

namespace {

using app::NumberText;
using app::NumericValue;
using app::SignedNumberText;

TEST(NumericValue, ReadsTheLongestLeadingNumber) {
    EXPECT_EQ(NumericValue("5"), 5);
    EXPECT_EQ(NumericValue("-12.75abc"), -12.75);
    EXPECT_EQ(NumericValue("+3"), 3);
    EXPECT_EQ(NumericValue(".5"), 0.5);
    EXPECT_EQ(NumericValue("5."), 5);
    EXPECT_EQ(NumericValue("1e3"), 1000);
    EXPECT_EQ(NumericValue("2.5E-1x"), 0.25);
    EXPECT_EQ(NumericValue("7e"), 7) << "an exponent without digits is not part of the number";
    EXPECT_EQ(NumericValue("7e+"), 7);
    EXPECT_EQ(NumericValue("1.2.3"), 1.2);
    EXPECT_EQ(NumericValue("+062.3,+058.1"), 62.3);
}

TEST(NumericValue, TextWithoutALeadingNumberIsZero) {
    EXPECT_EQ(NumericValue(""), 0);
    EXPECT_EQ(NumericValue("abc"), 0);
    EXPECT_EQ(NumericValue("-"), 0);
    EXPECT_EQ(NumericValue("."), 0);
    EXPECT_EQ(NumericValue("e5"), 0);
    EXPECT_EQ(NumericValue("AD0012"), 0);
}

TEST(NumericValue, SkipsBlanksTabsAndLineFeedsAnywhere) {
    EXPECT_EQ(NumericValue("2 0"), 20);
    EXPECT_EQ(NumericValue(" \t- 1\n2 . 5 e 1"), -125);
    EXPECT_EQ(NumericValue("1\r2"), 1) << "a carriage return is not skipped";
}

TEST(NumericValue, NumbersBeyondADoubleAreInfiniteOrZero) {
    EXPECT_EQ(NumericValue("1e400"), INFINITY);
    EXPECT_EQ(NumericValue("-1e400"), -INFINITY);
    EXPECT_EQ(NumericValue("1e-400"), 0);
    EXPECT_EQ(NumericValue(std::string(400, '9')), INFINITY);
    EXPECT_EQ(NumericValue("0." + std::string(400, '0') + "1"), 0);
    // Exponents at the edge of the integers that hold them.
    EXPECT_EQ(NumericValue("9e9223372036854775807"), INFINITY);
    EXPECT_EQ(NumericValue("9e-9223372036854775808"), 0);
    EXPECT_EQ(NumericValue(std::string(400, '9') + "e-9223372036854775807"), 0);
    EXPECT_EQ(NumericValue("1e99999999999999999999999"), INFINITY);
}

TEST(SettingConversion, RoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
    EXPECT_EQ(app::ToInt16(4.5), 4);
    EXPECT_EQ(app::ToInt16(5.5), 6);
    EXPECT_EQ(app::ToInt16(-2.5), -2);
    EXPECT_EQ(app::ToInt16(4.51), 5);
    EXPECT_EQ(app::ToInt16(32767.4), 32767);
    EXPECT_EQ(app::ToInt16(-32768.5), -32768);
    EXPECT_FALSE(app::ToInt16(32767.5));
    EXPECT_FALSE(app::ToInt16(40000));
    EXPECT_FALSE(app::ToInt16(INFINITY));
    EXPECT_FALSE(app::ToInt16(NAN));
    EXPECT_EQ(app::ToInt32(2147483647.4), 2147483647);
    EXPECT_FALSE(app::ToInt32(2147483647.5));
    EXPECT_EQ(app::ToInt32(-2147483648.0), INT32_MIN);
    EXPECT_FALSE(app::ToInt32(3e9));
}

TEST(NumberText, WritesGeneralDecimalText) {
    EXPECT_EQ(NumberText(60), "60");
    EXPECT_EQ(NumberText(52.3), "52.3");
    EXPECT_EQ(NumberText(-0.5), "-0.5");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.3") << "fifteen significant digits";
    EXPECT_EQ(NumberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(NumberText(1e15), "1E+15");
    EXPECT_EQ(NumberText(-2.5e-7), "-2.5E-07");
    EXPECT_EQ(NumberText(0.00012), "0.00012");
    EXPECT_EQ(NumberText(INFINITY), "INF");
}

TEST(NumberText, ChoosesItsFormAfterRoundingToFifteenDigits) {
    EXPECT_EQ(NumberText(999999999999999.5), "1E+15");
    EXPECT_EQ(NumberText(-999999999999999.7), "-1E+15");
    EXPECT_EQ(NumberText(999999999999999.4), "999999999999999");
    EXPECT_EQ(NumberText(9.999999999999997e-6), "0.00001");
    EXPECT_EQ(NumberText(9.99999999999994e-6), "9.99999999999994E-06");
    EXPECT_EQ(NumberText(NAN), "NAN");
}

TEST(SignedNumberText, PutsABlankBeforeZeroAndPositiveNumbers) {
    EXPECT_EQ(SignedNumberText(1), " 1");
    EXPECT_EQ(SignedNumberText(100), " 100");
    EXPECT_EQ(SignedNumberText(0), " 0");
    EXPECT_EQ(SignedNumberText(-0.0), " 0");
    EXPECT_EQ(SignedNumberText(-5), "-5");
    EXPECT_EQ(SignedNumberText(1.5), " 1.5");
    EXPECT_EQ(SignedNumberText(32767), " 32767");
}

}  // namespace
