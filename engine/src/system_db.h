// system_db.h - the system database ZDBS_DATA/zolt.sys: users, stored procedures and
// whether logins are open. Sessions open it read-only at login; zoltdb opens it for
// writing, and then brings a file of an earlier format up to date.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sqlite_util.h"

namespace zdb {

struct User {
    std::string name;
    std::string hash;                    // crypto_pwhash_str hash
    std::vector<std::string> databases;  // names, or "*" for all
    bool disabled = false;
    std::string expires;                 // last day of the password, YYYY-MM-DD; empty: never
    std::string hours;                   // login hours HH:MM-HH:MM (local time); empty: any

    // True when the user may open database `name`.
    bool mayOpen(const std::string& name) const;
};

class SystemDb {
public:
    static std::string pathFor(const std::string& dataDir);
    // Creates the system database; with `publicUser` adds "zoltgate" (empty password, all).
    static void create(const std::string& dataDir, bool publicUser);
    // Opens it; throws kNoSystemDatabase when it cannot be opened.
    explicit SystemDb(const std::string& dataDir, bool writable);

    std::optional<User> user(const std::string& name);
    std::vector<User> users();
    // Adds or replaces a user.
    void putUser(const User& user);
    bool deleteUser(const std::string& name);
    // True while an administrator has closed logins (zoltdb logins close).
    bool loginsClosed();
    void setLoginsClosed(bool closed);

    // The lines of procedure `name`, or nothing.
    std::optional<std::vector<std::string>> procedure(const std::string& name);
    std::vector<std::pair<std::string, std::vector<std::string>>> procedures();
    void putProcedure(const std::string& name, const std::vector<std::string>& lines);
    bool deleteProcedure(const std::string& name);

private:
    std::unique_ptr<Connection> connection_;
    int format_ = 0;    // 1: users without password expiry and login hours; 2: with them
};

// Splits "A,B,C" into names (blanks trimmed, empty pieces dropped).
std::vector<std::string> splitList(const std::string& text);

}  // namespace zdb
