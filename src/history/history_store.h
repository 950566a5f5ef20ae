#pragma once
// The workshop's history of every controller: each block read, written, put back or
// programmed, and the form's edits that were never written, kept in one SQLite
// database that the windows and tuma-cli share. Plain C++17 over SQLite's C interface:
// no Qt. A database that cannot be opened or written never raises: the store says
// what went wrong and counts the entries it could not keep, and its callers go on.
#include "history/entry.h"
#include "history/search_keys.h"
#include "history/trouble.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tuma::history {

// The layout this program writes. A database of a later layout is read, never written.
constexpr int SchemaVersion = 1;

struct Filter {
    std::string text;         // a plate's or a client's beginning, or words of the notes (each from its beginning)
    int64_t from = 0, to = 0; // [from, to) in seconds since 1970; 0: open
    int64_t olderThan = 0;    // only entries with a smaller id (the next page); 0: from the newest
    int limit = 200;
    // How many of the newest entries are read backwards before the indexes are asked.
    int recent = 20000;
};

class Store {
public:
    enum class Opening {
        Live,      // created (with its layout) when missing; entries are added
        CopyToRead // a copy (another PC's, a day's backup): shown as it stands, never written
    };
    // Opens the database.
    explicit Store(std::string path, Opening how = Opening::Live);
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // The entry kept, with its own id; 0 when it could not be kept (counted, and the
    // reason in problem()). Each entry is committed (synchronously) before this returns.
    int64_t add(const Entry& entry);
    // A write's entry completed once its outcome is known.
    bool complete(int64_t id, Outcome outcome, const std::optional<Block>& block);
    bool annotate(int64_t id, const Vehicle& vehicle);
    // The write kept before it was sent (`id`, 0 when it could not be kept then)
    // completed with its outcome, or `entry` kept whole with it now.
    void finish(int64_t id, Entry entry, Outcome outcome, const std::optional<Block>& block);

    // Newest first.
    std::vector<Entry> list(const Filter& filter);
    std::optional<Entry> get(int64_t id);
    int64_t count();

    const std::string& path() const { return file; }
    // What went wrong last (troubleText words it); empty while all is well.
    const Trouble& trouble() const { return last; }
    // Entries that could not be kept since the program started.
    int lost() const { return lostEntries; }
    // The database was written by a later program: it is read, not written.
    bool newerLayout() const { return newer; }
    bool isCopy() const { return copy; }

private:
    bool open();
    bool prepareLayout();
    bool reopenToRead();
    int layoutVersion();
    std::vector<Entry> query(const Filter& filter, const std::string& where);
    bool putWords(int64_t id, const std::string& notes, bool in);
    bool fail(Trouble::Doing doing);
    bool exec(const char* sql);
    void close();

    std::string file;
    sqlite3* db = nullptr;
    Trouble last;
    int lostEntries = 0;
    bool newer = false;
    bool readOnly = false;
    bool copy = false;
};

} // namespace tuma::history
