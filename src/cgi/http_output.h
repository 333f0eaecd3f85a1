// http_output.h - writers and escapers of the response: HTML characters, URL
// values, the script's URL, cookies, headers and the status (error) page.
#pragma once

#include <string_view>

#include "cgi/strbuf.h"

// HTML text for byte c: with markup set, the five markup characters become
// entities; the Latin-1 letters 192-255 (but 215, 247) always become named
// entities; byte 0 gives "". The text is a constant: it stays valid for the process.
const char* htmlChar(unsigned char c, int markup);

// HTML text for byte c with only the five markup characters replaced.
const char* htmlMarkupChar(unsigned char c);

// Appends text to out with the five markup characters escaped: the one escaper
// for plain text (request text, engine messages, paths) that goes into a page.
void appendHtmlEscaped(StrBuf& out, std::string_view text);

// Appends text from a record or the request to out as HTML text for the character set
// `encoding` (the session's code: 3 or below a single-byte Latin set): the five markup
// characters always become entities; in a single-byte set the Latin-1 letters become
// named entities too; every other byte stays. Byte 0 ends nothing: it is dropped.
void appendHtmlText(StrBuf& out, std::string_view text, int encoding);

// Writes text URL-encoded to the response: blank as "+", the characters
// " # & : ; < > ? and bytes above 127 as %XX, everything else as it is.
void printUrlEncoded(std::string_view text);

// Writes SCRIPT_NAME, then PATH_INFO when it is set and differs from it.
void printScriptUrl();

// Writes "Set-Cookie: name=value; path=/\r\n" and returns 1; writes nothing and
// returns 0 when the name or value holds a control character or ";", or the name an
// "=": such a pair would break the header or add one of its own.
int setCookie(std::string_view name, std::string_view value);

// Writes "Content-Type: text/html\n\n" and flushes.
void printHtmlHeader();

// Writes n in decimal.
void printNumber(int n);

// Writes the whole error response: status 404, the ZOLTgate heading, errorText
// (HTML: every piece of plain text in it was escaped when it was put there) and,
// at message level 1 with a line of 1 or more, the source place.
void printStatusPage(std::string_view errorText, std::string_view errorFile, int errorLine,
                     int messageLevel);
