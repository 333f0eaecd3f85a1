// record.cpp - the stored form of a record: varints and length-prefixed UTF-8 items.

#include "record.h"

#include "codes.h"
#include "error.h"
#include "varint.h"

namespace zdb {

const FieldContent* RecordContent::find(int part, int field) const {
    for (const FieldContent& content : fields)
        if (content.part == part && content.field == field) return &content;
    return nullptr;
}

std::string encodeRecord(const RecordContent& record) {
    std::string out;
    putVarint(out, record.fields.size());
    for (const FieldContent& content : record.fields) {
        putVarint(out, static_cast<uint64_t>(content.part));
        putVarint(out, static_cast<uint64_t>(content.field));
        putVarint(out, static_cast<uint64_t>(content.firstParagraph));
        putVarint(out, content.paragraphs.size());
        for (const auto& items : content.paragraphs) {
            putVarint(out, items.size());
            for (const std::string& item : items) {
                putVarint(out, item.size());
                out.append(item);
            }
        }
    }
    return out;
}

RecordContent decodeRecord(int id, int parts, std::string_view data, const std::string& database) {
    auto damaged = [&]() -> EngineError {
        return EngineError(kDatabaseFormat, database,
                           "record " + std::to_string(id) + " of " + database + " is damaged");
    };
    RecordContent record;
    record.id = id;
    record.parts = parts;
    size_t pos = 0;
    uint64_t count = 0;
    if (!getVarint(data, pos, count) || count > data.size()) throw damaged();
    record.fields.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t part, field, first, paragraphs;
        if (!getVarint(data, pos, part) || !getVarint(data, pos, field) ||
            !getVarint(data, pos, first) || !getVarint(data, pos, paragraphs) ||
            part > static_cast<uint64_t>(kMaxParts) || field > 1000 || first > 1 ||
            paragraphs > data.size())
            throw damaged();
        FieldContent content;
        content.part = static_cast<int>(part);
        content.field = static_cast<int>(field);
        content.firstParagraph = static_cast<int>(first);
        content.paragraphs.resize(paragraphs);
        for (auto& items : content.paragraphs) {
            uint64_t itemCount = 0;
            if (!getVarint(data, pos, itemCount) || itemCount > data.size()) throw damaged();
            items.reserve(itemCount);
            for (uint64_t k = 0; k < itemCount; ++k) {
                uint64_t length = 0;
                if (!getVarint(data, pos, length) || length > data.size() - pos) throw damaged();
                items.emplace_back(data.substr(pos, length));
                pos += length;
            }
        }
        record.fields.push_back(std::move(content));
    }
    return record;
}

}  // namespace zdb
