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
    // The shown text from a buffer read from controller address `first`; `scale` is
    // the RPM scale's text. None of these texts holds a decimal separator of the
    // user's. May raise (an engine period of 0, a scale that is not a number).
    std::string (*decode)(const uint8_t* buffer, uint16_t first, const std::string& scale);
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

// The row's text, or "0" where its decode raises, as the boxes show it.
std::string shownText(const LiveValue& v, const uint8_t* buffer, uint16_t first, const std::string& scale);

} // namespace tuma
