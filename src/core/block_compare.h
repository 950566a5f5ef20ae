#pragma once
// Putting a saved block back into the controller, the one way the windows and tuma-cli
// both do it: what differs between two blocks, field by field, and a write that counts
// only when a read-back returns every byte that was sent.
#include "core/commands.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tuma {

// One line of a comparison of two parameter blocks.
struct BlockRow {
    enum Kind {
        Field,  // a parameter row: texts as the form shows them, with `unit`
        Option, // an option box: "sim"/"não"
        Lamp,   // a learning procedure done: "aprendido"/"não aprendido"
        Byte    // a byte no field shows: two hex digits (address 1 without its option bits)
    } kind;
    std::string caption;
    std::string unit;
    std::string before, after;
    uint16_t address; // the first controller address behind the row
    bool differs;
    uint8_t width = 1;   // how many addresses from `address` the row stands for
    uint8_t mask = 0xFF; // which bits of them
};

// Every field (in the form's write order), option and lamp, then each byte that no
// field shows and that differs. Values at scale 1, with the separator given.
std::vector<BlockRow> compareBlocks(const Block& before, const Block& after, char sep);

// `base` with the rows of compareBlocks(base, from) that are ticked taken from `from`
// (each row's own bits only); `ticked` holds one flag per row.
void takeTicked(const Block& base, const Block& from, const std::vector<BlockRow>& rows,
                const std::vector<bool>& ticked, Block& out);

struct ByteMismatch {
    uint16_t address;
    uint8_t sent, read;
};

struct VerifiedWrite {
    enum Outcome {
        Verified,       // every byte read back is the one sent
        WriteFailed,    // the write got no answer: the controller may or may not hold it
        ReadBackFailed, // written, but the read-back got no answer: unknown what it holds
        Differs         // the read-back differs: `mismatches` says where
    } outcome
        = WriteFailed;
    std::vector<ByteMismatch> mismatches;
};

// WriteConfig of the whole block, then ReadConfig, then all 25 bytes compared. Nothing
// runs on the line in between.
VerifiedWrite writeVerified(Link& link, const Block& image);

} // namespace tuma
