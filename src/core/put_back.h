#pragma once
// Putting a parameter file back into a controller, the one flow that the comparison
// window and `tuma-cli restore` both run: check the file, read the controller afresh,
// let the user compare and decide, keep what the controller holds, write, read back,
// verify, and name each field that differs. What is shown and where the copy goes are
// the caller's: it answers through PutBackSteps.
#include "core/block_compare.h"
#include "core/commands.h"
#include "core/events.h"
#include "core/param_file.h"

#include <optional>
#include <string>
#include <vector>

namespace tuma {

class PutBackSteps {
public:
    virtual ~PutBackSteps() = default;
    // The checked file beside what the controller holds now; true to write it.
    virtual bool approve(const ParsedFile& file, const Block& controller) = 0;
    // After approve(): one flag per row of compareBlocks(controller, file.image), the
    // rows to take from the file (the others stay as the controller has them); empty:
    // the whole file.
    virtual std::vector<bool> ticked() const { return {}; }
    // Keeps the controller's block before anything is written, saying where; false
    // with `why` when it could not: then nothing is written. `sent` is what will be.
    virtual bool keepBefore(const ParsedFile& file, const Block& controller, const Block& sent, std::string& where,
                            std::string& why)
        = 0;
};

struct PutBackResult {
    enum Stage {
        FileRefused, // `error` names the line; nothing was sent
        ReadFailed,  // the controller did not answer the read; nothing was written
        Declined,    // the user did not approve
        CopyFailed,  // the controller's block could not be kept (`error`); nothing was written
        Written      // `written` says how the write and its read-back went
    } stage
        = FileRefused;
    std::string error;
    ParsedFile file;
    Block before{};   // what the controller held before the write
    Block sent{};     // what was written: the file, or its ticked rows over `before`
    std::string copy; // where `before` was kept
    VerifiedWrite written;
    // After a read-back that differs: each field (or byte no field shows) as sent
    // (`before` of the row) and as read back (`after`).
    std::vector<BlockRow> differing;

    // A write reached the controller and was read back, matching or not: a form
    // showing the controller should be filled again.
    bool readBack() const
    {
        return stage == Written
            && (written.outcome == VerifiedWrite::Verified || written.outcome == VerifiedWrite::Differs);
    }
    // What the read-back found: `sent` with each byte that differed as read.
    std::optional<Block> backBlock() const;
};

// The flow, on `fileText` as read from the file (at most MaxFileSize + 1 bytes).
PutBackResult putBack(Link& link, const std::string& fileText, PutBackSteps& steps, char decimalSeparator);
// The same, on a file its caller has already checked (a refused one ends at once).
PutBackResult putBack(Link& link, const ParsedFile& file, PutBackSteps& steps, char decimalSeparator);

// "Partida à Frio / Tempo Injec.: enviado 2000 ms, lido 1000 ms", or for a byte no
// field shows "Endereço 8: enviado AB, lido CD".
std::string mismatchLine(const BlockRow& row);

} // namespace tuma
