// platform.h - the few calls that differ between the system this gateway was first
// written for and POSIX: process preparation, binary streams, path separators.
// Invariant: every other file joins and cuts paths only through these functions.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Starts the socket library (nothing to start on POSIX); returns 0.
int startSocketLibrary();

// Keeps the system from ever showing an error dialog that waits for a user (POSIX has none).
void suppressErrorDialogs();

// Puts a stream into binary mode, so bytes pass unchanged (every POSIX stream already is).
void setBinaryMode(std::FILE* stream);

// The path of `name` inside directory `directory`, joined with "/" (no doubled separator).
std::string joinPath(std::string_view directory, std::string_view name);

// The directory part of `path` with its separator: the text up to and including the last
// "/" or backslash; empty when the path has neither.
std::string directoryOf(std::string_view path);

// The current working directory with a trailing "/"; empty when it cannot be read.
std::string currentDirectory();
