// sqlite_util.cpp - checked SQLite steps; SQLite's texts go to the debug output only.

#include "sqlite_util.h"

#include <sys/stat.h>

#include "codes.h"
#include "error.h"

namespace zdb {

void configureSqlite() {
    // Only possible before SQLite initializes itself; later calls change nothing.
    static const bool configured = [] {
        sqlite3_config(SQLITE_CONFIG_PAGECACHE, nullptr, 0, 0);
        // One session per process on one thread: SQLite's own mutexes and its memory
        // statistics (a mutex per allocation) only cost every request time.
        sqlite3_config(SQLITE_CONFIG_SINGLETHREAD);
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
        return true;
    }();
    (void)configured;
}

Connection::Connection(const std::string& path, Mode mode, const std::string& name, int busyMs)
    : name_(name) {
    configureSqlite();
    // Only regular files: opening a FIFO or a device would wait for ever or read noise.
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        throw EngineError(kDatabaseFormat, name, path + " is not a regular file");
    int flags = SQLITE_OPEN_NOMUTEX;
    if (mode == Mode::ReadOnly) flags |= SQLITE_OPEN_READONLY;
    else if (mode == Mode::ReadWrite) flags |= SQLITE_OPEN_READWRITE;
    else flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string detail = "open " + path + ": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
        if (rc == SQLITE_CANTOPEN)
            throw EngineError(mode == Mode::ReadOnly ? kUnknownDatabase : kDatabaseReadOnly,
                              name, detail);
        throw EngineError(kDatabaseFormat, name, detail);
    }
    sqlite3_extended_result_codes(db_, 1);
    // A reader waits at most busyMs for a writer's commit, never unboundedly.
    sqlite3_busy_timeout(db_, busyMs);
    if (mode == Mode::ReadOnly) return;
    try {
        useRollbackJournal();
    } catch (...) {
        sqlite3_close_v2(db_);  // the destructor does not run for a constructor that throws
        throw;
    }
}

void Connection::useRollbackJournal() {
    // Outside any transaction, where the PRAGMA takes effect; SQLite answers the mode
    // in force, which stays WAL while another connection holds the file open.
    Statement pragma(*this, "PRAGMA journal_mode=DELETE");
    std::string mode = pragma.step() ? std::string(pragma.bytes(0)) : std::string();
    if (mode != "delete")
        throw EngineError(kDatabaseBusy, name_, name_ + ": journal mode stays '" + mode + "'");
}

Connection::~Connection() { sqlite3_close_v2(db_); }

void Connection::exec(const char* sql) {
    char* message = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        std::string text = message ? message : "";
        sqlite3_free(message);
        fail(rc, std::string(sql) + ": " + text);
    }
}

void Connection::fail(int rc, std::string_view what) const {
    std::string detail = name_ + ": " + std::string(what) + ": " + sqlite3_errmsg(db_) +
                         " (" + std::to_string(rc) + ")";
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw EngineError(kDatabaseBusy, name_, detail);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        throw EngineError(kDatabaseFormat, name_, detail);
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        throw EngineError(kDatabaseReadOnly, name_, detail);
    default:
        throw EngineError(kInternalError, {}, detail);
    }
}

Statement::Statement(const Connection& connection, const char* sql) : connection_(connection) {
    int rc = sqlite3_prepare_v2(connection.handle(), sql, -1, &stmt_, nullptr);
    if (rc != SQLITE_OK) connection.fail(rc, std::string("prepare ") + sql);
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::bind(int index, int64_t value) {
    int rc = sqlite3_bind_int64(stmt_, index, value);
    if (rc != SQLITE_OK) connection_.fail(rc, "bind");
    return *this;
}

Statement& Statement::bind(int index, double value) {
    int rc = sqlite3_bind_double(stmt_, index, value);
    if (rc != SQLITE_OK) connection_.fail(rc, "bind");
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
    if (rc != SQLITE_OK) connection_.fail(rc, "bind");
    return *this;
}

Statement& Statement::bindBlob(int index, std::string_view bytes) {
    int rc = sqlite3_bind_blob64(stmt_, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) connection_.fail(rc, "bind");
    return *this;
}

Statement& Statement::bindNull(int index) {
    int rc = sqlite3_bind_null(stmt_, index);
    if (rc != SQLITE_OK) connection_.fail(rc, "bind");
    return *this;
}

bool Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    std::string sql = sqlite3_sql(stmt_) ? sqlite3_sql(stmt_) : "";
    sqlite3_reset(stmt_);
    connection_.fail(rc, "step " + sql);
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::string_view Statement::bytes(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    int size = sqlite3_column_bytes(stmt_, column);
    if (!data || size <= 0) return {};
    return {static_cast<const char*>(data), static_cast<size_t>(size)};
}

Transaction::Transaction(Connection& connection, bool immediate) : connection_(connection) {
    connection_.exec(immediate ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
    if (open_) sqlite3_exec(connection_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit() {
    connection_.exec("COMMIT");
    open_ = false;
}

}  // namespace zdb
