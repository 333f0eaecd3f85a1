// debug_log.h - the process-wide, time-stamped debug log.
// Debugging is on exactly while debugFileName is non-empty; callers test
// debugOn() before formatting anything, so a switched-off log costs nothing.
#pragma once

#include <cstdio>
#include <string>

extern std::string debugFileName;  // path of the log; empty: debugging off
extern std::FILE* debugFile;       // open stream while debugging is on

inline bool debugOn() { return !debugFileName.empty(); }

// Opens debugFileName for appending; on failure clears it (debugging off), silently.
void openDebugLog();

// Like openDebugLog, for a log at a fixed name in a directory that everyone may write
// (/tmp): never follows a link, creates the file readable by its owner only, and keeps
// debugging off when the file is not a regular file of this user.
void openPrivateDebugLog();

// Closes the log and switches debugging off.
void closeDebugLog();

// Writes one line "HH:MM:SS message" (local time) and flushes it. A message is cut
// to 2,047 bytes. Call only while debugOn().
void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
