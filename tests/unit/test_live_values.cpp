// The live-values table: each box's decode from a read of the live block, the short
// read's share of it, and a value that does not compute shown as 0.
#include "core/live_values.h"
#include "core/number_text.h"

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

// The chart plots numbers: each must be the number its box's text shows, for every
// byte a one-byte row can hold and a sweep of the two-byte rows (period 0 included).
TEST(LiveValues, TheNumberIsWhatTheTextShows)
{
    for (const char* scale : {"1", "2", "x"})
        for (uint32_t word = 0; word < 65536; word += 37) {
            uint8_t live[10];
            for (int i = 0; i < 10; ++i)
                live[i] = static_cast<uint8_t>(i % 2 ? word >> 8 : word + i);
            for (size_t row = 0; row < liveValueCount(); ++row) {
                const LiveValue& v = liveValueTable()[row];
                const std::string text = shownText(v, live, addr::LiveFirst, scale);
                EXPECT_EQ(shownNumber(v, live, addr::LiveFirst, scale), parseDecimal(text, '.'))
                    << v.name << " " << word << " " << text;
            }
        }
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
    const char* expected[][2] = {{"Temperatura Atual", "C"}, {"MAP Atual", "V"},   {"Lambda Atual", "mV"},
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
    const std::pair<char, char> cases[] = {{',', ','}, {'.', '.'}, {'\'', '\''}, {'/', '/'}, {'\0', '.'},
                                           {' ', '.'}, {'5', '.'}, {'e', '.'},   {'-', '.'}, {char(0xB7), '.'}};
    for (auto [reported, used] : cases)
        EXPECT_EQ(usableDecimalSeparator(reported), used) << int(reported);
}

} // namespace

#include "core/drive_log.h"

namespace {

TEST(DriveLog, RowsInBothSeparatorStylesReadBack)
{
    const uint8_t live[10] = {0x09, 0x3D, 0x88, 0x13, 0x33, 32, 0x44, 190, 255, 51};
    const struct {
        char sep;
        const char* header;
        const char* row;
    } styles[] = {
        {'.',
         "\xEF\xBB\xBFsegundos,data_hora,Temperatura Atual (C),MAP Atual (V),Lambda Atual (mV),Correção Atual (%),"
         "RPM Atual (RPM),Tempo de Injeç. (ms),marcador,falha\n",
         "1.500,2026-12-09T15:30:01.500,0,2.50,1000,50,1200,4.0,3,\n"},
        {',',
         "\xEF\xBB\xBFsegundos;data_hora;Temperatura Atual (C);MAP Atual (V);Lambda Atual (mV);Correção Atual (%);"
         "RPM Atual (RPM);Tempo de Injeç. (ms);marcador;falha\n",
         "1,500;2026-12-09T15:30:01.500;0;2,50;1000;50;1200;4,0;3;\n"},
    };
    for (const auto& s : styles) {
        const DriveLogFormat f(s.sep);
        EXPECT_EQ(f.header(), s.header);
        EXPECT_EQ(f.row(1.5, "2026-12-09T15:30:01.500", live, 3, ""), s.row);
        const std::string failed = f.row(2.0, "2026-12-09T15:30:02.000", nullptr, 0, "Falha na Comunicação");
        EXPECT_EQ(std::count(failed.begin(), failed.end(), f.fieldSeparator()), 9);
        const DriveLog log
            = readDriveLog(f.header() + f.row(0, "2026-12-09T15:30:00.000", live, 0, "") + s.row + failed);
        ASSERT_TRUE(log.ok) << log.error;
        ASSERT_EQ(log.samples.size(), 3u);
        EXPECT_EQ(log.samples[1].values, (std::array<double, 6>{0, 2.5, 1000, 50, 1200, 4.0}));
        EXPECT_DOUBLE_EQ(log.samples[1].seconds, 1.5);
        EXPECT_EQ(log.samples[1].marker, 3);
        EXPECT_FALSE(log.samples[2].ok);
        EXPECT_EQ(log.samples[2].failure, "Falha na Comunicação");
    }
}

TEST(DriveLog, DamagedOrForeignFilesNameTheLine)
{
    const DriveLogFormat f('.');
    const uint8_t live[10] = {};
    const std::string good = f.header() + f.row(0, "2026-12-09T15:30:00.000", live, 0, "");
    const std::pair<std::string, std::string> cases[] = {
        {"", "linha 1: arquivo vazio"},
        {"nome,idade\nana,3\n", "linha 1: não é um registro"},
        {good + "0.5,2026-12-09T15:30:00.500,1,2\n", "linha 3: a linha tem 4 campos"},
        {good + "0.5,ontem,0,0.00,0,0,0,0.0,,\n", "linha 3: data e hora inválidas"},
        {good + "0.5,2026-12-09T15:30:00.500,0,x,0,0,0,0.0,,\n", "linha 3: valor inválido na coluna \"MAP Atual (V)\""},
        {good + "0.5,2026-12-09T15:30:00.500,0,0.00,0,0,0,0.0,-2,\n", "linha 3: marcador inválido"},
    };
    for (const auto& [text, error] : cases) {
        const DriveLog log = readDriveLog(text);
        EXPECT_FALSE(log.ok) << error;
        EXPECT_EQ(log.error.rfind(error, 0), 0u) << log.error;
    }
    // An older tuma-cli log, without seconds and markers, still opens.
    const DriveLog old
        = readDriveLog("data_hora,Temperatura Atual (C),MAP Atual (V),Lambda Atual (mV),Correção Atual (%),"
                       "RPM Atual (RPM),Tempo de Injeç. (ms),falha\n"
                       "2026-12-08T23:29:31.718,20,0.98,745,0,873,3.2,\n"
                       "2026-12-08T23:29:32.218,,,,,,,Falha na Comunicação\n");
    ASSERT_TRUE(old.ok) << old.error;
    EXPECT_DOUBLE_EQ(old.samples[1].seconds, 0.5);
    EXPECT_FALSE(old.samples[1].ok);
}

} // namespace
