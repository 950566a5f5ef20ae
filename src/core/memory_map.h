#pragma once
// The controller's memory as the program uses it: the one table of addresses, and one
// function per conversion between a byte (or 16-bit value) and a field's text.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tuma {

namespace addr {
// Parameter block.
constexpr uint16_t ConfigFirst = 1;
constexpr uint8_t ConfigCount = 25;
constexpr uint16_t OptionFlags = 1;
constexpr uint16_t Mixture = 3;
constexpr uint16_t MaxCorrection = 4;     // limite_corr
constexpr uint16_t IdlePeriod = 5;        // 5..6, rpm_adj
constexpr uint16_t ColdStartTime = 13;    // 13..14, tempo_partida
constexpr uint16_t ColdStartMixture = 15; // porc_mistura
constexpr uint16_t CorrectionTemp = 16;   // temp_corr
constexpr uint16_t HeatingMaxTemp = 17;   // temp_max_extra
constexpr uint16_t ColdStartMaxTemp = 18; // temp_max_cold
constexpr uint16_t MinVariation = 19;     // 19..20, var_inicial
constexpr uint16_t AccelExtra = 21;       // tempo_extra
constexpr uint16_t HeatingExtra = 22;     // injecao_extra
constexpr uint16_t LambdaTarget = 23;     // valor_lambda
constexpr uint16_t AdjustTime = 25;       // tempo_ajuste

// Live block, and the short live read from address 72.
constexpr uint16_t LiveFirst = 67;
constexpr uint16_t ShortLiveFirst = 72;
constexpr uint8_t LiveCount = 10;
constexpr uint16_t EngineSpeedPeriod = 67; // 67..68
constexpr uint16_t InjectionTime = 69;     // 69..70
constexpr uint16_t LiveCorrection = 72;
constexpr uint16_t EngineTemp = 74;
constexpr uint16_t MapVoltage = 75;
constexpr uint16_t LambdaVoltage = 76;

// Programming status.
constexpr uint16_t Status = 99;
constexpr uint8_t StatusCount = 2;

// Position of a controller address inside a buffer read from `first`.
constexpr size_t at(uint16_t address, uint16_t first) { return static_cast<size_t>(address - first); }
constexpr size_t cfg(uint16_t address) { return at(address, ConfigFirst); }
} // namespace addr

// The controller's parameter block, addresses 1..25: as read and written, kept in files
// and the history, and compared.
using Block = std::array<uint8_t, addr::ConfigCount>;

namespace bits {
// optionFlags (address 1)
constexpr uint8_t MapLearned = 0x01;
constexpr uint8_t LambdaIdleLearned = 0x02;
constexpr uint8_t SlowLambda = 0x10;
constexpr uint8_t WideBand = 0x20;
constexpr uint8_t QuickAccel = 0x40;
constexpr uint8_t EngineHeating = 0x80;
constexpr uint8_t OptionMask = 0xF0;
// status (address 99)
constexpr uint8_t MapRunning = 0x01;
constexpr uint8_t MapWaitsOperator = 0x02;
constexpr uint8_t LambdaIdleRunning = 0x40;
} // namespace bits

namespace thermistor {
constexpr uint32_t R0 = 1000;
constexpr float T0 = 21.5f;
constexpr uint32_t B = 3900;
constexpr uint32_t Rs = 1000;
} // namespace thermistor

// 16-bit little-endian values.
uint16_t get16(const uint8_t* buf, size_t pos);
// Stores round(v) split into two bytes, low byte first; a result above 65535 is stored
// as 65535 and one below 0 as 0, never wrapped.
void put16(uint8_t* buf, size_t pos, double v);

double AdcToCelsius(uint32_t R0, float T0, uint32_t B, uint32_t Rs, uint8_t code);
int32_t CelsiusToAdc(uint32_t R0, float T0, uint32_t B, uint32_t Rs, int32_t celsius);
double adcToCelsius(uint8_t code);     // with the fixed model constants
int32_t celsiusToAdc(int32_t celsius); // with the fixed model constants

// P64: percent in 64ths.
double p64Decode(uint8_t value);
uint8_t p64Encode(double percent);
int p64LiveDecode(uint8_t value);

// Each field: decode gives the shown text, encode takes the field's text. Where a
// text may hold a decimal separator, the caller names it (the user's in the windows,
// a point in files). Temperatures, millivolts and the live correction are whole
// numbers and never show one.
std::string coldStartDecode(uint16_t value);
double coldStartEncode(const std::string& ms, char sep); // v before the 16-bit split
std::string minVariationDecode(uint16_t value, char sep);
double minVariationEncode(const std::string& us, char sep);
// Engine and idle speed: (1 / s) * 60e6 / (period * 3.2). Raises on period 0.
double engineSpeed(uint16_t period, int32_t scale);
std::string idleSpeedDecode(uint16_t period, const std::string& scaleText);
double idleSpeedEncode(const std::string& rpmText, const std::string& scaleText, char sep);
std::string percentDecode(uint8_t value, char sep); // general format of P64
uint8_t percentEncode(const std::string& percentText, char sep);
std::string temperatureDecode(uint8_t code);
uint8_t temperatureEncode(const std::string& celsiusText);
int millivoltDecode(uint8_t value);
uint8_t millivoltEncode(const std::string& mvText, char sep);
std::string adjustTimeDecode(uint8_t value);
uint8_t adjustTimeEncode(const std::string& secondsText, char sep);
std::string injectionTimeDecode(uint16_t value);
std::string mapVoltageDecode(uint8_t value);
// The same two as numbers: milliseconds and volts.
double injectionMillis(uint16_t value);
double mapVolts(uint8_t value);
std::string liveCorrectionDecode(uint8_t value);
std::string millivoltText(uint8_t value);

// The programming dialog's mixture byte for share index 0..4 ("0 %" .. "100 %").
uint8_t mixtureByte(int shareIndex, double L);

} // namespace tuma
