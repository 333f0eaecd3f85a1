// platform.h - the process and path services the entry uses: process preparation,
// binary streams, joining and cutting paths. On POSIX most are no-ops; they stay
// named steps so that the entry's order of preparation reads as it runs.
// Invariant: every other file joins and cuts paths only through these functions.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Starts the socket library: POSIX needs no start-up; returns 0.
int startSocketLibrary();

// Keeps an error from ever waiting for a user at a dialog: a POSIX process shows none.
void suppressErrorDialogs();

// Puts a stream into binary mode, so bytes pass unchanged: every POSIX stream already is.
void setBinaryMode(std::FILE* stream);

// The path of `name` inside directory `directory`, joined with "/" (no doubled separator).
std::string joinPath(std::string_view directory, std::string_view name);

// The directory part of `path` with its separator: the text up to and including the last
// "/" or backslash; empty when the path has neither.
std::string directoryOf(std::string_view path);

// The current working directory with a trailing "/"; empty when it cannot be read.
std::string currentDirectory();
