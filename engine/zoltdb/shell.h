// shell.h - zoltdb shell: CCL commands on the engine, read from standard input.
#pragma once

#include <istream>
#include <ostream>
#include <string>

namespace zoltdb {

struct ShellOptions {
    std::string base;        // a database name or a comma list
    std::string user = "zoltgate";
    std::string password;
    int charset = 16;        // the session's character set (UTF-8 for a terminal)
};

// Logs in, opens the base and runs commands until the end of `in`; the exit status.
int runShell(const ShellOptions& options, std::istream& in, std::ostream& out, bool prompt);

}  // namespace zoltdb
