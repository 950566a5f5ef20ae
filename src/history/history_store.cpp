#include "history/history_store.h"

#include "core/workshop_files.h"
#include "history/sqlite.h"

#include <sqlite3.h>

#include <filesystem>
#include <system_error>

namespace tuma::history {

namespace {

// How long a write waits for another program (a second window on another port) that
// holds the database: its own commits take milliseconds, and a "&Ler " must not stall
// behind a backup tool that holds the file.
constexpr int BusyMs = 1000;

const char* const Layout = R"(
CREATE TABLE entries(
  id INTEGER PRIMARY KEY,
  at INTEGER NOT NULL,
  kind INTEGER NOT NULL,
  outcome INTEGER NOT NULL,
  port TEXT NOT NULL,
  controller_version TEXT NOT NULL,
  program_version TEXT NOT NULL,
  client TEXT NOT NULL,
  plate TEXT NOT NULL,
  notes TEXT NOT NULL,
  plate_key TEXT NOT NULL,
  client_key TEXT NOT NULL,
  notes_key TEXT NOT NULL,
  detail TEXT NOT NULL,
  block BLOB,
  before BLOB,
  sent BLOB,
  form_texts TEXT NOT NULL);
CREATE INDEX entries_plate ON entries(plate_key, id);
CREATE INDEX entries_client ON entries(client_key);
CREATE INDEX entries_at ON entries(at);
CREATE TABLE note_words(word TEXT NOT NULL, id INTEGER NOT NULL, PRIMARY KEY(word, id)) WITHOUT ROWID;
PRAGMA user_version = 1;
)";

// An entry's columns, in one order for writing and reading it back (the id is SQLite's
// and the search keys are written only).
const char* const EntryColumns[]
    = {"at",     "kind",  "outcome", "port", "controller_version", "program_version", "client", "plate", "notes",
       "detail", "block", "before",  "sent", "form_texts"};
const char* const KeyColumns[] = {"plate_key", "client_key", "notes_key"};

// "e.id, e.at, e.kind, ...": what a query reads of an entry.
std::string selectedColumns()
{
    std::string list = "e.id";
    for (const char* c : EntryColumns)
        list += std::string(", e.") + c;
    return list;
}

// "INSERT INTO entries(at, ...) VALUES(:at, ...)": every column bound by its name.
std::string insertEntry()
{
    std::string names, values;
    const auto add = [&](const char* c) {
        names += std::string(names.empty() ? "" : ", ") + c;
        values += std::string(values.empty() ? ":" : ", :") + c;
    };
    for (const char* c : EntryColumns)
        add(c);
    for (const char* c : KeyColumns)
        add(c);
    return "INSERT INTO entries(" + names + ") VALUES(" + values + ")";
}

std::string joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (size_t i = 0; i < lines.size(); ++i)
        all += (i ? "\n" : "") + lines[i];
    return all;
}

