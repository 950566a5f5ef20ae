#include "core/parameters.h"

#include "core/errors.h"
#include "core/number_text.h"

#include <cstring>
#include <iterator>

namespace tuma {

namespace {
constexpr size_t at(uint16_t address) { return addr::cfg(address); }

template <uint16_t A>
std::string percentRead(const Block& im, const std::string&, char sep)
{
    return percentDecode(im[at(A)], sep);
}
template <uint16_t A>
void percentWrite(Block& im, const std::string& t, const std::string&, char sep)
{
    im[at(A)] = percentEncode(t, sep);
}
template <uint16_t A>
std::string temperatureRead(const Block& im, const std::string&, char)
{
    return temperatureDecode(im[at(A)]);
}
template <uint16_t A>
void temperatureWrite(Block& im, const std::string& t, const std::string&, char)
{
    im[at(A)] = temperatureEncode(t);
}

std::string coldStartRead(const Block& im, const std::string&, char)
{
    return coldStartDecode(get16(im.data(), at(addr::ColdStartTime)));
}
void coldStartWrite(Block& im, const std::string& t, const std::string&, char sep)
{
    put16(im.data(), at(addr::ColdStartTime), coldStartEncode(t, sep));
}
std::string idleRead(const Block& im, const std::string& scale, char)
{
    return idleSpeedDecode(get16(im.data(), at(addr::IdlePeriod)), scale);
}
void idleWrite(Block& im, const std::string& t, const std::string& scale, char sep)
{
    put16(im.data(), at(addr::IdlePeriod), idleSpeedEncode(t, scale, sep));
}
std::string variationRead(const Block& im, const std::string&, char sep)
{
    return minVariationDecode(get16(im.data(), at(addr::MinVariation)), sep);
}
void variationWrite(Block& im, const std::string& t, const std::string&, char sep)
{
    put16(im.data(), at(addr::MinVariation), minVariationEncode(t, sep));
}
std::string adjustRead(const Block& im, const std::string&, char) { return adjustTimeDecode(im[at(addr::AdjustTime)]); }
void adjustWrite(Block& im, const std::string& t, const std::string&, char sep)
{
    im[at(addr::AdjustTime)] = adjustTimeEncode(t, sep);
}
std::string lambdaRead(const Block& im, const std::string&, char) { return millivoltText(im[at(addr::LambdaTarget)]); }
void lambdaWrite(Block& im, const std::string& t, const std::string&, char sep)
{
    im[at(addr::LambdaTarget)] = millivoltEncode(t, sep);
}

using K = FieldKind;
const char* const Wrong = "Valor Incorreto!";

const Parameter Table[] = {
    {"tempo_partida", addr::ColdStartTime, 2, K::Integer, 0, 4000, Wrong, "Os valores devem estar entre 0 e 4000!",
     "1000", "Partida à Frio / Tempo Injec.", "ms", true, coldStartRead, coldStartWrite},
    {"rpm_adj", addr::IdlePeriod, 2, K::Integer, 600, 1500, "", "", "600", "Ajuste do RPM Marcha-Lenta / RPM Lenta",
     "RPM", false, idleRead, idleWrite},
    {"porc_mistura", addr::ColdStartMixture, 1, K::Decimal, 10, 0, Wrong,
     "Os valores devem estar entre 10 e a Correção Máxima em %!", "37", "Partida à Frio / Mist. Inicial", "%", true,
     percentRead<addr::ColdStartMixture>, percentWrite<addr::ColdStartMixture>},
    {"temp_max_cold", addr::ColdStartMaxTemp, 1, K::Integer, 15, 35, Wrong, "Os valores devem estar entre 15 e 35!",
     "20", "Partida à Frio / Temp. Máx.", "C", true, temperatureRead<addr::ColdStartMaxTemp>,
     temperatureWrite<addr::ColdStartMaxTemp>},
    {"injecao_extra", addr::HeatingExtra, 1, K::Decimal, 0, 10, Wrong, "Os valores devem estar entre 0 e 10!", "10",
     "Engine Heating / Injeção Extra", "%", true, percentRead<addr::HeatingExtra>, percentWrite<addr::HeatingExtra>},
    {"temp_max_extra", addr::HeatingMaxTemp, 1, K::Integer, 35, 60, Wrong, "Os valores devem estar entre 35 e 60!",
     "35", "Engine Heating / Temp. Máx.", "C", true, temperatureRead<addr::HeatingMaxTemp>,
     temperatureWrite<addr::HeatingMaxTemp>},
    {"limite_corr", addr::MaxCorrection, 1, K::Decimal, 10, 50, Wrong, "Os valores devem estar entre 10 e 50!", "50",
     "Correção / Correção Máx.", "%", true, percentRead<addr::MaxCorrection>, percentWrite<addr::MaxCorrection>},
    {"temp_corr", addr::CorrectionTemp, 1, K::Integer, 0, 100, "Valores Incorretos!",
     "Os valores devem estar entre 0 e 100!", "35", "Correção / Temperatura Máx.", "C", true,
     temperatureRead<addr::CorrectionTemp>, temperatureWrite<addr::CorrectionTemp>},
    {"tempo_ajuste", addr::AdjustTime, 1, K::Integer, 10, 50, Wrong, "Os valores devem estar entre 10 e 50!", "50",
     "Lambda Lenta / Tempo Ajuste", "s", true, adjustRead, adjustWrite},
    {"valor_lambda", addr::LambdaTarget, 1, K::Integer, 0, 1000, "Valor Incorreto",
     "Os valores devem estar entre 0 e 1000!", "0", "Lambda Lenta / Valor Lambda", "mV", true, lambdaRead, lambdaWrite},
    {"var_inicial", addr::MinVariation, 2, K::Integer, 200, 15000, Wrong, "Os valores devem estar entre 200 e 15000!",
     "200", "Aceleração Rápida / Variação Minima", "us", true, variationRead, variationWrite},
    {"tempo_extra", addr::AccelExtra, 1, K::Decimal, 0, 20, Wrong, "Os valores devem estar entre 0 e 20!", "0",
     "Aceleração Rápida / Tempo Extra a 20ms", "%", true, percentRead<addr::AccelExtra>,
     percentWrite<addr::AccelExtra>},
};
} // namespace

const Parameter* parameterTable() { return Table; }
size_t parameterCount() { return std::size(Table); }

const Parameter* parameterNamed(const std::string& name)
{
    for (const Parameter& p : Table)
        if (name == p.name)
            return &p;
    return nullptr;
}

std::string shownText(const Parameter& p, const Block& image, const std::string& scale, char sep)
{
    return decodedOrZero([&] { return p.decode(image, scale, sep); });
}

bool exceedsMaxCorrection(double mixture, const std::string& maxCorrectionText, char sep)
{
    return mixture > parseDecimal(maxCorrectionText, sep);
}

const Parameter& idleSpeed() { return *parameterNamed("rpm_adj"); }

EntryVerdict checkEntry(const Parameter& p, const std::string& text, char decimalSep,
                        const std::string& maxCorrectionText)
{
    const auto verdict = [&p](EntryVerdict::Outcome o) {
        return o == EntryVerdict::NotConverted ? EntryVerdict{o, p.conversionMessage, "Erro!"}
                                               : EntryVerdict{o, p.rangeMessage, "Aviso!"};
    };
    double value = 0;
    if (p.kind == FieldKind::Integer) {
        int32_t v = 0;
        if (!tryParseInteger(text, v))
            return verdict(EntryVerdict::NotConverted);
        value = v;
    } else {
        double d = 0;
        if (!tryParseDecimal(text, decimalSep, d))
            return verdict(EntryVerdict::NotConverted);
        try {
            value = toSingle(d);
        } catch (const FloatOverflow&) {
            // Beyond single precision: far out of every field's bounds.
            return verdict(EntryVerdict::OutOfRange);
        }
    }
    if (value < p.lower)
        return verdict(EntryVerdict::OutOfRange);
    if (p.address == addr::ColdStartMixture) {
        if (exceedsMaxCorrection(value, maxCorrectionText, decimalSep))
            return verdict(EntryVerdict::OutOfRange);
    } else if (value > p.upper) {
        return verdict(EntryVerdict::OutOfRange);
    }
    return {};
}

void factoryImage(Block& image)
{
    // What no field shows, as the controller leaves the factory: the mixture byte 0x10
    // at address 3 (what "50 %" stores with the default maximum correction), and distinct
    // non-zero bytes elsewhere so that a test sees them written back exactly as read.
    static constexpr uint8_t Uninterpreted[addr::ConfigCount] = {
        0x00, 0x5A, 0x10, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x77, 0,
    };
    std::memcpy(image.data(), Uninterpreted, image.size());
    for (const Parameter& p : Table) {
        // The defaults are whole numbers: no separator to choose.
        p.encode(image, p.defaultText, "1", '.');
        // The conversions are not exact inverses: where the encoded byte reads back
        // otherwise, the controller holds the neighbour that reads as the default.
        const size_t i = addr::cfg(p.address);
        if (p.width != 1 || p.decode(image, "1", '.') == p.defaultText)
            continue;
        const uint8_t encoded = image[i];
        for (int d : {1, -1}) {
            image[i] = static_cast<uint8_t>(encoded + d);
            if (p.decode(image, "1", '.') == p.defaultText)
                break;
            image[i] = encoded;
        }
    }
}

} // namespace tuma
