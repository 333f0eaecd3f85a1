// main.cpp - zoltdb, the administration tool: command line and dispatch.
// The data directory is --data, else the engine symbol ZDBS_DATA.

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "admin.h"
#include "rcs.h"
#include "shell.h"
#include "zdb.h"

int main(int argc, char** argv) {
    CLI::App app{"zoltdb - administration of ZOLT databases"};
    std::string dataDir;
    app.add_option("--data", dataDir, "data directory (default: ZDBS_DATA)");
    app.require_subcommand(1);

    bool noPublicUser = false;
    auto* init = app.add_subcommand("init", "create the system database");
    init->add_flag("--no-public-user", noPublicUser, "do not add the public user zoltgate");

    std::string name, file, schemaFile, password, databases = "*", user = "zoltgate";
    std::vector<std::string> words;
    auto* create = app.add_subcommand("create", "create a database from a JSON schema");
    create->add_option("NAME", name)->required();
    create->add_option("--schema", schemaFile, "schema file")->required();

    auto* load = app.add_subcommand("load", "load JSON Lines records (FILE - for standard input)");
    load->add_option("NAME", name)->required();
    load->add_option("FILE", file)->required();

    auto* exportCommand = app.add_subcommand("export", "write the records as JSON Lines");
    exportCommand->add_option("NAME", name)->required();

    auto* remove = app.add_subcommand("delete", "delete records by id");
    remove->add_option("NAME", name)->required();
    remove->add_option("ID", words)->required();

    auto* info = app.add_subcommand("info", "show fields, formats, record count and size");
    info->add_option("NAME", name)->required();

    zoltdb::UserLimits limits;
    auto* users = app.add_subcommand("user", "manage users");
    users->require_subcommand(1);
    auto* userAdd = users->add_subcommand("add", "add or update a user");
    userAdd->add_option("NAME", name)->required();
    userAdd->add_option("--password", password, "password (default: empty)");
    userAdd->add_option("--databases", databases, "databases the user may open, A,B or * (default *)");
    userAdd->add_flag("--disabled", limits.disabled, "the account is disabled");
    userAdd->add_option("--expires", limits.expires, "last day of the password, YYYY-MM-DD");
    userAdd->add_option("--hours", limits.hours, "login hours HH:MM-HH:MM (local time)");
    auto* userDel = users->add_subcommand("del", "delete a user");
    userDel->add_option("NAME", name)->required();
    auto* userList = users->add_subcommand("list", "list the users");

    auto* logins = app.add_subcommand("logins", "close or open logins for every user (maintenance)");
    std::string loginState;
    logins->add_option("STATE", loginState, "close or open")->required()->check(CLI::IsMember({"close", "open"}));

    auto* procs = app.add_subcommand("proc", "manage stored procedures");
    procs->require_subcommand(1);
    auto* procAdd = procs->add_subcommand("add", "store a procedure");
    procAdd->add_option("NAME", name)->required();
    procAdd->add_option("LINE", words, "CCL lines")->required();
    auto* procDel = procs->add_subcommand("del", "delete a procedure");
    procDel->add_option("NAME", name)->required();
    auto* procList = procs->add_subcommand("list", "list the procedures");

    int charset = 16;
    auto* shell = app.add_subcommand("shell", "run CCL commands on a database or a cluster (A,B)");
    shell->add_option("NAME", name)->required();
    shell->add_option("--user", user, "user (default: zoltgate)");
    shell->add_option("--password", password, "password");
    shell->add_option("--charset", charset, "character set code of the session (default 16, UTF-8)")
        ->check(CLI::IsMember({1, 2, 3, 16, 18, 19, 20}));

    CLI11_PARSE(app, argc, argv);

    if (dataDir.empty()) {
        const char* configured = QueryRCS("ZDBS_DATA", ZDB_RCS_ALL);
        if (configured) dataDir = configured;
    }
    if (dataDir.empty()) {
        std::cerr << "zoltdb: no data directory: give --data DIR or set ZDBS_DATA\n";
        return 1;
    }
    UpdateRCS("ZDBS_DATA", dataDir.c_str());

    if (init->parsed()) return zoltdb::initSystem(dataDir, !noPublicUser);
    if (create->parsed()) return zoltdb::createDatabase(dataDir, name, schemaFile);
    if (load->parsed()) return zoltdb::loadRecords(dataDir, name, file);
    if (exportCommand->parsed()) return zoltdb::exportRecords(dataDir, name);
    if (remove->parsed()) return zoltdb::deleteRecords(dataDir, name, words);
    if (info->parsed()) return zoltdb::showInfo(dataDir, name);
    if (userAdd->parsed()) return zoltdb::addUser(dataDir, name, password, databases, limits);
    if (userDel->parsed()) return zoltdb::deleteUser(dataDir, name);
    if (userList->parsed()) return zoltdb::listUsers(dataDir);
    if (logins->parsed()) return zoltdb::setLogins(dataDir, loginState == "open");
    if (procAdd->parsed()) return zoltdb::addProcedure(dataDir, name, words);
    if (procDel->parsed()) return zoltdb::deleteProcedure(dataDir, name);
    if (procList->parsed()) return zoltdb::listProcedures(dataDir);
    if (shell->parsed()) {
        zoltdb::ShellOptions options{name, user, password, charset};
        return zoltdb::runShell(options, std::cin, std::cout, isatty(STDIN_FILENO));
    }
    return 1;
}
