// The parameter table: the factory block and the field checks without widgets.
#include "core/errors.h"
#include "core/number_text.h"
#include "core/parameters.h"

#include <gtest/gtest.h>

#include <set>

namespace tuma {
namespace {

TEST(Parameters, FactoryImageIsTheControllersFactoryBlock)
{
    const uint8_t shipped[addr::ConfigCount] = {0x00, 0x5A, 0x10, 32, 0x12, 0x7A, 1,    2, 3, 4, 5,    6,  0xC4,
                                                0x04, 24,   91,   91, 131,  0xFA, 0x00, 0, 6, 0, 0x77, 239};
    Block image;
    factoryImage(image);
    for (size_t i = 0; i < addr::ConfigCount; ++i)
        EXPECT_EQ(image[i], shipped[i]) << "address " << i + 1;
}

TEST(Parameters, RowsCoverDistinctBytesInsideTheBlock)
{
    std::set<uint16_t> used;
    for (size_t r = 0; r < parameterCount(); ++r) {
        const Parameter& p = parameterTable()[r];
        for (uint16_t a = p.address; a < p.address + p.width; ++a) {
            EXPECT_TRUE(used.insert(a).second) << p.name;
            EXPECT_GE(a, addr::ConfigFirst + 1) << p.name; // address 1 is optionFlags
            EXPECT_LE(a, addr::ConfigFirst + addr::ConfigCount - 1) << p.name;
        }
        EXPECT_EQ(parameterNamed(p.name), &p);
    }
    for (const char* name : ReadOrder)
        EXPECT_NE(parameterNamed(name), nullptr) << name;
    EXPECT_EQ(parameterNamed("rpm_cal"), nullptr);
}

TEST(Parameters, EntryChecksAtTheirBounds)
{
    struct Case {
        const char* field;
        const char* text;
        EntryVerdict::Outcome outcome;
    };
    using V = EntryVerdict;
    const Case cases[] = {
        {"tempo_partida", "0", V::Accepted},       {"tempo_partida", "4000", V::Accepted},
        {"tempo_partida", "4001", V::OutOfRange},  {"tempo_partida", "-1", V::OutOfRange},
        {"tempo_partida", "1.5", V::NotConverted}, {"tempo_partida", "$FA0", V::Accepted},
        {"temp_corr", "100", V::Accepted},         {"temp_corr", "x", V::NotConverted},
        {"limite_corr", "10", V::Accepted},        {"limite_corr", "50.0001", V::OutOfRange},
        {"limite_corr", "9.99", V::OutOfRange},    {"limite_corr", "1e39", V::OutOfRange},
        {"limite_corr", "", V::NotConverted},      {"tempo_extra", "20", V::Accepted},
        {"porc_mistura", "10", V::Accepted},       {"porc_mistura", "40", V::Accepted},
        {"porc_mistura", "40.01", V::OutOfRange},  {"porc_mistura", "9.9", V::OutOfRange},
        {"valor_lambda", "1000", V::Accepted},     {"var_inicial", "199", V::OutOfRange},
    };
    for (const Case& c : cases) {
        const EntryVerdict v = checkEntry(*parameterNamed(c.field), c.text, '.', "40");
        EXPECT_EQ(v.outcome, c.outcome) << c.field << " " << c.text;
        if (!v.accepted()) {
            EXPECT_STREQ(v.caption, c.outcome == V::NotConverted ? "Erro!" : "Aviso!") << c.field;
        }
    }
    EXPECT_STREQ(checkEntry(*parameterNamed("temp_corr"), "x", '.', "").message, "Valores Incorretos!");
    // A decimal comma where the user's separator is one.
    EXPECT_TRUE(checkEntry(*parameterNamed("limite_corr"), "12,5", ',', "").accepted());
    EXPECT_FALSE(checkEntry(*parameterNamed("limite_corr"), "12.5", ',', "").accepted());
    // The mixture's bound is read only for the mixture, and raises when it does not convert.
    EXPECT_TRUE(checkEntry(*parameterNamed("limite_corr"), "20", '.', "garbage").accepted());
    EXPECT_THROW(checkEntry(*parameterNamed("porc_mistura"), "20", '.', "garbage"), ConversionError);
}

} // namespace
} // namespace tuma
