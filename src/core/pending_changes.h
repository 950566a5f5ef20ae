#pragma once
// What the next "&Gravar " would change in the controller: the form's texts encoded with
// the very encoders "&Gravar " uses, over the block as last read or written, compared
// byte by byte. A text that differs but encodes to the same bytes is no change; an
// untouched field whose value will not survive the write (the decimal precision) is one,
// told as such; a text that does not encode is named, not guessed.
#include "core/events.h"

#include <optional>
#include <string>
#include <vector>

namespace tuma {

// The form as the main window holds it.
struct FormState {
    bool writable = false;          // "&Gravar " can act: a block has been read
    Block image{};                  // configBlock: the block as last read or written
    std::vector<std::string> texts; // one per parameter row, in the table's order
    uint8_t flags = 0;              // editFlags
    std::string scale = "1";        // rpm_cal
};

struct PendingChange {
    enum Kind {
        Changed,   // the technician's edit
        Precision, // untouched, but the write stores a nearby value
        Unreadable // the text does not encode: "&Gravar " would stop at this field
    } kind
        = Changed;
    std::string caption;
    std::string unit;
    std::string now;  // what the controller holds, as the form shows it
    std::string next; // what it will hold (Unreadable: the text as typed)
};

// The block "&Gravar " would send for this form: each text encoded over the image and
// the option boxes; nothing when a text does not encode.
std::optional<Block> formImage(const FormState& form, char decimalSeparator);

// Every row whose bytes would change, in the order "&Gravar " converts them, then the
// option boxes.
std::vector<PendingChange> pendingChanges(const FormState& form, char decimalSeparator);

} // namespace tuma
