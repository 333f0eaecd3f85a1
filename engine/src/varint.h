// varint.h - unsigned LEB128 integers for the record and posting formats.
// Reading is bounded: a truncated or overlong number fails instead of reading past the end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zdb {

inline void putVarint(std::string& out, uint64_t value) {
    while (value >= 0x80) {
        out.push_back(static_cast<char>((value & 0x7F) | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<char>(value));
}

// Reads from data[pos...]; advances pos. False on a truncated or overlong number.
inline bool getVarint(std::string_view data, size_t& pos, uint64_t& value) {
    value = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (pos >= data.size()) return false;
        auto byte = static_cast<unsigned char>(data[pos++]);
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if (!(byte & 0x80)) return true;
    }
    return false;
}

}  // namespace zdb
