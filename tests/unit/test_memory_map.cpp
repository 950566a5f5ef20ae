#include "core/errors.h"
#include "core/memory_map.h"
#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace tuma;

namespace {

class Separators : public ::testing::TestWithParam<char> {
protected:
    char sep() const { return GetParam(); }
    std::string t(std::string s)
    {
        for (char& c : s)
            if (c == '.')
                c = GetParam();
        return s;
    }
};

TEST_P(Separators, ColdStartRoundTrips)
{
    struct Case {
        const char* ms;
        uint8_t lo, hi;
        const char* back;
    };
    const Case cases[]
        = {{"1000", 0xC4, 0x04, "1000"}, {"4000", 0x0E, 0x13, "4000"}, {"419.8", 0x00, 0x02, "420"}, {"0", 0, 0, "0"}};
    for (auto& c : cases) {
        uint8_t buf[2] = {};
        put16(buf, 0, coldStartEncode(t(c.ms), sep()));
        EXPECT_EQ(buf[0], c.lo) << c.ms;
        EXPECT_EQ(buf[1], c.hi) << c.ms;
        EXPECT_EQ(coldStartDecode(get16(buf, 0)), c.back);
    }
}

TEST_P(Separators, IdleSpeedWithScale)
{
    struct Case {
        const char* rpm;
        const char* scale;
        uint16_t period;
    };
    const Case cases[] = {{"600", "1", 31250}, {"600", "2", 15625}, {"1500", "8", 1562}, {"300", "2", 31250}};
    for (auto& c : cases) {
        uint8_t buf[2] = {};
        put16(buf, 0, idleSpeedEncode(c.rpm, c.scale, sep()));
        EXPECT_EQ(get16(buf, 0), c.period) << c.rpm << " at " << c.scale;
    }
    EXPECT_EQ(idleSpeedDecode(31250, "1"), "600");
    EXPECT_EQ(idleSpeedDecode(1562, "8"), "1500");
    EXPECT_EQ(idleSpeedDecode(65535, "1"), "286");
    EXPECT_THROW(idleSpeedDecode(0, "1"), FloatDivisionByZero);
    EXPECT_THROW(idleSpeedEncode("0", "1", sep()), FloatDivisionByZero);
    EXPECT_THROW(idleSpeedDecode(100, "x"), ConversionError);
}

TEST(IdleSpeed, PeriodBeyondSixteenBitsIsHeldAtTheSlowest)
{
    uint8_t buf[2] = {};
    put16(buf, 0, idleSpeedEncode("286", "1", '.')); // 65559 does not fit
    EXPECT_EQ(get16(buf, 0), 65535);
}

TEST_P(Separators, PercentP64)
{
    const std::tuple<const char*, uint8_t, const char*> cases[] = {
        {"50", 32, "50"},        {"37", 24, "37.5"}, {"10", 6, "9.375"},
        {"3.90625", 2, "3.125"}, {"0", 0, "0"},      {"20", 13, "20.3125"},
    };
    for (auto& [in, byte, back] : cases) {
        EXPECT_EQ(percentEncode(t(in), sep()), byte) << in;
        EXPECT_EQ(percentDecode(byte, sep()), t(back));
    }
    EXPECT_EQ(p64LiveDecode(1), 1);
    EXPECT_EQ(p64LiveDecode(255), 398);
    EXPECT_EQ(liveCorrectionDecode(32), "50");
    EXPECT_THROW(percentEncode(GetParam() == '.' ? "37,5" : "37.5", sep()), ConversionError);
}

TEST_P(Separators, LambdaAdjustAndVariation)
{
    EXPECT_EQ(millivoltEncode("1000", sep()), 51);
    EXPECT_EQ(millivoltDecode(51), 1000);
    EXPECT_EQ(millivoltEncode("500", sep()), 26);
    EXPECT_EQ(millivoltDecode(26), 509);
    EXPECT_EQ(millivoltEncode("0", sep()), 0);
    EXPECT_EQ(millivoltDecode(255), 5000);
    EXPECT_EQ(millivoltDecode(1), 19);

    EXPECT_EQ(adjustTimeEncode("50", sep()), 238);
    EXPECT_EQ(adjustTimeDecode(238), "49");
    EXPECT_EQ(adjustTimeEncode("10", sep()), 48);
    EXPECT_EQ(adjustTimeDecode(48), "10");

    uint8_t buf[2] = {};
    put16(buf, 0, minVariationEncode("200", sep()));
    EXPECT_EQ(buf[0], 0xFA);
    EXPECT_EQ(buf[1], 0x00);
    EXPECT_EQ(minVariationDecode(250, sep()), "200");
    EXPECT_EQ(minVariationDecode(251, sep()), t("200.8"));
}

TEST_P(Separators, LiveValues)
{
    EXPECT_EQ(mapVoltageDecode(0), "0.00");
    EXPECT_EQ(mapVoltageDecode(255), "2.50");
    EXPECT_EQ(injectionTimeDecode(5000), "4.0");
    EXPECT_EQ(injectionTimeDecode(65535), "52.4");
    EXPECT_EQ(formatFixed(engineSpeed(15625, 1), 0), "1200");
    EXPECT_EQ(formatFixed(engineSpeed(15625, 2), 0), "600");
    EXPECT_EQ(formatFixed(engineSpeed(15625, 8), 0), "150");
    EXPECT_EQ(formatFixed(engineSpeed(1, 1), 0), "18750000");
    EXPECT_THROW(engineSpeed(0, 1), FloatDivisionByZero);
    EXPECT_THROW(engineSpeed(100, 0), FloatDivisionByZero);
}

INSTANTIATE_TEST_SUITE_P(Both, Separators, ::testing::Values('.', ','),
                         [](const auto& i) { return std::string(i.param == '.' ? "dot" : "comma"); });

TEST(Thermistor, WorkedCodes)
{
    const std::pair<int, double> codes[]
        = {{128, 21}, {91, 35}, {131, 20}, {146, 15}, {0, 1990}, {1, 233}, {255, -65}, {190, 0}, {191, 0}, {14, 102}};
    for (auto& c : codes)
        EXPECT_EQ(adcToCelsius(static_cast<uint8_t>(c.first)), c.second) << c.first;
    const std::pair<int, int> temps[] = {{35, 91}, {20, 131}, {21, 128}, {0, 188}, {60, 45}, {15, 146}, {100, 14}};
    for (auto& c : temps)
        EXPECT_EQ(celsiusToAdc(c.first), c.second) << c.first;
    EXPECT_EQ(temperatureDecode(190), "0");
    EXPECT_EQ(temperatureEncode("35"), 91);
    EXPECT_THROW(temperatureEncode("35.5"), ConversionError);
    EXPECT_THROW(celsiusToAdc(-270), FloatOverflow);
}

// The float-held intermediates must not change any result against a plain double
// computation over the whole range the program meets.
TEST(Thermistor, SweepMatchesDoublePrecision)
{
    const double T = 21.5 + 273.15;
    for (int code = 0; code < 256; ++code) {
        double V = code * 5 * 0.00390625;
        double R = 1000 * V / (5 - V);
        if (R == 0)
            R = 0.01;
        double tc = 3900 * T / (T * std::log(R / 1000) + 3900) - 273.15;
        EXPECT_EQ(adcToCelsius(static_cast<uint8_t>(code)), std::trunc(tc)) << code;
    }
    for (int t = -60; t <= 199; ++t) {
        double e = 3900 * (1 / (t + 273.15) - 1 / T);
        double R = 1000 * std::exp(e);
        double V = 5 * R / (1000 + R);
        EXPECT_EQ(celsiusToAdc(t), static_cast<int>(std::trunc(V * 255 * 0.2))) << t;
    }
}

TEST(Mixture, BytesForEachShare)
{
    const uint8_t at50[] = {1, 8, 16, 24, 31};
    const uint8_t at10[] = {1, 2, 3, 5, 6};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(mixtureByte(i, 50), at50[i]) << i;
        EXPECT_EQ(mixtureByte(i, 10), at10[i]) << i;
    }
    EXPECT_EQ(mixtureByte(0, 1e9), 1);
}

TEST(Encoders, EightBitFieldsKeepTheLowByte)
{
    EXPECT_EQ(percentEncode("500", '.'), static_cast<uint8_t>(320 & 0xFF));
    EXPECT_EQ(millivoltEncode("6000", '.'), static_cast<uint8_t>(306 & 0xFF));
}

} // namespace
