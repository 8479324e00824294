#include "shell/parse_decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using tarnwick::parse_decimal;

TEST(ParseDecimal, ReadsTheNumbersAUserTypes) {
    struct Case {
        const char* text;
        double expected;
    };
    const std::vector<Case> cases =
        {
            {" 0,25", 0.25},    {"0.25", 0.25},  {"-1.5e2", -150.0},
            {"1.2.3", 1.2},  // a second separator ends the number
            {"1,2.3", 1.2},     {"abc", 0.0},    {"", 0.0},
            {"250", 250.0},     {"+7", 7.0},     {"   -0.5", -0.5},
            {"0.3", 0.3},       {"1e3", 1000.0}, {"1E-2", 0.01},
            {"2.5e+1", 25.0},   {"5e", 5.0},     {"5e x", 5.0},
            {"5e 2", 500.0},  // the exponent is read as atoi reads it: white space first
            {"12abc", 12.0},    {".5", 0.5},     {"-.5", -0.5},
            {"1 000", 1.0},  // a space ends the number
            {"--1", 0.0},    // one sign only
            {"\t1", 0.0},    // only spaces are skipped before the number
            {"48000", 48000.0}, {"-0", 0.0},
        };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(parse_decimal(c.text), c.expected) << c.text;
}

TEST(ParseDecimal, ShortDecimalFractionsComeOutAsTheNearestDouble) {
    for (const char* text : {"0.1", "0.3", "0.7", "0.29", "1.1", "2.675", "0.001"}) {
        EXPECT_EQ(parse_decimal(text), std::stod(text)) << text;
    }
}

TEST(ParseDecimal, AbsentTextIsZero) {
    EXPECT_EQ(parse_decimal(nullptr), 0.0);
}

TEST(ParseDecimal, OverlongDigitRunsAndExponentsNeitherOverflowNorProduceNan) {
    const std::string many_nines(400, '9');
    const double huge = parse_decimal(many_nines.c_str());
    EXPECT_TRUE(std::isinf(huge));
    const std::string long_integer = "123456789012345678901234567890";
    EXPECT_NEAR(parse_decimal(long_integer.c_str()) / 1.2345678901234568e29, 1.0, 1e-15);
    const std::string long_fraction = "0." + std::string(300, '3');
    EXPECT_NEAR(parse_decimal(long_fraction.c_str()), 1.0 / 3.0, 1e-15);

    EXPECT_TRUE(std::isinf(parse_decimal("1e99999999999999999999")));
    EXPECT_EQ(parse_decimal("1e-99999999999999999999"), 0.0);
    EXPECT_EQ(parse_decimal("0e99999"), 0.0);  // not 0 x infinity
    EXPECT_EQ(parse_decimal("-0e-99999"), 0.0);
}

}  // namespace
