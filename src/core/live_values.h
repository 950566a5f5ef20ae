#pragma once
// The live block, one row per value that the monitor shows: where its bytes are, how
// they read, and the caption and unit the form gives it. The main window's boxes, the
// progress window's boxes and tuma-cli's log all go through this table.
#include "core/memory_map.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tuma {

struct LiveValue {
    const char* name;    // the box, e.g. "atual_temp"
    uint16_t address;    // its first controller address
    uint8_t width;       // 1, or 2 for a little-endian 16-bit value
    const char* caption; // as the form's label shows it, without its trailing blank
    const char* unit;
    // The value in its unit from a buffer read from controller address `first`; `scale`
    // is the RPM scale's text. May raise (an engine period of 0, a scale that is not a
    // number).
    double (*number)(const uint8_t* buffer, uint16_t first, const std::string& scale);
    // The decimals the box shows (fixed), or -1 for the general format.
    int decimals;
};

// Every row, in the order a poll fills the boxes: temperature, MAP, lambda,
// correction, engine speed, injection time.
const LiveValue* liveValueTable();
size_t liveValueCount();
const LiveValue& liveValueNamed(const std::string& name);

// Whether a read of the live block's length from `first` holds the row's bytes (the
// short live read from address 72 holds only the correction, temperature, MAP and
// lambda).
bool liveValueIn(const LiveValue& v, uint16_t first);

// The row's text, or "0" where its decode raises, as the boxes show it. None of these
// texts holds a decimal separator of the user's.
std::string shownText(const LiveValue& v, const uint8_t* buffer, uint16_t first, const std::string& scale);
// The number that text shows (rounded as the text rounds it; 0 where the decode raises):
// what the chart plots, so that it draws what the boxes read.
double shownNumber(const LiveValue& v, const uint8_t* buffer, uint16_t first, const std::string& scale);

} // namespace tuma
