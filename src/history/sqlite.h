#pragma once
// The little of SQLite's C interface the store uses: a prepared statement that cleans
// up after itself and reads columns by name, and the "file:" URI of a path.
#include "core/events.h"
#include "history/trouble.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tuma::history {

// One prepared statement, finalized however the function that holds it ends.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return st != nullptr; }
    void bind(int i, int64_t v);
    void bind(int i, const std::string& v);
    void bind(int i, const std::optional<Block>& b);
    // A parameter by its name (":plate"); one the statement does not hold is left alone,
    // so that a query's optional conditions share one set of bindings.
    template <class T>
    void bind(const char* name, const T& v)
    {
        if (const int i = parameter(name); i > 0)
            bind(i, v);
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    void reset();

    // A result column by its name (-1 for none); the names are looked up once.
    int column(const char* name) const;
    int64_t integer(int i) const;
    std::string text(int i) const;
    // A blob of the block's size; anything else (NULL, a damaged row) is no block.
    std::optional<Block> block(int i) const;
    int64_t integer(const char* name) const { return integer(column(name)); }
    std::string text(const char* name) const { return text(column(name)); }
    std::optional<Block> block(const char* name) const { return block(column(name)); }

private:
    int parameter(const char* name) const;

    sqlite3_stmt* st = nullptr;
    mutable std::vector<std::string> names;
};

// Why the last call on `db` failed (no database: it could not be opened); SQLite's own
// words in `detail` for a cause without a name.
Trouble::Cause causeOf(sqlite3* db, std::string& detail);

// A file's path as SQLite's "file:" URIs spell it: each byte outside the URI's plain
// characters escaped, backslashes as slashes, a drive letter after a slash.
std::string uriPath(const std::string& path);

} // namespace tuma::history
