// debug_output.cpp - the engine's debug output (ZDBS_LOG file, else standard error).
// Internal details (SQLite's messages, paths) go here and never into a message text.

#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "error.h"
#include "rcs.h"
#include "zdb.h"

namespace zdb {

void debugLine(const std::string& text) {
    auto path = rcsLookup("ZDBS_LOG", ZDB_RCS_ALL);
    std::FILE* out = (path && !path->empty()) ? std::fopen(path->c_str(), "a") : nullptr;
    std::time_t now = std::time(nullptr);
    char stamp[32] = "";
    std::tm parts{};
    if (localtime_r(&now, &parts)) std::strftime(stamp, sizeof stamp, "%H:%M:%S", &parts);
    std::fprintf(out ? out : stderr, "%s zdb[%d]: %s\n", stamp, static_cast<int>(getpid()),
                 text.c_str());
    if (out) std::fclose(out);
}

}  // namespace zdb
