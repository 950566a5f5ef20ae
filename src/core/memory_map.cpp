#include "core/memory_map.h"

#include "core/errors.h"
#include "core/number_text.h"

#include <cmath>

namespace tuma {

namespace {
constexpr double kPeriodUnit = 3.2;  // controller timer ticks per microsecond of period
constexpr double kIdleDivisor = 1.6; // 3.2 / 2, the encoder's second step
constexpr double kMicrosPerMinute = 60000000.0;
constexpr double kColdStartShown = 0.82;
constexpr double kColdStartStored = 1.2195121951219512;
constexpr double kMinVariationShown = 0.8;
constexpr double kMinVariationStored = 1.25;
constexpr double kP64Shown = 0.015625;
constexpr double kInjectionShown = 0.8;
constexpr double kMillisPerMicro = 0.001;
constexpr double kMapVolts = 0.00980392156862745;
constexpr double kAdjustShown = 0.21;
constexpr double kAdjustStored = 4.761904761904762;
constexpr double kKelvin = 273.15;
} // namespace

uint16_t get16(const uint8_t* buf, size_t pos) { return static_cast<uint16_t>(buf[pos] | (buf[pos + 1] << 8)); }

void put16(uint8_t* buf, size_t pos, double v)
{
    int32_t n = roundToInt(v);
    // A period beyond 16 bits would wrap into a much shorter one (a far higher speed);
    // the nearest value the controller can hold is the sound choice.
    if (n > 0xFFFF)
        n = 0xFFFF;
    if (n < 0)
        n = 0;
    buf[pos] = static_cast<uint8_t>(n % 256);
    buf[pos + 1] = static_cast<uint8_t>(n / 256);
}

double AdcToCelsius(uint32_t R0, float T0, uint32_t B, uint32_t Rs, uint8_t code)
{
    try {
        float V = static_cast<float>(code * 5 * 0.00390625);
        float R = static_cast<float>(checkedDiv(static_cast<double>(Rs) * V, 5.0 - static_cast<double>(V)));
        if (R == 0.0f)
            R = 0.01f;
        float q = toSingle(checkedDiv(R, static_cast<double>(R0)));
        float l = toSingle(checkedLog(q));
        double T = static_cast<double>(T0) + kKelvin;
        float k = toSingle(checkedDiv(checkedMul(B, T), checkedAdd(checkedMul(T, l), B)));
        float tc = static_cast<float>(static_cast<double>(k) - kKelvin);
        return std::trunc(static_cast<double>(tc));
    } catch (const FloatError&) {
        return 0.0;
    }
}

int32_t CelsiusToAdc(uint32_t R0, float T0, uint32_t B, uint32_t Rs, int32_t celsius)
{
    double e = checkedMul(B, checkedDiv(1.0, celsius + kKelvin) - checkedDiv(1.0, static_cast<double>(T0) + kKelvin));
    float R = toSingle(checkedMul(R0, checkedExp(e)));
    float V = toSingle(checkedDiv(5.0 * static_cast<double>(R), checkedAdd(Rs, R)));
    return static_cast<int32_t>(std::trunc(static_cast<double>(V) * 255 * 0.2));
}

double adcToCelsius(uint8_t code)
{
    return AdcToCelsius(thermistor::R0, thermistor::T0, thermistor::B, thermistor::Rs, code);
}

int32_t celsiusToAdc(int32_t celsius)
{
    return CelsiusToAdc(thermistor::R0, thermistor::T0, thermistor::B, thermistor::Rs, celsius);
}

static uint8_t low8(int32_t n) { return static_cast<uint8_t>(n & 0xFF); }

double p64Decode(uint8_t value) { return value * 100 * kP64Shown; }

uint8_t p64Encode(double percent) { return low8(roundToInt(checkedMul(checkedMul(percent, 64), 0.01))); }

int p64LiveDecode(uint8_t value) { return value * 100 / 64; }

std::string coldStartDecode(uint16_t value) { return formatFixed(value * kColdStartShown, 0); }

double coldStartEncode(const std::string& ms, char sep) { return checkedMul(parseDecimal(ms, sep), kColdStartStored); }

std::string minVariationDecode(uint16_t value, char sep) { return formatGeneral(value * kMinVariationShown, sep); }

double minVariationEncode(const std::string& us, char sep)
{
    return checkedMul(parseDecimal(us, sep), kMinVariationStored);
}

double engineSpeed(uint16_t period, int32_t scale)
{
    double speed = checkedDiv(kMicrosPerMinute, period * kPeriodUnit);
    return checkedMul(checkedDiv(1.0, scale), speed);
}

std::string idleSpeedDecode(uint16_t period, const std::string& scaleText)
{
    int32_t s = parseInteger(scaleText);
    return formatFixed(engineSpeed(period, s), 0);
}

double idleSpeedEncode(const std::string& rpmText, const std::string& scaleText, char sep)
{
    double r = parseDecimal(rpmText, sep);
    int32_t s = parseInteger(scaleText);
    double v = checkedDiv(kMicrosPerMinute, checkedMul(2, r));
    return checkedDiv(v, checkedMul(s, kIdleDivisor));
}

std::string percentDecode(uint8_t value, char sep) { return formatGeneral(p64Decode(value), sep); }

uint8_t percentEncode(const std::string& percentText, char sep) { return p64Encode(parseDecimal(percentText, sep)); }

// A whole number (the model truncates): the separator never shows.
std::string temperatureDecode(uint8_t code) { return formatGeneral(adcToCelsius(code), '.'); }

uint8_t temperatureEncode(const std::string& celsiusText) { return low8(celsiusToAdc(parseInteger(celsiusText))); }

int millivoltDecode(uint8_t value) { return value * 5000 / 255; }

std::string millivoltText(uint8_t value) { return formatGeneral(millivoltDecode(value), '.'); }

uint8_t millivoltEncode(const std::string& mvText, char sep)
{
    return low8(roundToInt(checkedMul(checkedMul(parseDecimal(mvText, sep), 255), 0.0002)));
}

std::string adjustTimeDecode(uint8_t value)
{
    return std::to_string(static_cast<int>(std::trunc(value * kAdjustShown)));
}

uint8_t adjustTimeEncode(const std::string& secondsText, char sep)
{
    return low8(roundToInt(checkedMul(parseDecimal(secondsText, sep), kAdjustStored)));
}

double injectionMillis(uint16_t value) { return value * kInjectionShown * kMillisPerMicro; }

std::string injectionTimeDecode(uint16_t value) { return formatFixed(injectionMillis(value), 1); }

double mapVolts(uint8_t value) { return value * kMapVolts; }

std::string mapVoltageDecode(uint8_t value) { return formatFixed(mapVolts(value), 2); }

std::string liveCorrectionDecode(uint8_t value) { return formatGeneral(p64LiveDecode(value), '.'); }

uint8_t mixtureByte(int shareIndex, double L)
{
    double x;
    switch (shareIndex) {
    case 0:
        x = 1.0;
        break;
    case 1:
        x = checkedMul(L, 0.25);
        break;
    case 2:
        x = checkedMul(L, 0.5);
        break;
    case 3:
        x = checkedMul(L, 0.75);
        break;
    default:
        x = L - 1;
        break;
    }
    return p64Encode(x);
}

} // namespace tuma
