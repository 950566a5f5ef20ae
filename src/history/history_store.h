#pragma once
// The workshop's history of every controller: each block read, written, put back or
// programmed, and the form's edits that were never written, kept in one SQLite
// database that the windows and tuma-cli share. Plain C++17 over SQLite's C interface:
// no Qt. A database that cannot be opened or written never raises: the store says
// what is wrong and counts the entries it could not keep, and its callers go on.
#include "core/events.h"
#include "core/param_file.h"
#include "core/restore.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace tuma::history {

// The layout this program writes. A database of a later layout is read, never written.
constexpr int SchemaVersion = 1;

enum class Kind : int {
    Read = 1,          // "&Ler "
    Write = 2,         // "&Gravar "
    PutBack = 3,       // a file or an entry written through the comparison window
    Mixture = 5,       // "Programação da Mistura": address 3
    Reset = 6,
    LambdaIdle = 7,    // "Programar Sonda / RPM"
    Map = 8,           // "Programar MAP"
    Unwritten = 9,     // the form's edits that no "&Gravar " took
    Finding = 10,      // an installation check's finding started or cleared (no block)
    GuidedCheck = 11,  // the guided check completed: every result in the detail, the block as last read
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
    std::string client, plate, notes;
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

struct Filter {
    std::string text;           // a plate's or a client's beginning, or words of the notes (each from its beginning)
    int64_t from = 0, to = 0;   // [from, to) in seconds since 1970; 0: open
    int64_t olderThan = 0;      // only entries with a smaller id (the next page); 0: from the newest
    int limit = 200;
    // How many of the newest entries are read backwards before the indexes are asked.
    int recent = 20000;
};

class Store {
public:
    enum class Opening {
        Live,       // created (with its layout) when missing; entries are added
        CopyToRead  // a copy (another PC's, a day's backup): shown as it stands, never written
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
    bool annotate(int64_t id, const std::string& client, const std::string& plate, const std::string& notes);
    // The write kept before it was sent (`id`, 0 when it could not be kept then)
    // completed with its outcome, or `entry` kept whole with it now.
    void finish(int64_t id, Entry entry, Outcome outcome, const std::optional<Block>& block);

    // Newest first.
    std::vector<Entry> list(const Filter& filter);
    std::optional<Entry> get(int64_t id);
    int64_t count();

    const std::string& path() const { return file; }
    // What went wrong last, in the technician's words; empty while all is well.
    const std::string& problem() const { return trouble; }
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
    bool fail(const char* what);
    bool exec(const char* sql);
    void close();

    std::string file;
    sqlite3* db = nullptr;
    std::string trouble;
    int lostEntries = 0;
    bool newer = false;
    bool readOnly = false;
    bool copy = false;
};

// The block an entry offers to compare, write back, save or print: what the
// controller held (or, for edits never written, what "&Gravar " would have sent).
std::optional<Block> restorable(const Entry& entry);
// The entry as a checked parameter file (not ok when it offers no block).
ParsedFile fileOf(const Entry& entry);
// "2026-12-09 15:30:11", local time.
std::string localStamp(int64_t at);

Outcome outcomeOf(const VerifiedWrite& write);

// A file's path as SQLite's "file:" URIs spell it: each byte outside the URI's plain
// characters escaped, backslashes as slashes, a drive letter after a slash.
std::string uriPath(const std::string& path);

// "Gravação", "Leitura", ...: what happened, in words.
std::string kindText(Kind kind);
std::string outcomeText(Outcome outcome);
// The plate as it is searched: upper case, letters and digits only.
std::string plateKey(const std::string& plate);
// A client's name as it is searched: lower case without the accents of Portuguese
// (so that "mecanica" finds "Mecânica"), without the spaces before it.
std::string clientKey(const std::string& client);

} // namespace tuma::history
