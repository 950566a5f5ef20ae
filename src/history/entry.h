#pragma once
// One entry of the workshop's history: what happened to which controller, when, with
// the blocks before, sent and after; and the words the windows and tuma-cli show it in.
#include "core/block_compare.h"
#include "core/events.h"
#include "core/param_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tuma::history {

enum class Kind : int {
    Read = 1,    // "&Ler "
    Write = 2,   // "&Gravar "
    PutBack = 3, // a file or an entry written through the comparison window
    Mixture = 5, // "Programação da Mistura": address 3
    Reset = 6,
    LambdaIdle = 7,             // "Programar Sonda / RPM"
    Map = 8,                    // "Programar MAP"
    Unwritten = 9,              // the form's edits that no "&Gravar " took
    Finding = 10,               // an installation check's finding started or cleared (no block)
    GuidedCheck = 11,           // the guided check completed: every result in the detail, the block as last read
    GuidedCheckInterrupted = 12 // cancelled: the results measured by then
};

enum class Outcome : int {
    Done = 0,           // read; programming answered (and, for a procedure, finished)
    Verified = 1,       // written, and the read-back returned every byte sent
    WriteFailed = 2,    // the write got no answer
    ReadBackFailed = 3, // written, but the read-back got no answer
    Differs = 4,        // the read-back differs from what was sent
    Sending = 5,        // kept before the write went out; the program ended before it was told more
    NotAnswered = 6,    // a programming request without an answer
    NotFinished = 7     // a learning procedure the progress window did not see finish
};

struct Entry {
    int64_t id = 0;
    int64_t at = 0; // seconds since 1970-01-01 UTC
    Kind kind = Kind::Read;
    Outcome outcome = Outcome::Done;
    std::string port, controllerVersion, programVersion;
    Vehicle vehicle;
    std::string detail; // e.g. the mixture's share
    // What the controller holds after the event, as far as it is known; what it held
    // before a write; what a write sent.
    std::optional<Block> block, before, sent;
    std::vector<std::string> formTexts; // Unwritten: the form's texts, row by row
    // Filled by list(): the captions of what differs from the entry before it of the
    // same plate.
    std::vector<std::string> changed;
};

// An entry of `kind` happening now, on `port`, with the controller's and this program's
// versions; the rest is the caller's.
Entry entryNow(Kind kind, const std::string& port, const std::string& controllerVersion,
               const std::string& programVersion);

// The block an entry offers to compare, write back, save or print: what the
// controller held (or, for edits never written, what "&Gravar " would have sent).
std::optional<Block> restorable(const Entry& entry);
// The entry as a checked parameter file (not ok when it offers no block).
ParsedFile fileOf(const Entry& entry);
// The captions of what differs between two blocks ("Mistura (endereço 3)", "Endereço 7"
// for a byte the form does not show).
std::vector<std::string> changedCaptions(const Block& before, const Block& after);
// "2026-12-09 15:30:11", local time.
std::string localStamp(int64_t at);

Outcome outcomeOf(const VerifiedWrite& write);

// "Gravação", "Leitura", ...: what happened, in words.
std::string kindText(Kind kind);
std::string outcomeText(Outcome outcome);
} // namespace tuma::history
