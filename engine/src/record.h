// record.h - a record's content in memory, and its stored form.
// TEXT fields hold paragraphs 1, 2, ... of items 0, 1, ...; every other field holds
// its items in paragraph 0. Part fields hold content per part (1, 2, ...); every
// other field is in part 0. BLOB content is stored apart and not held here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zdb {

// Longest item text or BLOB the engine stores, in bytes.
inline constexpr size_t kMaxItemBytes = 16u << 20;
inline constexpr size_t kMaxBlobBytes = 256u << 20;
inline constexpr int kMaxParts = 10000;

struct FieldContent {
    int part = 0;                                    // 0, or the part 1, 2, ...
    int field = 0;                                   // field number
    int firstParagraph = 0;                          // 1 for TEXT fields, else 0
    std::vector<std::vector<std::string>> paragraphs;  // items (UTF-8) per paragraph
};

struct RecordContent {
    int id = 0;
    int parts = 0;                       // number of parts (0: none)
    std::vector<FieldContent> fields;    // sorted by part, then field

    // The content of `field` in `part`, or null.
    const FieldContent* find(int part, int field) const;
};

// The stored form of the fields of `record` (id and BLOBs are stored apart).
std::string encodeRecord(const RecordContent& record);
// The record stored as `data`; throws EngineError (damaged database `database`) on bad data.
RecordContent decodeRecord(int id, int parts, std::string_view data, const std::string& database);

}  // namespace zdb
