// response.h - where the response goes: standard output in the program, any
// stream in tests. Every writer of response text writes to responseStream().
#pragma once

#include <cstdio>
#include <string_view>

// The stream that receives the response (standard output unless redirected).
std::FILE* responseStream();

// Redirects the response (tests); null restores standard output.
void setResponseStream(std::FILE* stream);

// Writes bytes to the response as they stand.
void writeResponse(std::string_view bytes);

// Flushes the response stream.
void flushResponse();
