#include "history/sqlite.h"

#include "core/memory_map.h"

#include <sqlite3.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace tuma::history {

Statement::Statement(sqlite3* db, const std::string& sql)
{
    if (db)
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
}

Statement::~Statement() { sqlite3_finalize(st); }

void Statement::bind(int i, int64_t v) { sqlite3_bind_int64(st, i, v); }

void Statement::bind(int i, const std::string& v)
{
    sqlite3_bind_text(st, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
}

void Statement::bind(int i, const std::optional<Block>& b)
{
    if (b)
        sqlite3_bind_blob(st, i, b->data(), static_cast<int>(b->size()), SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(st, i);
}

int Statement::parameter(const char* name) const { return sqlite3_bind_parameter_index(st, name); }

int Statement::step() { return sqlite3_step(st); }

void Statement::reset()
{
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
}

int Statement::column(const char* name) const
{
    if (names.empty())
        for (int i = 0; i < sqlite3_column_count(st); ++i)
            names.emplace_back(sqlite3_column_name(st, i));
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return static_cast<int>(i);
    return -1;
}

int64_t Statement::integer(int i) const { return sqlite3_column_int64(st, i); }

std::string Statement::text(int i) const
{
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(st, i))) : std::string();
}

std::optional<Block> Statement::block(int i) const
{
    const void* data = sqlite3_column_blob(st, i);
    if (!data || sqlite3_column_bytes(st, i) != static_cast<int>(addr::ConfigCount))
        return std::nullopt;
    Block b{};
    std::memcpy(b.data(), data, b.size());
    return b;
}

Trouble::Cause causeOf(sqlite3* db, std::string& detail)
{
    switch (db ? sqlite3_extended_errcode(db) & 0xFF : SQLITE_CANTOPEN) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Trouble::Cause::Damaged;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Trouble::Cause::Busy;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return Trouble::Cause::CannotWrite;
    case SQLITE_FULL:
        return Trouble::Cause::DiskFull;
    default:
        detail = sqlite3_errmsg(db);
        return Trouble::Cause::Unknown;
    }
}

std::string uriPath(const std::string& path)
{
    // A drive letter ("C:\...") is spelled after a slash, "/C:/...", and a share of
    // another computer ("\\OFICINA2\...", another PC's copy) after two more, so that the
    // URI has no authority; the rule needs the path's shape only, not the system.
    std::string uri;
    const auto slash = [&path](size_t i) { return i < path.size() && (path[i] == '/' || path[i] == '\\'); };
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        uri = "/";
    else if (slash(0) && slash(1))
        uri = "//";
    for (unsigned char c : path) {
        if (c == '\\')
            c = '/';
        if (std::isalnum(c) || std::strchr("/-._~:", c))
            uri += static_cast<char>(c);
        else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            uri += hex;
        }
    }
    return uri;
}

} // namespace tuma::history
