// cgi_input.h - reading the request and the cookies that the web server hands over
// (CGI environment and standard input) into cgiEntries and cookieEntries.
// Invariants: both lists are filled once per process, request first; every failure
// happens before a response byte is written and is reported as a CgiFailure.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "cgi/cgi_failure.h"
#include "cgi/entry_list.h"

// Fills cgiEntries from the request: multipart when CONTENT_TYPE says so, else the
// console (no REQUEST_METHOD), a POST body or the GET query string. Returns the number of
// entries, or -1 for a malformed URL-encoded pair. Throws CgiFailure with the exact
// message for a request that cannot be read.
int read_cgi_input();

// Fills cookieEntries from HTTP_COOKIE; returns the number of cookies (0 when unset).
int parse_cookies();

// Empties `list` and fills it with the cookies of a Cookie header text: name up to "=",
// value up to ";", both as they stand (no decoding, no trimming behind the value); a
// cookie without "=" gets an empty value. Returns the number of cookies.
int parseCookieText(EntryList& list, std::string_view text);

// Reads exactly the CONTENT_LENGTH bytes of a POST body from `input`. The length is the
// leading decimal digits of the text (none: 0). Memory grows with the bytes that arrive,
// never with the number the header claims. Throws CgiFailure when fewer bytes arrive.
std::string readPostBody(std::FILE* input, std::string_view contentLength);

// The console mode: prompts on `console`, reads one line (to the newline or the end of
// input) from `input`, echoes it with its length on `console` and returns it.
std::string readConsoleRequest(std::FILE* input, std::FILE* console);
