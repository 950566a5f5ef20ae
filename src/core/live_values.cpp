#include "core/live_values.h"

#include "core/number_text.h"

#include <iterator>
#include <stdexcept>

namespace tuma {

namespace {
uint8_t byteAt(const uint8_t* buffer, uint16_t first, uint16_t address) { return buffer[addr::at(address, first)]; }
uint16_t wordAt(const uint8_t* buffer, uint16_t first, uint16_t address)
{
    return get16(buffer, addr::at(address, first));
}

double temperature(const uint8_t* b, uint16_t first, const std::string&)
{
    return adcToCelsius(byteAt(b, first, addr::EngineTemp));
}
double mapVoltage(const uint8_t* b, uint16_t first, const std::string&)
{
    return mapVolts(byteAt(b, first, addr::MapVoltage));
}
double lambda(const uint8_t* b, uint16_t first, const std::string&)
{
    return millivoltDecode(byteAt(b, first, addr::LambdaVoltage));
}
double correction(const uint8_t* b, uint16_t first, const std::string&)
{
    return p64LiveDecode(byteAt(b, first, addr::LiveCorrection));
}
double speed(const uint8_t* b, uint16_t first, const std::string& scale)
{
    return engineSpeed(wordAt(b, first, addr::EngineSpeedPeriod), parseInteger(scale));
}
double injection(const uint8_t* b, uint16_t first, const std::string&)
{
    return injectionMillis(wordAt(b, first, addr::InjectionTime));
}

std::string textOf(const LiveValue& v, double number)
{
    return v.decimals < 0 ? formatGeneral(number, '.') : formatFixed(number, v.decimals);
}

const LiveValue Table[] = {
    {"atual_temp", addr::EngineTemp, 1, "Temperatura Atual", "C", temperature, -1},
    {"atual_map", addr::MapVoltage, 1, "MAP Atual", "V", mapVoltage, 2},
    {"atual_lambda", addr::LambdaVoltage, 1, "Lambda Atual", "mV", lambda, -1},
    {"atual_corr", addr::LiveCorrection, 1, "Correção Atual", "%", correction, -1},
    {"atual_rpm", addr::EngineSpeedPeriod, 2, "RPM Atual", "RPM", speed, 0},
    {"atual_inj", addr::InjectionTime, 2, "Tempo de Injeç.", "ms", injection, 1},
};
} // namespace

const LiveValue* liveValueTable() { return Table; }
size_t liveValueCount() { return std::size(Table); }

const LiveValue& liveValueNamed(const std::string& name)
{
    for (const LiveValue& v : Table)
        if (name == v.name)
            return v;
    throw std::invalid_argument("no live value " + name);
}

bool liveValueIn(const LiveValue& v, uint16_t first)
{
    return v.address >= first && v.address + v.width <= first + addr::LiveCount;
}

std::string shownText(const LiveValue& v, const uint8_t* buffer, uint16_t first, const std::string& scale)
{
    return decodedOrZero([&] { return textOf(v, v.number(buffer, first, scale)); });
}

double shownNumber(const LiveValue& v, const uint8_t* buffer, uint16_t first, const std::string& scale)
{
    try {
        return roundedAsShown(v.number(buffer, first, scale), v.decimals);
    } catch (...) {
        return 0;
    }
}

} // namespace tuma
