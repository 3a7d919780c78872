// Numbers in report lines are written as the standard streams write them by default.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "report_text.h"

TEST(NumberFormat, DoublesUseSixSignificantDigitsInGeneralNotation) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.016666666, "0.0166667"}, {60.0, "60"},           {1234567.0, "1.23457e+06"},
        {0.000045, "4.5e-05"},      {9.5e-05, "9.5e-05"},    {26214400.0, "2.62144e+07"},
        {0.0, "0"},                 {0.0001, "0.0001"},      {999999.4, "999999"},
        {999999.5, "1e+06"},        {-2.5, "-2.5"},          {1.25, "1.25"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatNumber(c.value), c.text) << c.value;
}

TEST(NumberFormat, IntegersArePlainDecimal) {
    EXPECT_EQ(formatNumber(std::int64_t{0}), "0");
    EXPECT_EQ(formatNumber(std::int64_t{10536270}), "10536270");
    EXPECT_EQ(formatNumber(std::int64_t{-42}), "-42");
    EXPECT_EQ(formatNumber(std::numeric_limits<std::int64_t>::max()), "9223372036854775807");
}

TEST(NumberFormat, ZeroOverZeroIsWrittenAsTheStreamWritesNotANumber) {
    const double zero = 0.0;
    const std::string text = formatNumber(zero / zero);
    EXPECT_NE(text.find("nan"), std::string::npos) << text;
}
