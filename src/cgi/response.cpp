// response.cpp - the response stream.

#include "cgi/response.h"

namespace {
std::FILE* g_response = nullptr;  // null: standard output
}

std::FILE* responseStream() { return g_response ? g_response : stdout; }

void setResponseStream(std::FILE* stream) { g_response = stream; }

void writeResponse(std::string_view bytes) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), responseStream());
}

void flushResponse() { std::fflush(responseStream()); }