std::vector<std::string> split(const std::string& all)
{
    std::vector<std::string> lines;
    if (all.empty())
        return lines;
    size_t from = 0;
    for (size_t at; (at = all.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(all.substr(from, at - from));
    lines.push_back(all.substr(from));
    return lines;
}

Entry entryAt(const Statement& s)
{
    Entry e;
    e.id = s.integer("id");
    e.at = s.integer("at");
    e.kind = static_cast<Kind>(s.integer("kind"));
    e.outcome = static_cast<Outcome>(s.integer("outcome"));
    e.port = s.text("port");
    e.controllerVersion = s.text("controller_version");
    e.programVersion = s.text("program_version");
    e.vehicle = {s.text("client"), s.text("plate"), s.text("notes")};
    e.detail = s.text("detail");
    e.block = s.block("block");
    e.before = s.block("before");
    e.sent = s.block("sent");
    e.formTexts = split(s.text("form_texts"));
    return e;
}

} // namespace

Store::Store(std::string path, Opening how)
    : file(std::move(path)), readOnly(how == Opening::CopyToRead), copy(readOnly)
{
    open();
}

Store::~Store() { close(); }

void Store::close()
{
    sqlite3_close_v2(db);
    db = nullptr;
}

bool Store::fail(Trouble::Doing doing)
{
    last = Trouble{doing, Trouble::Cause::Unknown, {}, file};
    last.cause = causeOf(db, last.detail);
    return false;
}

bool Store::exec(const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool Store::open()
{
    if (db)
        return true;
    if (copy) {
        if (reopenToRead() && layoutVersion() >= 0)
            return true;
        fail(Trouble::Doing::ReadCopy);
        close();
        return false;
    }
    std::error_code ignored; // a folder that cannot be made shows as a file that cannot be opened
    std::filesystem::create_directories(std::filesystem::u8path(file).parent_path(), ignored);
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        fail(Trouble::Doing::Open);
        close();
        return false;
    }
    sqlite3_busy_timeout(db, BusyMs);
    if (!prepareLayout()) {
        close();
        return false;
    }
    return true;
}

int Store::layoutVersion()
{
    Statement v(db, "PRAGMA user_version");
    return v.ok() && v.step() == SQLITE_ROW ? static_cast<int>(v.integer(0)) : -1;
}

bool Store::prepareLayout()
{
    int version = layoutVersion();
    const int code = sqlite3_extended_errcode(db) & 0xFF;
    if (version < 0 && (code == SQLITE_CANTOPEN || code == SQLITE_READONLY)) {
        // A folder that is only read (a backup disk, a share): what is there still shows.
        fail(Trouble::Doing::OnlyRead);
        readOnly = reopenToRead();
        version = readOnly ? layoutVersion() : -1;
        if (version >= 0)
            return true;
    }
    if (version < 0)
        return fail(Trouble::Doing::Read);
    newer = version > SchemaVersion;
    if (newer) {
        last = Trouble{Trouble::Doing::NewerLayout, Trouble::Cause::None, {}, file};
        return true;
    }
    // A commit reaches the disk before the flow goes on; a killed program loses at
    // most the entry it was writing.
    if (!exec("PRAGMA journal_mode=WAL") || !exec("PRAGMA synchronous=FULL")) {
        fail(Trouble::Doing::Prepare);
        readOnly = version > 0 && (sqlite3_extended_errcode(db) & 0xFF) == SQLITE_READONLY && reopenToRead();
        return readOnly;
    }
    if (version == 0) {
        // Another program may be creating it at the same moment: the layout goes in
        // whole or not at all, and only once.
        if (!exec("BEGIN IMMEDIATE"))
            return fail(Trouble::Doing::Create);
        if ((layoutVersion() == 0 && !exec(Layout)) || !exec("COMMIT")) {
            fail(Trouble::Doing::Create);
            exec("ROLLBACK");
            return false;
        }
    }
    return true;
}

bool Store::reopenToRead()
{
    // Nothing can change the file meanwhile, and the journal's index cannot be made
    // beside it: read it as it stands.
    sqlite3_close_v2(db);
    db = nullptr;
    const std::string uri = "file:" + uriPath(file) + "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db, BusyMs);
    return true;
}

int64_t Store::add(const Entry& e)
{
    if (newer || readOnly || !open()) {
        ++lostEntries;
        if (readOnly && !copy)
            last = Trouble{Trouble::Doing::Keep, Trouble::Cause::CannotWrite, {}, file};
        return 0;
    }
    // The entry and the words of its notes go in together or not at all.
    const bool words = !e.vehicle.notes.empty();
    int64_t id = 0;
    if (words && !exec("BEGIN IMMEDIATE")) {
        ++lostEntries;
        fail(Trouble::Doing::Keep);
        return 0;
    }
    Statement s(db, insertEntry());
    s.bind(":at", e.at);
    s.bind(":kind", static_cast<int64_t>(e.kind));
    s.bind(":outcome", static_cast<int64_t>(e.outcome));
    s.bind(":port", e.port);
    s.bind(":controller_version", e.controllerVersion);
    s.bind(":program_version", e.programVersion);
    s.bind(":client", e.vehicle.client);
    s.bind(":plate", e.vehicle.plate);
    s.bind(":notes", e.vehicle.notes);
    s.bind(":detail", e.detail);
    s.bind(":block", e.block);
    s.bind(":before", e.before);
    s.bind(":sent", e.sent);
    s.bind(":form_texts", joined(e.formTexts));
    s.bind(":plate_key", plateKey(e.vehicle.plate));
    s.bind(":client_key", clientKey(e.vehicle.client));
    s.bind(":notes_key", notesKey(e.vehicle.notes));
    if (s.ok() && s.step() == SQLITE_DONE)
        id = sqlite3_last_insert_rowid(db);
    if (id && words && !(putWords(id, e.vehicle.notes, true) && exec("COMMIT")))
        id = 0;
    if (!id) {
        ++lostEntries;
        fail(Trouble::Doing::Keep);
        if (words)
            exec("ROLLBACK");
        return 0;
    }
    last = Trouble{};
    return id;
}

bool Store::putWords(int64_t id, const std::string& notes, bool in)
{
    Statement s(db,
                in ? "INSERT OR IGNORE INTO note_words(word, id) VALUES(?1, ?2)"
                   : "DELETE FROM note_words WHERE word = ?1 AND id = ?2");
    for (const std::string& w : wordsOf(notes)) {
        s.bind(1, w);
        s.bind(2, id);
        if (!s.ok() || s.step() != SQLITE_DONE)
            return false;
        s.reset();
    }
    return true;
}

bool Store::complete(int64_t id, Outcome outcome, const std::optional<Block>& block)
{
    if (id == 0 || newer || readOnly || !open())
        return false;
    Statement s(db, "UPDATE entries SET outcome = ?1, block = ?2 WHERE id = ?3");
    s.bind(1, static_cast<int64_t>(outcome));
    s.bind(2, block);
    s.bind(3, id);
    if (!s.ok() || s.step() != SQLITE_DONE)
        return fail(Trouble::Doing::KeepOutcome);
    return true;
}

void Store::finish(int64_t id, Entry entry, Outcome outcome, const std::optional<Block>& block)
{
    if (id != 0 && complete(id, outcome, block))
        return;
    entry.outcome = outcome;
    entry.block = block;
    add(entry);
}

bool Store::annotate(int64_t id, const Vehicle& v)
{
    if (newer || readOnly || !open())
        return false;
    const std::optional<Entry> old = get(id);
    if (!old)
        return false;
    if (!exec("BEGIN IMMEDIATE"))
        return fail(Trouble::Doing::Annotate);
    Statement s(db,
                "UPDATE entries SET client = ?1, plate = ?2, notes = ?3, client_key = ?4, plate_key = ?5, "
                "notes_key = ?6 WHERE id = ?7");
    s.bind(1, v.client);
    s.bind(2, v.plate);
    s.bind(3, v.notes);
    s.bind(4, clientKey(v.client));
    s.bind(5, plateKey(v.plate));
    s.bind(6, notesKey(v.notes));
    s.bind(7, id);
    if (!s.ok() || s.step() != SQLITE_DONE || !putWords(id, old->vehicle.notes, false) || !putWords(id, v.notes, true)
        || !exec("COMMIT")) {
        fail(Trouble::Doing::Annotate);
        exec("ROLLBACK");
        return false;
    }
    return true;
}

std::vector<Entry> Store::list(const Filter& f)
{
    if (!open())
        return {};
    std::string where = "1";
    if (!f.text.empty())
        where += " AND ((:plate != '' AND e.plate_key >= :plate AND e.plate_key < :plate || x'ff')"
                 " OR (:client != '' AND e.client_key >= :client AND e.client_key < :client || x'ff')"
                 " OR (:words != '' AND instr(e.notes_key, ' ' || :words) > 0))";
    if (f.from)
        where += " AND e.at >= :from";
    if (f.to)
        where += " AND e.at < :to";
    if (f.olderThan)
        where += " AND e.id < :older";
    // The newest entries first, read backwards: a page that fills there is the answer,
    // found without touching the rest of the years.
    const std::string recent = " AND e.id > (SELECT coalesce(max(id), 0) FROM entries) - :recent";
    std::vector<Entry> entries = query(f, where + (f.olderThan ? " AND e.id > :older - :recent" : recent));
    if (static_cast<int>(entries.size()) == f.limit || (f.text.empty() && !f.from && !f.to))
        return static_cast<int>(entries.size()) == f.limit ? entries : query(f, where);
    // Rare matches: gathered through the indexes (a plate's or a client's beginning,
    // the few entries with notes, a period), then ordered.
    std::string candidates;
    if (!f.text.empty())
        candidates += " AND e.id IN (SELECT id FROM entries WHERE :plate != '' AND plate_key >= :plate"
                      " AND plate_key < :plate || x'ff'"
                      " UNION SELECT id FROM entries WHERE :client != '' AND client_key >= :client"
                      " AND client_key < :client || x'ff'"
                      " UNION SELECT id FROM note_words WHERE :first_word != '' AND word >= :first_word"
                      " AND word < :first_word || x'ff')";
    if (f.from || f.to)
        candidates += " AND e.id IN (SELECT id FROM entries INDEXED BY entries_at WHERE at >= :from"
                      " AND (:to = 0 OR at < :to))";
    return query(f, where + candidates);
}

std::vector<Entry> Store::query(const Filter& f, const std::string& where)
{
    std::vector<Entry> entries;
    Statement s(db,
                "SELECT " + selectedColumns()
                    + ", (SELECT p.block FROM entries p WHERE p.plate_key = e.plate_key AND p.id < e.id"
                      " AND p.block IS NOT NULL ORDER BY p.id DESC LIMIT 1) AS previous_block"
                      " FROM entries e WHERE "
                    + where + " ORDER BY e.id DESC LIMIT :limit");
    if (!s.ok()) {
        fail(Trouble::Doing::Read);
        return entries;
    }
    s.bind(":plate", plateKey(f.text));
    s.bind(":client", clientKey(f.text));
    // The notes: the words typed, one after another, each from its beginning; the
    // index is asked for the first.
    const std::string words = searchedWords(f.text);
    s.bind(":words", words);
    s.bind(":first_word", words.substr(0, words.find(' ')));
    s.bind(":from", f.from);
    s.bind(":to", f.to);
    s.bind(":older", f.olderThan);
    s.bind(":limit", static_cast<int64_t>(f.limit));
    s.bind(":recent", static_cast<int64_t>(f.recent));
    int rc;
    while ((rc = s.step()) == SQLITE_ROW) {
        entries.push_back(entryAt(s));
        const std::optional<Block> previous = s.block("previous_block");
        if (previous && entries.back().block)
            entries.back().changed = changedCaptions(*previous, *entries.back().block);
    }
    if (rc != SQLITE_DONE)
        fail(Trouble::Doing::Read);
    return entries;
}

std::optional<Entry> Store::get(int64_t id)
{
    if (!open())
        return std::nullopt;
    Statement s(db, "SELECT " + selectedColumns() + " FROM entries e WHERE e.id = :id");
    s.bind(":id", id);
    if (s.ok() && s.step() == SQLITE_ROW)
        return entryAt(s);
    return std::nullopt;
}

int64_t Store::count()
{
    if (!open())
        return 0;
    Statement s(db, "SELECT count(*) FROM entries");
    return s.ok() && s.step() == SQLITE_ROW ? s.integer(0) : 0;
}

} // namespace tuma::history
