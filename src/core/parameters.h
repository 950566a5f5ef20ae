#pragma once
// The parameter block, one row per field of the form: where its bytes are, how they
// read and write, what the field accepts and what it says when it does not. The main
// window's read, write and field checks, the simulator's factory block and the
// command-line companion all go through this table.
#include "core/memory_map.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tuma {

enum class FieldKind { Integer, Decimal };

struct Parameter {
    const char* name; // the form's field, e.g. "tempo_partida"
    uint16_t address; // its first controller address
    uint8_t width;    // 1, or 2 for a little-endian 16-bit value
    FieldKind kind;
    double lower, upper;           // inclusive; porc_mistura's upper bound is limite_corr
    const char* conversionMessage; // shown under "Erro!" when the text does not convert
    const char* rangeMessage;      // shown under "Aviso!" when it is out of bounds
    const char* defaultText;       // the form's text before any read
    const char* caption;           // group and label as the form shows them
    const char* unit;
    bool checked; // false for the idle speed, which only the buttons step
    // The field's text from the 25-byte image; `scale` is the RPM scale's text, `sep`
    // the decimal separator of the text. May raise (the idle speed of a period 0).
    std::string (*decode)(const Block& image, const std::string& scale, char sep);
    // The field's text into the image, as "&Gravar " converts it. May raise.
    void (*encode)(Block& image, const std::string& text, const std::string& scale, char sep);
};

// Every row, in the order "&Gravar " converts them (the first that fails is the one
// the user is told about).
const Parameter* parameterTable();
size_t parameterCount();
// The row of a field name; nullptr for a name that is no parameter.
const Parameter* parameterNamed(const std::string& name);

// The field's text, or "0" where its decode raises, as the form shows it.
std::string shownText(const Parameter& p, const Block& image, const std::string& scale, char sep);

// The idle speed's row: its bounds are the ones the step buttons keep to.
const Parameter& idleSpeed();

// The cold-start mixture may not exceed the maximum correction (limite_corr's text,
// which raises when it does not convert).
bool exceedsMaxCorrection(double mixture, const std::string& maxCorrectionText, char sep);

// "&Ler " shows the checked fields in this order, then the options, then the idle speed.
constexpr const char* ReadOrder[]
    = {"tempo_partida", "porc_mistura", "temp_max_cold", "injecao_extra", "temp_max_extra", "limite_corr",
       "temp_corr",     "tempo_ajuste", "valor_lambda",  "var_inicial",   "tempo_extra"};

// The option check boxes and the bit of optionFlags each one owns.
struct OptionBit {
    const char* name;
    uint8_t bit;
    const char* caption;
};
constexpr OptionBit Options[] = {{"sonda_en", bits::SlowLambda, "Lambda Lenta"},
                                 {"banda_larga", bits::WideBand, "WideBand Sensor"},
                                 {"acel_rapida_en", bits::QuickAccel, "Aceleração Rápida"},
                                 {"heat_en", bits::EngineHeating, "Engine Heating"}};

// The verdict of a field's exit check.
struct EntryVerdict {
    enum Outcome { Accepted, NotConverted, OutOfRange } outcome = Accepted;
    const char* message = nullptr; // the row's message for the box
    const char* caption = nullptr; // "Erro!" or "Aviso!"
    bool accepted() const { return outcome == Accepted; }
};

// Checks a field's text as leaving the field does. `maxCorrectionText` is limite_corr's
// text, the upper bound of porc_mistura (read only for that field; it raises when it
// does not convert). A decimal is taken at single precision, as the form keeps it.
EntryVerdict checkEntry(const Parameter& p, const std::string& text, char decimalSep,
                        const std::string& maxCorrectionText);

// The factory block: every field's default text encoded, the uninterpreted bytes as
// the controller leaves the factory.
void factoryImage(Block& image);

} // namespace tuma
