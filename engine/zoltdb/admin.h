// admin.h - zoltdb's administration commands. Each returns the process exit
// status (0 success, 1 failure) and reports failures on standard error, naming
// the file, line and field at fault.
#pragma once

#include <string>
#include <vector>

namespace zoltdb {

int initSystem(const std::string& dataDir, bool publicUser);
int createDatabase(const std::string& dataDir, const std::string& name, const std::string& schemaFile);
int loadRecords(const std::string& dataDir, const std::string& name, const std::string& file);
int exportRecords(const std::string& dataDir, const std::string& name);
int deleteRecords(const std::string& dataDir, const std::string& name, const std::vector<std::string>& ids);
int showInfo(const std::string& dataDir, const std::string& name);
// Limits of an account beyond its password and databases.
struct UserLimits {
    bool disabled = false;
    std::string expires;   // last day of the password (DD.MM.YYYY or YYYY-MM-DD); empty: never
    std::string hours;     // login hours HH:MM-HH:MM; empty: any time
};

int addUser(const std::string& dataDir, const std::string& name, const std::string& password,
            const std::string& databases, const UserLimits& limits);
int deleteUser(const std::string& dataDir, const std::string& name);
int listUsers(const std::string& dataDir);
// Closes (`open` false) or opens logins for every user.
int setLogins(const std::string& dataDir, bool open);
int addProcedure(const std::string& dataDir, const std::string& name, const std::vector<std::string>& lines);
int deleteProcedure(const std::string& dataDir, const std::string& name);
int listProcedures(const std::string& dataDir);

}  // namespace zoltdb
