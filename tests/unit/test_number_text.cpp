#include "core/errors.h"
#include "core/number_text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

using namespace tuma;

namespace {

// Every case runs under both separators and under a comma and a full-stop C locale,
// because Qt sets the C library's locale from the user's environment.
struct Env {
    const char* locale;
    char sep;
};

class NumberText : public ::testing::TestWithParam<Env> {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::setlocale(LC_ALL, GetParam().locale), nullptr)
            << "locale " << GetParam().locale << " is not installed (scripts/setup.sh generates it)";
    }
    void TearDown() override { std::setlocale(LC_ALL, "C"); }
    std::string sep(const std::string& dotted)
    {
        std::string s = dotted;
        for (char& c : s)
            if (c == '.')
                c = GetParam().sep;
        return s;
    }
};

TEST_P(NumberText, GeneralFormat)
{
    const std::pair<double, const char*> cases[] = {
        {37.5, "37.5"},     {50, "50"},
        {0, "0"},           {-0.0, "0"},
        {9.375, "9.375"},   {200.8, "200.8"},
        {-65, "-65"},       {1990, "1990"},
        {0.1 + 0.2, "0.3"}, {123456789012345.0, "123456789012345"},
        {1e20, "1E20"},     {0.000015, "1.5E-5"},
        {0.0001, "0.0001"}, {2.5, "2.5"},
        {-12.25, "-12.25"},
    };
    for (auto& c : cases)
        EXPECT_EQ(formatGeneral(c.first, GetParam().sep), sep(c.second)) << c.first;
}

TEST_P(NumberText, FixedFormatsAlwaysUseAFullStop)
{
    struct Case {
        double v;
        int d;
        const char* text;
    };
    const Case cases[] = {
        {4.0, 1, "4.0"},     {52.428, 1, "52.4"}, {2.5, 0, "2"},     {3.5, 0, "4"},
        {26.5, 0, "26"},     {0.125, 2, "0.12"},  {2.5, 2, "2.50"},  {0, 2, "0.00"},
        {1562.5, 0, "1562"}, {1000.0, 0, "1000"}, {286.1, 0, "286"}, {18750000, 0, "18750000"},
    };
    for (auto& c : cases)
        EXPECT_EQ(formatFixed(c.v, c.d), c.text) << c.v;
}

TEST_P(NumberText, RoundHalfToEven)
{
    const std::pair<double, int32_t> cases[] = {
        {2.5, 2}, {3.5, 4}, {26.5, 26}, {25.5, 26}, {-2.5, -2}, {511.95, 512}, {1219.99, 1220}, {0.4999, 0},
    };
    for (auto& c : cases)
        EXPECT_EQ(roundToInt(c.first), c.second) << c.first;
    EXPECT_THROW(roundToInt(1e12), ConversionError);
}

TEST_P(NumberText, IntegerParsing)
{
    const std::pair<const char*, int32_t> good[] = {
        {"0", 0},
        {"35", 35},
        {"  35", 35},
        {"-1", -1},
        {"+7", 7},
        {"$FF", 255},
        {"x10", 16},
        {"0x1f", 31},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"007", 7},
    };
    for (auto& c : good)
        EXPECT_EQ(parseInteger(c.first), c.second) << c.first;
    const char* bad[] = {"", " ", "35.5", "35,5", "35 ", "abc", "2147483648", "-2147483649", "$", "1e3", "--1", "0x"};
    for (const char* b : bad) {
        try {
            parseInteger(b);
            ADD_FAILURE() << "accepted '" << b << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + b + "' is not a valid integer value");
        }
    }
}

TEST_P(NumberText, DecimalParsingWithTheRegionalSeparator)
{
    const std::pair<std::string, double> good[] = {
        {"37.5", 37.5},
        {"50", 50},
        {" 10 ", 10},
        {"-3.25", -3.25},
        {"1e39", 1e39},
        {"1.5E-3", 0.0015},
        {".5", 0.5},
        {"5.", 5},
        {"1e-400", 0.0},
        {"50.000001", 50.000001},
        // Long texts are numbers too, however many digits they carry.
        {"12." + std::string(450, '0'), 12},
        {"0." + std::string(500, '0') + "1e501", 1},
    };
    for (auto& c : good)
        EXPECT_DOUBLE_EQ(parseDecimal(sep(c.first), GetParam().sep), c.second) << c.first;
    const char other = GetParam().sep == '.' ? ',' : '.';
    const std::string bad[]
        = {"", "abc", "1e", "1e400", std::string("37") + other + "5", "3.5.1", "1 000", "+", "inf", "nan"};
    for (const std::string& b0 : bad) {
        std::string b = b0.find(other) != std::string::npos ? b0 : sep(b0);
        try {
            parseDecimal(b, GetParam().sep);
            ADD_FAILURE() << "accepted '" << b << "'";
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + b + "' is not a valid floating point value");
        }
    }
}

#ifdef _WIN32
constexpr const char* Brazil = "Portuguese_Brazil.1252";
#else
constexpr const char* Brazil = "pt_BR.UTF-8";
#endif

INSTANTIATE_TEST_SUITE_P(Locales, NumberText,
                         ::testing::Values(Env{"C", '.'}, Env{"C", ','}, Env{Brazil, ','}, Env{Brazil, '.'}),
                         [](const auto& info) {
                             std::string n = info.param.locale;
                             for (char& c : n)
                                 if (!isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return n + (info.param.sep == ',' ? "_comma" : "_dot");
                         });

TEST(FloatErrors, CheckedArithmeticRaisesTypedErrors)
{
    EXPECT_THROW(checkedDiv(1, 0), FloatDivisionByZero);
    EXPECT_THROW(checkedDiv(0, 0), FloatInvalidOperation);
    EXPECT_THROW(checkedMul(1e300, 1e300), FloatOverflow);
    EXPECT_THROW(toSingle(1e39), FloatOverflow);
    EXPECT_EQ(toSingle(1e-50), 0.0f);
    EXPECT_STREQ(FloatDivisionByZero().what(), "Floating point division by zero");
    EXPECT_STREQ(FloatOverflow().what(), "Floating point overflow");
    EXPECT_STREQ(FloatInvalidOperation().what(), "Invalid floating point operation");
}

} // namespace
