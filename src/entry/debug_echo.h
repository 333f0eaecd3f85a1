// debug_echo.h - the diagnostic echo of a request (${DEBUG}): a plain-text response
// that starts with the process environment as the command env lists it.
#pragma once

// The program the echo runs, by its full path: never a shell, never anything the
// request names.
inline constexpr const char* kEnvProgram = "/usr/bin/env";

// Writes "Content-Type: text/plain\n\n", flushes, runs env without arguments and
// copies what it writes into the response, in order. Returns false when env could
// not be run (the response then holds only the header).
bool writeDebugEcho();
