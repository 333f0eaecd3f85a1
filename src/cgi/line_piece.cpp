// line_piece.cpp - bounded line reading.

#include "cgi/line_piece.h"

bool readLinePiece(std::FILE* file, std::string& piece, std::size_t limit) {
    piece.clear();
    while (piece.size() < limit) {
        int c = std::getc(file);
        if (c == EOF) break;
        piece.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return !piece.empty();
}
