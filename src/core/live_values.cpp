#include "core/live_values.h"

#include "core/number_text.h"

#include <iterator>
#include <stdexcept>

namespace tuma {

namespace {
uint8_t byteAt(const uint8_t* buffer, uint16_t first, uint16_t address) { return buffer[addr::at(address, first)]; }
uint16_t wordAt(const uint8_t* buffer, uint16_t first, uint16_t address) { return get16(buffer, addr::at(address, first)); }

std::string temperature(const uint8_t* b, uint16_t first, const std::string&)
{
    return temperatureDecode(byteAt(b, first, addr::EngineTemp));
}
std::string mapVoltage(const uint8_t* b, uint16_t first, const std::string&)
{
    return mapVoltageDecode(byteAt(b, first, addr::MapVoltage));
}
std::string lambda(const uint8_t* b, uint16_t first, const std::string&)
{
    return millivoltText(byteAt(b, first, addr::LambdaVoltage));
}
std::string correction(const uint8_t* b, uint16_t first, const std::string&)
{
    return liveCorrectionDecode(byteAt(b, first, addr::LiveCorrection));
}
std::string speed(const uint8_t* b, uint16_t first, const std::string& scale)
{
    return formatFixed(engineSpeed(wordAt(b, first, addr::EngineSpeedPeriod), parseInteger(scale)), 0);
}
std::string injection(const uint8_t* b, uint16_t first, const std::string&)
{
    return injectionTimeDecode(wordAt(b, first, addr::InjectionTime));
}

const LiveValue Table[] = {
    {"atual_temp", addr::EngineTemp, 1, "Temperatura Atual", "C", temperature},
    {"atual_map", addr::MapVoltage, 1, "MAP Atual", "V", mapVoltage},
    {"atual_lambda", addr::LambdaVoltage, 1, "Lambda Atual", "mV", lambda},
    {"atual_corr", addr::LiveCorrection, 1, "Correção Atual", "%", correction},
    {"atual_rpm", addr::EngineSpeedPeriod, 2, "RPM Atual", "RPM", speed},
    {"atual_inj", addr::InjectionTime, 2, "Tempo de Injeç.", "ms", injection},
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
    return decodedOrZero([&] { return v.decode(buffer, first, scale); });
}

} // namespace tuma
