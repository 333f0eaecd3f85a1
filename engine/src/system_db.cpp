// system_db.cpp - users and procedures in zolt.sys (rollback journal, like the databases).
// Format 2 added each user's password expiry and login hours; a file of format 1 is
// read as it is (no limits) and upgraded when zoltdb opens it for writing.

#include "system_db.h"

#include <sys/stat.h>

#include "codes.h"
#include "database.h"
#include "error.h"
#include "password.h"
#include "text_util.h"

namespace zdb {
namespace {

constexpr int kSystemFormat = 2;

// The columns of a user, in the order User is built from.
constexpr const char* kUserColumns[] = {
    "name, hash, databases, disabled, '', ''",            // format 1
    "name, hash, databases, disabled, expires, hours",    // format 2
};

User userFrom(const Statement& stmt) {
    return User{std::string(stmt.bytes(0)), std::string(stmt.bytes(1)),
                splitList(std::string(stmt.bytes(2))), stmt.integer(3) != 0,
                std::string(stmt.bytes(4)), std::string(stmt.bytes(5))};
}

}  // namespace

bool User::mayOpen(const std::string& name) const {
    for (const std::string& allowed : databases)
        if (allowed == "*" || equalsIgnoreCase(allowed, name)) return true;
    return false;
}

std::vector<std::string> splitList(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        std::string_view piece = trim(std::string_view(text).substr(start, comma - start));
        if (!piece.empty()) out.emplace_back(piece);
        start = comma + 1;
    }
    return out;
}

std::string SystemDb::pathFor(const std::string& dataDir) { return dataDir + "/zolt.sys"; }

void SystemDb::create(const std::string& dataDir, bool publicUser) {
    std::string path = pathFor(dataDir);
    struct stat info {};
    if (stat(path.c_str(), &info) == 0)
        throw EngineError(kDatabaseReadOnly, "zolt.sys", "system database exists: " + path);
    Connection connection(path, Connection::Mode::Create, "zolt.sys", kWriterBusyMs);
    Transaction transaction(connection, true);
    connection.exec(R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
INSERT INTO meta VALUES('format', '2');
CREATE TABLE user(name TEXT PRIMARY KEY COLLATE NOCASE, hash TEXT NOT NULL,
                  databases TEXT NOT NULL, disabled INTEGER NOT NULL,
                  expires TEXT NOT NULL DEFAULT '', hours TEXT NOT NULL DEFAULT '');
CREATE TABLE procedure(name TEXT NOT NULL COLLATE NOCASE, line INTEGER NOT NULL,
                       text TEXT NOT NULL, PRIMARY KEY(name, line));
)sql");
    transaction.commit();
    if (publicUser) {
        SystemDb db(dataDir, true);
        db.putUser(User{"zoltgate", hashPassword(""), {"*"}, false, "", ""});
    }
}

SystemDb::SystemDb(const std::string& dataDir, bool writable) {
    try {
        connection_ = std::make_unique<Connection>(
            pathFor(dataDir), writable ? Connection::Mode::ReadWrite : Connection::Mode::ReadOnly,
            "zolt.sys", writable ? kWriterBusyMs : kReaderBusyMs);
        {
            Statement check(*connection_, "SELECT value FROM meta WHERE key = 'format'");
            std::string format = check.step() ? std::string(check.bytes(0)) : "";
            if (format == "1") format_ = 1;
            else if (format == "2") format_ = 2;
            else throw EngineError(kNoSystemDatabase, {}, "zolt.sys has an unknown format '" + format + "'");
        }
        if (writable && format_ < kSystemFormat) {
            Transaction transaction(*connection_, true);
            connection_->exec("ALTER TABLE user ADD COLUMN expires TEXT NOT NULL DEFAULT '';"
                              "ALTER TABLE user ADD COLUMN hours TEXT NOT NULL DEFAULT '';"
                              "UPDATE meta SET value = '2' WHERE key = 'format'");
            transaction.commit();
            format_ = kSystemFormat;
        }
    } catch (const EngineError& e) {
        if (e.code() == kNoSystemDatabase) throw;
        throw EngineError(kNoSystemDatabase, {}, e.detail());
    }
}

