#pragma once
// Where the live history is kept, and the copies a workshop's backup can take.
// The live database belongs in a folder of the program's own that no sync client or
// backup tool holds open; one found where earlier versions kept it (in the documents
// folder) is moved there once, checked before and after, and only then is the old
// one set aside, so that there are never two live databases. The copies are whole,
// consistent images written where the user's own backup looks.
#include "core/workshop_files.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tuma::history {

using files::ReplaceFile;

// A database's consistent image, its pages as one file would hold them (the journal's
// last commits included), after `PRAGMA integrity_check` found it sound.
struct Snapshot {
    std::string bytes;
    int64_t entries = 0;
};
bool takeSnapshot(const std::string& path, Snapshot& out, std::string& why);
// The file at `path` opens, is sound and holds `entries` entries.
bool checkCopy(const std::string& path, int64_t entries, std::string& why);

struct Place {
    std::string path; // the live database to use
    std::string news; // what the move did or why it failed, for the history window; empty: nothing happened
    bool moved = false;
    bool failed = false;
};
// `wanted` is where the database belongs; `old`, where earlier versions kept it. A
// database at `old` (and none at `wanted`) is moved; when that fails, it stays where it
// is and stays the live one.
Place placeDatabase(const std::string& wanted, const std::string& old, const ReplaceFile& replace);

// "historico-OFICINA-2026-12-11.sqlite": the computer's name kept to what every file
// system takes.
std::string copyName(const std::string& computer, const std::string& date);

struct CopyResult {
    bool written = false;
    std::string path;
    std::string why; // empty when there was nothing to copy or the copy of the day exists
};
// The day's copy of `live` in `folder`: written when missing, or again when `again`
// (the program is ending); this computer's copies beyond the newest `keep` are removed.
CopyResult dailyCopy(const std::string& live, const std::string& folder, const std::string& computer,
                     const std::string& date, bool again, const ReplaceFile& replace, int keep = 10);

} // namespace tuma::history
