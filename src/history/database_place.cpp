#include "history/database_place.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tuma::history {

namespace fs = std::filesystem;

namespace {

bool exists(const std::string& path)
{
    std::error_code e;
    return fs::exists(fs::u8path(path), e);
}

// One connection, closed however the function leaves.
struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
    bool open(const std::string& path, int flags, std::string& why)
    {
        if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 2000);
            return true;
        }
        why = db ? sqlite3_errmsg(db) : "sem memória";
        return false;
    }
    // The first column of the first row; false with SQLite's words when there is none.
    bool first(const char* sql, std::string& text, std::string& why)
    {
        sqlite3_stmt* st = nullptr;
        bool ok = sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW;
        if (ok) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            text = t ? reinterpret_cast<const char*>(t) : "";
        } else {
            why = sqlite3_errmsg(db);
        }
        sqlite3_finalize(st);
        return ok;
    }
    // Sound, and how many entries it holds.
    bool check(int64_t& entries, std::string& why)
    {
        std::string verdict;
        if (!first("PRAGMA integrity_check", verdict, why)) {
            why = "o arquivo está danificado (" + why + ")";
            return false;
        }
        if (verdict != "ok") {
            why = "o arquivo está danificado (" + verdict + ")";
            return false;
        }
        std::string count;
        if (!first("SELECT count(*) FROM entries", count, why))
            return false;
        entries = std::stoll(count);
        return true;
    }
};

std::string asideName(const std::string& old)
{
    std::string aside = old + ".movido";
    for (int n = 2; exists(aside); ++n)
        aside = old + ".movido-" + std::to_string(n);
    return aside;
}

bool isDate(const std::string& s)
{
    if (s.size() != 10 || s[4] != '-' || s[7] != '-')
        return false;
    for (size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

void keepNewest(const std::string& folder, const std::string& computer, int keep)
{
    const std::string prefix = "historico-" + computer + "-";
    const std::string suffix = ".sqlite";
    std::vector<std::string> dates;
    std::error_code e;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::u8path(folder), e)) {
        const std::string name = entry.path().filename().u8string();
        if (name.size() == prefix.size() + 10 + suffix.size() && name.compare(0, prefix.size(), prefix) == 0
            && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0
            && isDate(name.substr(prefix.size(), 10)))
            dates.push_back(name.substr(prefix.size(), 10));
    }
    std::sort(dates.rbegin(), dates.rend());
    for (size_t i = static_cast<size_t>(std::max(keep, 1)); i < dates.size(); ++i)
        fs::remove(fs::u8path(folder) / fs::u8path(prefix + dates[i] + suffix), e);
}

} // namespace

bool takeSnapshot(const std::string& path, Snapshot& out, std::string& why)
{
    if (!exists(path)) {
        why = "o arquivo não existe";
        return false;
    }
    Connection source;
    if (!source.open(path, SQLITE_OPEN_READWRITE, why))
        return false;
    // What the journal holds goes into the file first; a file only read keeps its
    // journal, and the copy below reads through it all the same.
    sqlite3_exec(source.db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
    if (!source.check(out.entries, why))
        return false;
    Connection image;
    if (!image.open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, why))
        return false;
    sqlite3_backup* backup = sqlite3_backup_init(image.db, "main", source.db, "main");
    if (!backup) {
        why = sqlite3_errmsg(image.db);
        return false;
    }
    const int stepped = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE) {
        why = sqlite3_errstr(stepped);
        return false;
    }
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(image.db, "main", &size, 0);
    if (!data) {
        why = "sem memória para a cópia";
        return false;
    }
    out.bytes.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    sqlite3_free(data);
    // A plain file with no journal beside it: whoever opens it for good sets its own.
    if (out.bytes.size() >= 100)
        out.bytes[18] = out.bytes[19] = 1;
    return true;
}

bool checkCopy(const std::string& path, int64_t entries, std::string& why)
{
    Connection copy;
    if (!copy.open(path, SQLITE_OPEN_READONLY, why))
        return false;
    int64_t found = -1;
    if (!copy.check(found, why))
        return false;
    if (found != entries) {
        why = "a cópia tem " + std::to_string(found) + " registros, o original " + std::to_string(entries);
        return false;
    }
    return true;
}

Place placeDatabase(const std::string& wanted, const std::string& old, const ReplaceFile& replace)
{
    if (exists(wanted) || !exists(old))
        return {wanted, {}, false, false};
    const auto failed = [&](const std::string& why) {
        return Place{old,
                     "O histórico não pôde ser movido para " + wanted + ": " + why + ". Ele continua em " + old + ".",
                     false, true};
    };
    std::string why;
    Snapshot image;
    if (!takeSnapshot(old, image, why))
        return failed(why);
    std::error_code e;
    fs::create_directories(fs::u8path(wanted).parent_path(), e);
    if (!replace(wanted, image.bytes, why))
        return failed(why);
    if (!checkCopy(wanted, image.entries, why)) {
        fs::remove(fs::u8path(wanted), e);
        return failed("a cópia não confere (" + why + ")");
    }
    // Only now is the old file set aside, under a name no program opens.
    const std::string aside = asideName(old);
    fs::rename(fs::u8path(old), fs::u8path(aside), e);
    if (e) {
        const std::string reason = e.message();
        fs::remove(fs::u8path(wanted), e);
        return failed("o arquivo antigo não pôde ser renomeado (" + reason + ")");
    }
    for (const char* part : {"-wal", "-shm"})
        if (exists(old + part))
            fs::rename(fs::u8path(old + part), fs::u8path(aside + part), e);
    return {wanted,
            "O histórico foi movido de " + old + " para " + wanted + "; o arquivo antigo ficou como " + aside + ".",
            true, false};
}

std::string copyName(const std::string& computer, const std::string& date)
{
    std::string name;
    for (unsigned char c : computer)
        name += (std::isalnum(c) && c < 128) || c == '-' || c == '_' ? static_cast<char>(c) : '_';
    if (name.empty())
        name = "PC";
    return "historico-" + name + "-" + date + ".sqlite";
}

CopyResult dailyCopy(const std::string& live, const std::string& folder, const std::string& computer,
                     const std::string& date, bool again, const ReplaceFile& replace, int keep)
{
    CopyResult r;
    const std::string name = copyName(computer, date);
    r.path = (fs::u8path(folder) / fs::u8path(name)).u8string();
    if (!exists(live) || (exists(r.path) && !again))
        return r;
    std::error_code e;
    fs::create_directories(fs::u8path(folder), e);
    Snapshot image;
    if (!takeSnapshot(live, image, r.why) || !replace(r.path, image.bytes, r.why))
        return r;
    r.written = true;
    // The name's middle, between "historico-" and the date, is this computer's.
    keepNewest(folder, name.substr(10, name.size() - 10 - 11 - 7), keep);
    return r;
}

} // namespace tuma::history
