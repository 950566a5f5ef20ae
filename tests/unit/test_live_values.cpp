// The live-values table: each box's decode from a read of the live block, the short
// read's share of it, and a value that does not compute shown as 0.
#include "core/live_values.h"
#include "ports/system.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tuma;

namespace {

std::vector<std::string> shown(const uint8_t* buffer, uint16_t first, const std::string& scale)
{
    std::vector<std::string> texts;
    for (size_t i = 0; i < liveValueCount(); ++i) {
        const LiveValue& v = liveValueTable()[i];
        texts.push_back(liveValueIn(v, first) ? shownText(v, buffer, first, scale) : "-");
    }
    return texts;
}

TEST(LiveValues, EachBoxFromItsBytes)
{
    // 67..76: period 15625, injection 5000, 71, correction 32, 73, code 190, MAP 255, lambda 51.
    const uint8_t live[10] = {0x09, 0x3D, 0x88, 0x13, 0x33, 32, 0x44, 190, 255, 51};
    using V = std::vector<std::string>;
    EXPECT_EQ(shown(live, addr::LiveFirst, "1"), (V{"0", "2.50", "1000", "50", "1200", "4.0"}));
    EXPECT_EQ(shown(live, addr::LiveFirst, "2"), (V{"0", "2.50", "1000", "50", "600", "4.0"}));
    EXPECT_EQ(shown(live, addr::LiveFirst, "8"), (V{"0", "2.50", "1000", "50", "150", "4.0"}));
    // What does not compute shows 0 and leaves the others alone.
    const uint8_t stopped[10] = {0, 0, 0x88, 0x13, 0, 32, 0, 190, 255, 51};
    EXPECT_EQ(shown(stopped, addr::LiveFirst, "1"), (V{"0", "2.50", "1000", "50", "0", "4.0"}));
    EXPECT_EQ(shown(live, addr::LiveFirst, "x"), (V{"0", "2.50", "1000", "50", "0", "4.0"}));
    EXPECT_EQ(shown(live, addr::LiveFirst, "0"), (V{"0", "2.50", "1000", "50", "0", "4.0"}));
    // The short read from 72 holds the correction, temperature, MAP and lambda only.
    const uint8_t shortRead[10] = {32, 0x44, 190, 255, 51, 77, 78, 79, 80, 81};
    EXPECT_EQ(shown(shortRead, addr::ShortLiveFirst, "1"), (V{"0", "2.50", "1000", "50", "-", "-"}));
}

TEST(LiveValues, CaptionsAndUnitsAsTheFormShowsThem)
{
    const char* expected[][2] = {{"Temperatura Atual", "C"}, {"MAP Atual", "V"},  {"Lambda Atual", "mV"},
                                 {"Correção Atual", "%"},    {"RPM Atual", "RPM"}, {"Tempo de Injeç.", "ms"}};
    ASSERT_EQ(liveValueCount(), std::size(expected));
    for (size_t i = 0; i < liveValueCount(); ++i) {
        EXPECT_STREQ(liveValueTable()[i].caption, expected[i][0]);
        EXPECT_STREQ(liveValueTable()[i].unit, expected[i][1]);
    }
    EXPECT_EQ(&liveValueNamed("atual_rpm"), &liveValueTable()[4]);
}

TEST(RegionalSettings, OnlyASeparatorANumberCanCarryIsTaken)
{
    const std::pair<char, char> cases[] = {{',', ','}, {'.', '.'}, {'\'', '\''}, {'/', '/'},  {'\0', '.'},
                                           {' ', '.'}, {'5', '.'}, {'e', '.'},   {'-', '.'}, {char(0xB7), '.'}};
    for (auto [reported, used] : cases)
        EXPECT_EQ(usableDecimalSeparator(reported), used) << int(reported);
}

} // namespace
