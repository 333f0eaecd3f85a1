// rcs.cpp - run-time configuration symbols: process values, environment, file.
// Returned texts live in a process-wide store so that callers may keep them.

#include "rcs.h"

#include <cstring>
#include <deque>
#include <fstream>
#include <map>

#include "text_util.h"
#include "zdb.h"

extern char** environ;

namespace zdb {
namespace {

// Values set by UpdateRCS, keyed by the upper-case name.
std::map<std::string, std::string>& processValues() {
    static std::map<std::string, std::string> values;
    return values;
}

// Every text that QueryRCS handed out; a deque never moves its elements.
std::deque<std::string>& handedOut() {
    static std::deque<std::string> texts;
    return texts;
}

std::optional<std::string> environmentValue(std::string_view name) {
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* eq = std::strchr(*entry, '=');
        if (!eq) continue;
        std::string_view key(*entry, static_cast<size_t>(eq - *entry));
        if (equalsIgnoreCase(key, name)) return std::string(eq + 1);
    }
    return std::nullopt;
}

}  // namespace

std::string rcsFilePath() {
    const char* path = std::getenv("ZOLTRCS");
    return (path && *path) ? path : "/etc/zolt/zolt.rcs";
}

std::optional<std::string> rcsFileValue(const std::string& path, std::string_view name) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::string_view text = trim(line);
        if (text.empty() || text.front() == '#') continue;
        size_t eq = text.find('=');
        if (eq == std::string_view::npos) continue;
        if (equalsIgnoreCase(trim(text.substr(0, eq)), name))
            return std::string(trim(text.substr(eq + 1)));
    }
    return std::nullopt;
}

std::optional<std::string> rcsLookup(std::string_view name, int sources) {
    if (sources & ZDB_RCS_PROCESS) {
        auto it = processValues().find(upperCase(name));
        if (it != processValues().end()) return it->second;
    }
    if (sources & ZDB_RCS_ENVIRONMENT) {
        if (auto value = environmentValue(name)) return value;
    }
    if (sources & ZDB_RCS_FILE) return rcsFileValue(rcsFilePath(), name);
    return std::nullopt;
}

}  // namespace zdb

extern "C" const char* QueryRCS(const char* name, int sources) {
    if (!name) return nullptr;
    auto value = zdb::rcsLookup(name, sources);
    if (!value) return nullptr;
    return zdb::handedOut().emplace_back(std::move(*value)).c_str();
}

extern "C" int UpdateRCS(const char* name, const char* value) {
    if (!name || !*name) return 2;
    zdb::processValues()[zdb::upperCase(name)] = value ? value : "";
    return ZDB_OK;
}