std::optional<User> SystemDb::user(const std::string& name) {
    std::string sql = std::string("SELECT ") + kUserColumns[format_ - 1] + " FROM user WHERE name = ?";
    Statement stmt(*connection_, sql.c_str());
    stmt.bind(1, std::string_view(name));
    if (!stmt.step()) return std::nullopt;
    return userFrom(stmt);
}

std::vector<User> SystemDb::users() {
    std::vector<User> out;
    std::string sql = std::string("SELECT ") + kUserColumns[format_ - 1] + " FROM user ORDER BY name";
    Statement stmt(*connection_, sql.c_str());
    while (stmt.step()) out.push_back(userFrom(stmt));
    return out;
}

void SystemDb::putUser(const User& user) {
    std::string databases;
    for (const std::string& name : user.databases) databases += (databases.empty() ? "" : ",") + name;
    Statement stmt(*connection_,
                   "INSERT OR REPLACE INTO user(name, hash, databases, disabled, expires, hours) "
                   "VALUES(?, ?, ?, ?, ?, ?)");
    stmt.bind(1, std::string_view(user.name)).bind(2, std::string_view(user.hash));
    stmt.bind(3, std::string_view(databases)).bind(4, user.disabled ? 1 : 0);
    stmt.bind(5, std::string_view(user.expires)).bind(6, std::string_view(user.hours)).run();
}

bool SystemDb::loginsClosed() {
    Statement stmt(*connection_, "SELECT 1 FROM meta WHERE key = 'logins' AND value = 'closed'");
    return stmt.step();
}

void SystemDb::setLoginsClosed(bool closed) {
    Statement stmt(*connection_, "INSERT OR REPLACE INTO meta(key, value) VALUES('logins', ?)");
    stmt.bind(1, std::string_view(closed ? "closed" : "open")).run();
}

bool SystemDb::deleteUser(const std::string& name) {
    Statement stmt(*connection_, "DELETE FROM user WHERE name = ?");
    stmt.bind(1, std::string_view(name)).run();
    return sqlite3_changes(connection_->handle()) > 0;
}

std::optional<std::vector<std::string>> SystemDb::procedure(const std::string& name) {
    Statement stmt(*connection_, "SELECT text FROM procedure WHERE name = ? ORDER BY line");
    stmt.bind(1, std::string_view(name));
    std::vector<std::string> lines;
    while (stmt.step()) lines.emplace_back(stmt.bytes(0));
    if (lines.empty()) return std::nullopt;
    return lines;
}

std::vector<std::pair<std::string, std::vector<std::string>>> SystemDb::procedures() {
    std::vector<std::pair<std::string, std::vector<std::string>>> out;
    Statement stmt(*connection_, "SELECT name, text FROM procedure ORDER BY name COLLATE NOCASE, line");
    while (stmt.step()) {
        std::string name(stmt.bytes(0));
        if (out.empty() || !equalsIgnoreCase(out.back().first, name)) out.push_back({name, {}});
        out.back().second.emplace_back(stmt.bytes(1));
    }
    return out;
}

void SystemDb::putProcedure(const std::string& name, const std::vector<std::string>& lines) {
    Transaction transaction(*connection_, true);
    deleteProcedure(name);
    Statement stmt(*connection_, "INSERT INTO procedure(name, line, text) VALUES(?, ?, ?)");
    for (size_t i = 0; i < lines.size(); ++i) {
        stmt.reset();
        stmt.bind(1, std::string_view(name)).bind(2, static_cast<int64_t>(i + 1));
        stmt.bind(3, std::string_view(lines[i])).run();
    }
    transaction.commit();
}

bool SystemDb::deleteProcedure(const std::string& name) {
    Statement stmt(*connection_, "DELETE FROM procedure WHERE name = ?");
    stmt.bind(1, std::string_view(name)).run();
    return sqlite3_changes(connection_->handle()) > 0;
}

}  // namespace zdb
