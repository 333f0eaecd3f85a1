// loader.cpp - batch writing: record rows, value rows, BLOB rows and index segments.

#include "loader.h"

#include <algorithm>
#include <string_view>

#include "codes.h"
#include "error.h"
#include "thesaurus.h"
#include "values.h"
#include "word_positions.h"

namespace zdb {
namespace {

// One merge transaction rewrites at most this much index data (or this many words):
// short enough that a reader's wait for it stays in the milliseconds.
constexpr size_t kMergeChunkBytes = 1u << 20;
constexpr size_t kMergeChunkWords = 2000;

class Collector : public WordVisitor {
public:
    Collector(OccurrenceMap& out, int32_t id, int part,
              int field)
        : out_(out), id_(id), part_(static_cast<uint16_t>(part)), field_(static_cast<uint16_t>(field)) {}
    void word(std::string_view term, int, int, size_t, size_t, uint32_t ordinal) override {
        auto it = out_.find(term);
        if (it == out_.end()) it = out_.emplace(std::string(term), std::vector<Occurrence>{}).first;
        it->second.push_back(Occurrence{id_, part_, field_, ordinal});
    }

private:
    OccurrenceMap& out_;
    int32_t id_;
    uint16_t part_;
    uint16_t field_;
};

}  // namespace

Loader::Loader(Database& db) : db_(db) { db_.dropReadAhead(); }

Loader::~Loader() { abort(); }

int64_t Loader::scalar(const char* sql) {
    Statement stmt(db_.connection(), sql);
    return stmt.step() ? stmt.integer(0) : 0;
}

int64_t Loader::metaInteger(const char* key) {
    Statement stmt(db_.connection(), "SELECT CAST(value AS INTEGER) FROM meta WHERE key = ?");
    stmt.bind(1, std::string_view(key));
    return stmt.step() ? stmt.integer(0) : 0;
}

void Loader::setMeta(const char* key, int64_t value) {
    Statement stmt(db_.connection(), "INSERT OR REPLACE INTO meta(key, value) VALUES(?, ?)");
    stmt.bind(1, std::string_view(key)).bind(2, std::string_view(std::to_string(value))).run();
}

void Loader::begin() {
    transaction_ = std::make_unique<Transaction>(db_.connection(), true);
    segment_ = scalar("SELECT coalesce(max(seg), 0) + 1 FROM segment");
    // Read under the write lock: no merge can start or end until this batch commits.
    mergedUpto_ = metaInteger("merged_upto");
    mergedInto_ = metaInteger("merged_into");
    mergingUpto_ = metaInteger("merging_upto");
    mergingInto_ = metaInteger("merging_into");
    nextId_ = scalar("SELECT coalesce(max(id), 0) + 1 FROM record");
    wordDelta_ = 0;
    batchRecords_ = 0;
    batchIds_.clear();
    occurrences_.clear();
    values_.clear();
}

void Loader::abort() {
    transaction_.reset();
    batchIds_.clear();
    occurrences_.clear();
    values_.clear();
}

void Loader::forget(int32_t id) {
    Statement& old = db_.cached("SELECT seg, words, parts, data FROM record WHERE id = ?");
    old.bind(1, id);
    if (!old.step()) return;
    int64_t segment = old.integer(0);
    if (segment <= mergedUpto_) segment = mergedInto_;
    wordDelta_ -= old.integer(1);
    RecordContent previous = decodeRecord(id, static_cast<int>(old.integer(2)), old.bytes(3), db_.name());
    old.reset();
    db_.cached("INSERT OR IGNORE INTO stale(seg, id) VALUES(?, ?)").bind(1, segment).bind(2, id).run();
    // A merge in progress may have copied the record's rows for some words already.
    if (mergingInto_ && segment <= mergingUpto_)
        db_.cached("INSERT OR IGNORE INTO stale(seg, id) VALUES(?, ?)").bind(1, mergingInto_).bind(2, id).run();
    db_.cached("DELETE FROM record WHERE id = ?").bind(1, id).run();
    db_.cached("DELETE FROM blob WHERE id = ?").bind(1, id).run();
    // Value rows are found by their key from the old content: an index on the record
    // id alone would cost every load a second b-tree insert per value.
    Statement& value = db_.cached("DELETE FROM value WHERE field = ? AND v = ? AND id = ? AND part = ? AND item = ?");
    for (const FieldContent& content : previous.fields) {
        const Field* field = db_.schema().byNumber(content.field);
        if (!field || !field->isValueField()) continue;
        for (const auto& items : content.paragraphs)
            for (size_t i = 0; i < items.size(); ++i) {
                auto parsed = parseFieldValue(field->type, items[i]);
                if (!parsed) continue;
                value.reset();
                value.bind(1, field->number);
                bindValue(value, 2, *parsed);
                value.bind(3, id).bind(4, content.part).bind(5, static_cast<int>(i)).run();
            }
    }
}

bool Loader::remove(int32_t id) {
    if (batchIds_.count(id)) {
        commit();
        begin();
    }
    if (!db_.recordExists(id)) return false;
    forget(id);
    return true;
}

void Loader::indexRecord(const RecordContent& content, uint32_t& words) {
    for (const FieldContent& fieldContent : content.fields) {
        const Field* field = db_.schema().byNumber(fieldContent.field);
        if (!field || !field->isWordField()) continue;
        Collector collector(occurrences_, content.id, fieldContent.part, fieldContent.field);
        words += visitWords(fieldContent, collector);
    }
}

void Loader::writeValues(const RecordContent& content) {
    for (const FieldContent& fieldContent : content.fields) {
        const Field* field = db_.schema().byNumber(fieldContent.field);
        if (!field || !field->isValueField()) continue;
        for (const auto& items : fieldContent.paragraphs) {
            for (size_t i = 0; i < items.size(); ++i) {
                auto value = parseFieldValue(field->type, items[i]);
                if (!value) throw EngineError(kInvalidValue, items[i]);
                values_.push_back(ValueRow{field->number, std::move(*value), content.id,
                                           fieldContent.part, static_cast<int>(i)});
            }
        }
    }
}

void Loader::flushValues() {
    std::sort(values_.begin(), values_.end(), [](const ValueRow& a, const ValueRow& b) {
        if (a.field != b.field) return a.field < b.field;
        int c = compareValues(a.value, b.value);
        if (c != 0) return c < 0;
        return a.id < b.id;
    });
    Statement& insert =
        db_.cached("INSERT OR IGNORE INTO value(field, v, id, part, item) VALUES(?, ?, ?, ?, ?)");
    for (const ValueRow& row : values_) {
        insert.reset();
        insert.bind(1, row.field);
        bindValue(insert, 2, row.value);
        insert.bind(3, row.id).bind(4, row.part).bind(5, row.item);
        insert.run();
    }
    values_.clear();
}

int32_t Loader::add(InputRecord& record) {
    if (!transaction_) begin();
    int64_t id = record.id > 0 ? record.id : nextId_;
    if (id > INT32_MAX) throw EngineError(kInvalidValue, std::to_string(id));
    auto key = static_cast<int32_t>(id);
    if (batchIds_.count(key)) {
        commit();
        begin();
    }
    forget(key);
    record.content.id = key;
    uint32_t words = 0;
    indexRecord(record.content, words);
    writeValues(record.content);
    Statement& insert =
        db_.cached("INSERT INTO record(id, seg, parts, words, data) VALUES(?, ?, ?, ?, ?)");
    insert.bind(1, key).bind(2, segment_).bind(3, record.content.parts).bind(4, static_cast<int64_t>(words));
    insert.bindBlob(5, encodeRecord(record.content)).run();
    for (const InputBlob& blob : record.blobs) {
        Statement& put =
            db_.cached("INSERT INTO blob(id, part, field, type, content) VALUES(?, ?, ?, ?, ?)");
        put.bind(1, key).bind(2, blob.part).bind(3, blob.field).bind(4, std::string_view(blob.type));
        put.bindBlob(5, blob.bytes).run();
    }
    wordDelta_ += words;
    batchIds_.insert(key);
    nextId_ = std::max<int64_t>(nextId_, id + 1);
    ++batchRecords_;
    return key;
}

void Loader::commit() {
    if (!transaction_) return;
    flushValues();
    Statement& insert = db_.cached(
        "INSERT INTO posting(term, seg, records, hits, last, fields, ids, counts, places) VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    // Writing the words in order keeps the index b-tree appends sequential.
    std::vector<std::pair<const std::string*, std::vector<Occurrence>*>> terms;
    terms.reserve(occurrences_.size());
    for (auto& [term, list] : occurrences_) terms.emplace_back(&term, &list);
    std::sort(terms.begin(), terms.end(), [](auto& a, auto& b) { return *a.first < *b.first; });
    for (auto& [term, list] : terms) {
        if (!std::is_sorted(list->begin(), list->end())) std::sort(list->begin(), list->end());
        insert.reset();
        insert.bind(1, std::string_view(*term)).bind(2, segment_);
        bindPostingRow(insert, 3, encodePostings(*list));
        insert.run();
    }
    if (!occurrences_.empty()) {
        Statement segment(db_.connection(), "INSERT OR IGNORE INTO segment(seg) VALUES(?)");
        segment.bind(1, segment_).run();
    }
    Statement words(db_.connection(),
                    "UPDATE meta SET value = CAST(value AS INTEGER) + ? WHERE key = 'words'");
    words.bind(1, wordDelta_).run();
    // Checked inside the batch's transaction: a batch that breaks the hierarchy is
    // rolled back whole, like a batch with a bad record.
    if (db_.schema().isThesaurus()) checkThesaurus(db_);
    transaction_->commit();
    transaction_.reset();
    committed_ += batchRecords_;
    batchRecords_ = 0;
    batchIds_.clear();
    occurrences_.clear();
    db_.refresh();
}

void Loader::mergeIfNeeded(bool force) {
    int64_t segments = scalar("SELECT count(*) FROM segment");
    int64_t stale = scalar("SELECT count(*) FROM stale");
    int64_t records = scalar("SELECT count(*) FROM record");
    bool unfinished = metaInteger("merging_into") != 0;
    if (force || unfinished || segments > 8 || stale > std::max<int64_t>(1000, records / 10)) mergeAll();
}

void Loader::mergeAll() {
    int64_t upto = 0, into = 0;
    {
        // The target segment is reserved first, so batches loaded meanwhile index
        // into segments above it and stay out of this merge.
        Transaction transaction(db_.connection(), true);
        upto = metaInteger("merging_upto");
        into = metaInteger("merging_into");
        if (!into) {
            upto = scalar("SELECT coalesce(max(seg), 0) FROM segment");
            into = upto + 1;
            Statement segment(db_.connection(), "INSERT INTO segment(seg) VALUES(?)");
            segment.bind(1, into).run();
            setMeta("merging_upto", upto);
            setMeta("merging_into", into);
        }
        transaction.commit();
    }
    std::string after;
    while (mergeChunk(after, upto, into)) {}
    Transaction transaction(db_.connection(), true);
    Statement stale(db_.connection(), "DELETE FROM stale WHERE seg <= ?");
    stale.bind(1, upto).run();
    Statement segments(db_.connection(), "DELETE FROM segment WHERE seg <= ?");
    segments.bind(1, upto).run();
    setMeta("merged_upto", upto);
    setMeta("merged_into", into);
    db_.connection().exec("DELETE FROM meta WHERE key IN ('merging_upto', 'merging_into')");
    transaction.commit();
    db_.refresh();
}

bool Loader::mergeChunk(std::string& after, int64_t upto, int64_t into) {
    Transaction transaction(db_.connection(), true);
    db_.refresh();
    const StaleSet& superseded = db_.stale();
    // Whole words only, and each within one transaction: a reader sees either a word's
    // old rows or its merged row, never a mixture. Read first, write after, so the
    // rows are never changed under the statement that reads them.
    std::vector<std::pair<std::string, TermPostings>> words;
    size_t bytes = 0;
    {
        Statement read(db_.connection(),
                       "SELECT term, seg, records, hits, last, fields, ids, counts, places FROM posting "
                       "WHERE term > ? AND seg <= ? ORDER BY term, seg");
        read.bind(1, std::string_view(after)).bind(2, upto);
        while (read.step()) {
            std::string_view term = read.bytes(0);
            if (words.empty() || term != words.back().first) {
                if (bytes >= kMergeChunkBytes || words.size() >= kMergeChunkWords) break;
                words.emplace_back(std::string(term), TermPostings{});
            }
            PostingRow row{read.integer(1), read.integer(2), read.integer(3), read.integer(4), read.bytes(5),
                           read.bytes(6), read.bytes(7), read.bytes(8), &superseded};
            bytes += row.ids.size() + row.places.size();
            if (!decodePostings(row, words.back().second))
                throw EngineError(kDatabaseFormat, db_.name(), "damaged index row during merge");
        }
    }
    if (words.empty()) return false;
    Statement drop(db_.connection(), "DELETE FROM posting WHERE term = ? AND seg <= ?");
    Statement write(db_.connection(),
                    "INSERT INTO posting(term, seg, records, hits, last, fields, ids, counts, places) "
                    "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (auto& [term, postings] : words) {
        drop.reset();
        drop.bind(1, std::string_view(term)).bind(2, upto).run();
        sortPostings(postings);
        std::vector<Occurrence> list;
        for (const PostingEntry& entry : postings.entries)
            for (uint32_t k = 0; k < entry.count; ++k)
                list.push_back(Occurrence{entry.id, entry.part, entry.field,
                                          postings.ordinals[entry.ordinals + k]});
        if (list.empty()) continue;  // every place of the word was superseded
        write.reset();
        write.bind(1, std::string_view(term)).bind(2, into);
        bindPostingRow(write, 3, encodePostings(list));
        write.run();
    }
    transaction.commit();
    after = words.back().first;
    return true;
}

}  // namespace zdb
