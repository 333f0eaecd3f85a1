// line_piece.h - reading a stream in lines of bounded length, so that no client and no
// file can make one read hold more than the limit. The multipart body and the login
// file are read this way.
#pragma once

#include <cstdio>
#include <string>

// Reads the next line of `file` into `piece`: up to and including its line feed, or its
// next `limit` bytes when the line is longer (the rest comes as the next piece). Bytes
// pass unchanged, NUL bytes included. False at the end of the file.
bool readLinePiece(std::FILE* file, std::string& piece, std::size_t limit);
