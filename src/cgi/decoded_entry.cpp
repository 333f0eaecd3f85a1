// decoded_entry.cpp - inserting decoded pairs and describing them in the debug log.
// The log may live in a world-readable file such as /tmp/zgw_star.log, so password
// values never go into it.

#include "cgi/decoded_entry.h"

#include <string>

#include "cgi/ascii.h"
#include "cgi/debug_log.h"

std::string_view cutAtNul(std::string_view text) {
    // A %00 in a request must not let a check see "a.zgw\0x" while a file call sees "a.zgw".
    auto nul = text.find('\0');
    return nul == std::string_view::npos ? text : text.substr(0, nul);
}

bool isPasswordName(std::string_view name) {
    return asciiEqualNoCase(name, "passwd") || asciiEqualNoCase(name, "zgwpasswd") ||
           asciiEqualNoCase(name, "${PWD}");
}

namespace {
// Writes one entry to the debug log, a password by its length only.
void logEntry(const char* kind, std::string_view name, std::string_view value) {
    std::string line = std::string(kind) + " \"" + std::string(name) + "\" = ";
    if (isPasswordName(name))
        line += "(" + std::to_string(value.size()) + " bytes, not shown)";
    else
        line += "\"" + std::string(value) + "\"";
    debugLog("%s", line.c_str());
}
}  // namespace

Entry* insertDecoded(EntryList& list, Entry* after, std::string_view name,
                     std::string_view value, const char* kind) {
    name = cutAtNul(name);
    value = cutAtNul(value);
    Entry* entry = list_insafter(list, after, name, value);
    if (debugOn()) logEntry(kind, name, value);
    return entry;
}

void logEntries(const EntryList& list, const char* kind) {
    if (!debugOn()) return;
    for (const Entry* entry = list.first(); entry; entry = entry->next.get())
        logEntry(kind, entry->name, entry->value);
}
