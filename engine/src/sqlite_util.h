// sqlite_util.h - RAII wrappers for SQLite connections and statements.
// Every step's result is checked: a failure throws EngineError with SQLite's own
// text as debug detail only. Query text reaches SQL only through bind().
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace zdb {

// Sets SQLite's process-wide options once, before its first use: no page cache is
// allocated ahead of need, since a gateway process lives for one request and would
// pay page faults for pages it never uses.
void configureSqlite();

// One open SQLite connection; closed by the destructor. A writable connection puts
// its file in rollback-journal mode (journal_mode=DELETE) before anything else, so a
// file that anyone switched to WAL is set back for the readers that may not write.
class Connection {
public:
    enum class Mode { ReadOnly, ReadWrite, Create };
    // Opens `path`; throws EngineError (argument `name`) on failure: 30044 when the
    // path is not a regular file (a FIFO would block the open for ever).
    Connection(const std::string& path, Mode mode, const std::string& name, int busyMs);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }
    const std::string& name() const { return name_; }
    // Runs SQL without results (schema, pragmas, transactions); never with outside text.
    void exec(const char* sql);
    // Throws the EngineError that SQLite result `rc` of step `what` calls for.
    [[noreturn]] void fail(int rc, std::string_view what) const;

private:
    // Switches the file to rollback-journal mode; throws when SQLite keeps another.
    void useRollbackJournal();

    sqlite3* db_ = nullptr;
    std::string name_;
};

// A prepared statement; finalized by the destructor.
class Statement {
public:
    Statement(const Connection& connection, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& bind(int index, int64_t value);
    Statement& bind(int index, int value) { return bind(index, static_cast<int64_t>(value)); }
    Statement& bind(int index, double value);
    Statement& bind(int index, std::string_view text);
    Statement& bindBlob(int index, std::string_view bytes);
    Statement& bindNull(int index);
    // Advances; true while a row is there.
    bool step();
    // Runs a statement that returns no row.
    void run() { while (step()) {} }
    void reset();

    int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    double real(int column) const { return sqlite3_column_double(stmt_, column); }
    int type(int column) const { return sqlite3_column_type(stmt_, column); }
    // The column's bytes (text or blob); valid until the next step.
    std::string_view bytes(int column) const;

private:
    const Connection& connection_;
    sqlite3_stmt* stmt_ = nullptr;
};

// A transaction that rolls back unless committed.
class Transaction {
public:
    Transaction(Connection& connection, bool immediate);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& connection_;
    bool open_ = true;
};

}  // namespace zdb
