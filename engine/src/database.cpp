// database.cpp - the SQLite layout of a database and its read operations.

#include "database.h"

#include <sys/stat.h>

#include <algorithm>

#include "codes.h"
#include "error.h"
#include "text_util.h"
#include "tokenizer.h"
#include "varint.h"

namespace zdb {
namespace {

// The most of a file a searching process maps (files are read, not mapped, past it).
constexpr const char* kReaderMapBytes = "PRAGMA mmap_size=1073741824";

// The word index (postings.h): a row's counts first, then its blocks in the order a
// search needs them, so that reading the ids of a long row never touches the pages
// of its places.
constexpr const char* kPostingLayout = R"sql(
CREATE TABLE posting(term TEXT NOT NULL, seg INTEGER NOT NULL, records INTEGER NOT NULL,
                     hits INTEGER NOT NULL, last INTEGER NOT NULL, fields BLOB NOT NULL,
                     ids BLOB NOT NULL, counts BLOB NOT NULL, places BLOB NOT NULL);
CREATE UNIQUE INDEX posting_key ON posting(term, seg);
)sql";

// The layout. `record.seg` is the load segment whose index rows describe the record;
// `stale` lists records that a later load replaced or a delete removed, until a
// merge drops their index rows. The rollback journal is set by the connection.
constexpr const char* kLayout = R"sql(
CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE field(number INTEGER PRIMARY KEY, name TEXT NOT NULL, type INTEGER NOT NULL,
                   flags INTEGER NOT NULL);
CREATE TABLE format(name TEXT PRIMARY KEY, template TEXT NOT NULL);
CREATE TABLE record(id INTEGER PRIMARY KEY, seg INTEGER NOT NULL, parts INTEGER NOT NULL,
                    words INTEGER NOT NULL, data BLOB NOT NULL);
CREATE TABLE blob(id INTEGER NOT NULL, part INTEGER NOT NULL, field INTEGER NOT NULL,
                  type TEXT NOT NULL, content BLOB NOT NULL);
CREATE UNIQUE INDEX blob_key ON blob(id, part, field);
CREATE TABLE value(field INTEGER NOT NULL, v NOT NULL, id INTEGER NOT NULL,
                   part INTEGER NOT NULL, item INTEGER NOT NULL,
                   PRIMARY KEY(field, v, id, part, item)) WITHOUT ROWID;
CREATE TABLE segment(seg INTEGER PRIMARY KEY);
CREATE TABLE stale(seg INTEGER NOT NULL, id INTEGER NOT NULL, PRIMARY KEY(seg, id)) WITHOUT ROWID;
)sql";

// True when something exists at `path`.
bool fileExists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

}  // namespace

void bindValue(Statement& stmt, int index, const FieldValue& value) {
    switch (value.kind) {
    case FieldValue::Kind::Integer: stmt.bind(index, value.integer); break;
    case FieldValue::Kind::Real: stmt.bind(index, value.real); break;
    case FieldValue::Kind::Text: stmt.bind(index, std::string_view(value.key)); break;
    }
}

std::string Database::pathFor(const std::string& dataDir, const std::string& name) {
    std::string lower;
    for (char c : name) lower.push_back((c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c);
    return dataDir + "/" + lower + ".zdb";
}

void Database::create(const std::string& dataDir, const Schema& schema) {
    if (!isValidDatabaseName(schema.name)) throw EngineError(kUnknownDatabase, schema.name);
    std::string path = pathFor(dataDir, schema.name);
    if (fileExists(path))
        throw EngineError(kDatabaseReadOnly, schema.name, "database file exists: " + path);
    Connection connection(path, Connection::Mode::Create, schema.name, kWriterBusyMs);
    Transaction transaction(connection, true);
    connection.exec(kLayout);
    connection.exec(kPostingLayout);
    Statement meta(connection, "INSERT INTO meta(key, value) VALUES(?, ?)");
    auto put = [&](const char* key, const std::string& value) {
        meta.reset();
        meta.bind(1, std::string_view(key)).bind(2, std::string_view(value)).run();
    };
    put("format", std::to_string(kFormatVersion));
    put("name", schema.name);
    put("kind", schema.kind);
    put("words", "0");
    // The thesaurus roles by field number; a DATABASE has none.
    for (auto [key, number] : {std::pair{"term_field", schema.termField},
                               std::pair{"broader_field", schema.broaderField},
                               std::pair{"narrower_field", schema.narrowerField}})
        if (number) put(key, std::to_string(number));
    Statement field(connection, "INSERT INTO field(number, name, type, flags) VALUES(?, ?, ?, ?)");
    for (const Field& f : schema.fields) {
        field.reset();
        field.bind(1, f.number).bind(2, std::string_view(f.name)).bind(3, f.type).bind(4, f.flags);
        field.run();
    }
    Statement format(connection, "INSERT INTO format(name, template) VALUES(?, ?)");
    for (const auto& [name, text] : schema.formats) {
        format.reset();
        format.bind(1, std::string_view(name)).bind(2, std::string_view(text)).run();
    }
    transaction.commit();
}

std::shared_ptr<Database> Database::open(const std::string& dataDir, const std::string& name,
                                         bool writable) {
    if (!isValidDatabaseName(name)) throw EngineError(kUnknownDatabase, name);
    std::string path = pathFor(dataDir, name);
    if (!fileExists(path)) throw EngineError(kUnknownDatabase, name, "no file " + path);
    std::shared_ptr<Database> db(new Database());
    db->connection_ = std::make_unique<Connection>(
        path, writable ? Connection::Mode::ReadWrite : Connection::Mode::ReadOnly, name,
        writable ? kWriterBusyMs : kReaderBusyMs);
    // A searching process reads pages where the file maps them instead of copying each
    // into a page cache it allocates first: a gateway process lives for one request,
    // and every fresh page of cache costs it a page fault. SQLite remaps after a writer
    // changed the file, which it never truncates under a reader's lock.
    if (writable) db->connection_->exec("PRAGMA cache_size=-65536");
    else db->connection_->exec(kReaderMapBytes);
    db->loadSchema();
    if (writable && db->format_ == 1) db->upgradeIndex();
    return db;
}

void Database::upgradeIndex() {
    Transaction transaction(*connection_, true);
    connection_->exec("DROP INDEX posting_key; ALTER TABLE posting RENAME TO posting_format1");
    connection_->exec(kPostingLayout);
    {
        Statement read(*connection_, "SELECT term, seg, data FROM posting_format1 ORDER BY term, seg");
        Statement write(*connection_, "INSERT INTO posting(term, seg, records, hits, last, fields, ids, counts, places) "
                                      "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?)");
        EncodedRow row;
        while (read.step()) {
            if (!convertFormat1(read.bytes(2), row))
                throw EngineError(kDatabaseFormat, name(), "damaged index row of format 1 in " + name());
            write.reset();
            write.bind(1, read.bytes(0)).bind(2, read.integer(1));
            bindPostingRow(write, 3, row);
            write.run();
        }
    }
    connection_->exec("DROP TABLE posting_format1");
    Statement format(*connection_, "UPDATE meta SET value = ? WHERE key = 'format'");
    format.bind(1, std::string_view(std::to_string(kFormatVersion))).run();
    transaction.commit();
    format_ = kFormatVersion;
    upgradedFrom_ = 1;
}

void bindPostingRow(Statement& stmt, int first, const EncodedRow& row) {
    stmt.bind(first, row.records).bind(first + 1, row.hits).bind(first + 2, row.last);
    stmt.bindBlob(first + 3, row.fields).bindBlob(first + 4, row.ids).bindBlob(first + 5, row.counts);
    stmt.bindBlob(first + 6, row.places);
}

void Database::loadSchema() {
    Transaction transaction(*connection_, false);
    std::string format;
    {
        Statement meta(*connection_, "SELECT key, value FROM meta");
        while (meta.step()) {
            std::string key(meta.bytes(0));
            std::string value(meta.bytes(1));
            auto number = [&] { return std::atoi(value.c_str()); };
            if (key == "format") format = value;
            else if (key == "name") schema_.name = value;
            else if (key == "kind") schema_.kind = value;
            else if (key == "term_field") schema_.termField = number();
            else if (key == "broader_field") schema_.broaderField = number();
            else if (key == "narrower_field") schema_.narrowerField = number();
        }
    }
    // Format 1 kept no counts in its index rows; it is read by converting each row.
    if (format == "1") format_ = 1;
    else if (format == std::to_string(kFormatVersion)) format_ = kFormatVersion;
    if (format_ == 0 || schema_.name.empty())
        throw EngineError(kDatabaseFormat, connection_->name(),
                          connection_->name() + ": format '" + format + "' is not known");
    Statement fields(*connection_, "SELECT number, name, type, flags FROM field ORDER BY number");
    while (fields.step()) {
        Field field;
        field.number = static_cast<int>(fields.integer(0));
        field.name = std::string(fields.bytes(1));
        field.type = static_cast<int>(fields.integer(2));
        field.flags = static_cast<int>(fields.integer(3));
        if (field.number != static_cast<int>(schema_.fields.size()) + 1 || field.type < 1 ||
            field.type > 8)
            throw EngineError(kDatabaseFormat, connection_->name(), "bad field table");
        schema_.fields.push_back(std::move(field));
    }
    Statement formats(*connection_, "SELECT name, template FROM format ORDER BY name");
    while (formats.step())
        schema_.formats.emplace_back(std::string(formats.bytes(0)), std::string(formats.bytes(1)));
    transaction.commit();
}

Statement& Database::cached(std::string_view sql) {
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
        std::string text(sql);
        auto statement = std::make_unique<Statement>(*connection_, text.c_str());
        it = statements_.emplace(std::move(text), std::move(statement)).first;
    }
    it->second->reset();
    return *it->second;
}

int64_t Database::recordCount() {
    Statement stmt(*connection_, "SELECT count(*) FROM record");
    return stmt.step() ? stmt.integer(0) : 0;
}

int64_t Database::totalWords() {
    Statement stmt(*connection_, "SELECT value FROM meta WHERE key = 'words'");
    if (!stmt.step()) return 0;
    std::string text(stmt.bytes(0));
    return std::max<int64_t>(0, std::atoll(text.c_str()));
}

std::optional<RecordContent> Database::readRecord(int32_t id) {
    Statement& stmt = cached("SELECT parts, data FROM record WHERE id = ?");
    stmt.bind(1, id);
    if (!stmt.step()) return std::nullopt;
    RecordContent record = decodeRecord(id, static_cast<int>(stmt.integer(0)), stmt.bytes(1), name());
    stmt.reset();
    return record;
}

bool Database::takeReadAhead(int32_t id, std::optional<RecordContent>& record) {
    if (ahead_.empty()) return false;
    auto it = ahead_.find(id);
    if (it == ahead_.end()) return false;
    record = std::move(it->second);
    ahead_.erase(it);
    return true;
}

bool Database::recordExists(int32_t id) {
    Statement& stmt = cached("SELECT 1 FROM record WHERE id = ?");
    stmt.bind(1, id);
    bool found = stmt.step();
    stmt.reset();
    return found;
}

std::vector<int32_t> Database::allRecordIds() {
    std::vector<int32_t> ids;
    Statement stmt(*connection_, "SELECT id FROM record ORDER BY id");
    while (stmt.step()) ids.push_back(static_cast<int32_t>(stmt.integer(0)));
    return ids;
}

std::vector<uint32_t> Database::wordCounts(const std::vector<int32_t>& ids) {
    std::vector<uint32_t> counts(ids.size(), 0);
    if (ids.empty()) return counts;
    // A scan beats one lookup per record once the list is a good part of the file.
    if (ids.size() > 2000) {
        Statement stmt(*connection_, "SELECT id, words FROM record WHERE id BETWEEN ? AND ? ORDER BY id");
        stmt.bind(1, ids.front()).bind(2, ids.back());
        size_t i = 0;
        while (stmt.step() && i < ids.size()) {
            auto id = static_cast<int32_t>(stmt.integer(0));
            while (i < ids.size() && ids[i] < id) ++i;
            if (i < ids.size() && ids[i] == id) counts[i++] = static_cast<uint32_t>(stmt.integer(1));
        }
        return counts;
    }
    Statement stmt(*connection_, "SELECT words FROM record WHERE id = ?");
    for (size_t i = 0; i < ids.size(); ++i) {
        stmt.reset();
        stmt.bind(1, ids[i]);
        if (stmt.step()) counts[i] = static_cast<uint32_t>(stmt.integer(0));
    }
    return counts;
}

std::string Database::blobType(int32_t id, int part, int field) {
    Statement stmt(*connection_, "SELECT type FROM blob WHERE id = ? AND part = ? AND field = ?");
    stmt.bind(1, id).bind(2, part).bind(3, field);
    return stmt.step() ? std::string(stmt.bytes(0)) : std::string();
}

std::optional<BlobContent> Database::readBlob(int32_t id, int part, int field) {
    Statement stmt(*connection_, "SELECT type, content FROM blob WHERE id = ? AND part = ? AND field = ?");
    stmt.bind(1, id).bind(2, part).bind(3, field);
    if (!stmt.step()) return std::nullopt;
    return BlobContent{std::string(stmt.bytes(0)), std::string(stmt.bytes(1))};
}

const StaleSet& Database::stale() {
    if (!staleLoaded_) {
        stale_.clear();
        staleSegments_.clear();
        Statement& stmt = cached("SELECT seg, id FROM stale");
        while (stmt.step()) {
            stale_.insert(staleKey(stmt.integer(0), static_cast<int32_t>(stmt.integer(1))));
            staleSegments_.insert(stmt.integer(0));
        }
        stmt.reset();
        staleLoaded_ = true;
    }
    return stale_;
}

int64_t Database::mergedInto() {
    Statement& stmt = cached("SELECT value FROM meta WHERE key = 'merged_into'");
    int64_t into = 0;
    if (stmt.step()) into = std::atoll(std::string(stmt.bytes(0)).c_str());
    stmt.reset();
    return into;
}

const StaleSet* Database::staleIn(int64_t segment) {
    const StaleSet& superseded = stale();
    return staleSegments_.count(segment) ? &superseded : nullptr;
}

PostingRow Database::rowAt(const Statement& stmt, int first, RowBlocks blocks) {
    PostingRow row;
    row.segment = stmt.integer(first);
    row.records = stmt.integer(first + 1);
    row.hits = stmt.integer(first + 2);
    row.last = stmt.integer(first + 3);
    row.fields = stmt.bytes(first + 4);
    row.ids = stmt.bytes(first + 5);
    if (blocks != RowBlocks::Ids) row.counts = stmt.bytes(first + 7);
    if (blocks == RowBlocks::All) row.places = stmt.bytes(first + 8);
    row.stale = staleIn(row.segment);
    return row;
}

void Database::readPlaces(PostingRow& row, int64_t rowid) {
    if (format_ == 1 || !row.places.empty()) return;
    Statement& stmt = cached("SELECT places FROM posting WHERE rowid = ?");
    stmt.bind(1, rowid);
    if (!stmt.step()) throw EngineError(kDatabaseFormat, name(), "index row gone while read in " + name());
    row.places = stmt.bytes(0);  // valid until the statement is used again
}

const char* Database::rowsSql(RowBlocks blocks) const {
    if (format_ == 1) return "SELECT seg, data FROM posting WHERE term = ? ORDER BY seg";
    // The rowid comes from the index; counts and places only when asked for, since a
    // column read is a column's pages touched.
    switch (blocks) {
    case RowBlocks::Ids:
        return "SELECT seg, records, hits, last, fields, ids, rowid FROM posting WHERE term = ? ORDER BY seg";
    case RowBlocks::Counts:
        return "SELECT seg, records, hits, last, fields, ids, rowid, counts FROM posting WHERE term = ? ORDER BY seg";
    case RowBlocks::All: break;
    }
    return "SELECT seg, records, hits, last, fields, ids, rowid, counts, places FROM posting WHERE term = ? "
           "ORDER BY seg";
}

void Database::damaged() const {
    throw EngineError(kDatabaseFormat, name(), "damaged index row for a word in " + name());
}

TermPostings Database::postings(const std::string& term, bool withOrdinals) {
    TermPostings out;
    int rows = 0;
    forEachRow(term, RowBlocks::All, [&](PostingRow& row, int64_t) {
        out.entries.reserve(out.entries.size() + static_cast<size_t>(std::max<int64_t>(row.records, 0)));
        if (!decodePostings(row, out, withOrdinals)) damaged();
        ++rows;
    });
    if (rows > 1) sortPostings(out);
    return out;
}

RecordHits Database::recordHits(const std::string& term, const std::bitset<256>& fields,
                                bool withCounts) {
    RecordHits out;
    out.hasCounts = withCounts;
    // Each row is in id order; so are the rows of a load that replaced nothing.
    bool inOrder = true;
    const RowBlocks blocks = withCounts || !stale().empty() ? RowBlocks::Counts : RowBlocks::Ids;
    forEachRow(term, blocks, [&](PostingRow& row, int64_t rowid) {
        size_t before = out.ids->size();
        if (!rowWithin(row, fields)) readPlaces(row, rowid);
        if (!decodeRecordHits(row, fields, out)) damaged();
        const std::vector<int32_t>& ids = *out.ids;
        if (before > 0 && ids.size() > before && ids[before] <= ids[before - 1]) inOrder = false;
    });
    if (!inOrder) sortRecordHits(out);
    return out;
}

std::optional<Database::PlainWord> Database::plainWord(const std::string& term,
                                                      const std::bitset<256>& fields) {
    if (format_ == 1) return std::nullopt;
    std::string steps;
    int64_t count = 0, hits = 0, last = 0;
    bool plain = true;
    forEachRow(term, RowBlocks::Ids, [&](PostingRow& row, int64_t) {
        if (!plain) return;
        if (row.stale || !rowWithin(row, fields)) {
            plain = false;
            return;
        }
        // The steps of each row begin at 0: the first is made a step from the last row's end.
        uint64_t first = 0;
        size_t pos = 0;
        if (row.records <= 0 || row.last > INT32_MAX || !getVarint(row.ids, pos, first) || first == 0 ||
            static_cast<int64_t>(first) > row.last)
            damaged();
        if (static_cast<int64_t>(first) <= last) {
            plain = false;  // a later load added lower ids: the rows need sorting
            return;
        }
        putVarint(steps, static_cast<uint64_t>(static_cast<int64_t>(first) - last));
        steps.append(row.ids.substr(pos));
        count += row.records;
        hits += row.hits;
        last = row.last;
    });
    if (!plain) return std::nullopt;
    return PlainWord{std::make_shared<const PackedIds>(std::move(steps), static_cast<size_t>(count),
                                                       static_cast<int32_t>(last), name()),
                     hits};
}

std::vector<std::string> Database::termsWithPrefix(const std::string& prefix, size_t limit) {
    std::vector<std::string> terms;
    // The range [prefix, prefix + U+10FFFF) holds exactly the words with that prefix.
    std::string upper = prefix + "\xF4\x8F\xBF\xBF";
    Statement stmt(*connection_,
                   "SELECT DISTINCT term FROM posting WHERE term >= ? AND term < ? ORDER BY term");
    stmt.bind(1, std::string_view(prefix)).bind(2, std::string_view(upper));
    while (stmt.step() && terms.size() <= limit) terms.emplace_back(stmt.bytes(0));
    return terms;
}

std::vector<std::pair<std::string, int64_t>> Database::termCounts(const std::string& start,
                                                                  const std::bitset<256>& fields,
                                                                  size_t limit) {
    std::vector<std::pair<std::string, int64_t>> terms;
    // Index rows only, in (term, seg) order: one range scan, never a record's text, and
    // of a row mostly its counts.
    Statement& stmt = cached(format_ == 1
                                 ? "SELECT term, seg, data FROM posting WHERE term >= ? ORDER BY term, seg"
                                 : "SELECT term, seg, records, hits, last, fields, ids, rowid FROM posting "
                                   "WHERE term >= ? ORDER BY term, seg");
    stmt.bind(1, std::string_view(start));
    std::string current;
    int64_t records = 0;
    auto finish = [&]() {
        if (records > 0) terms.emplace_back(current, records);
    };
    EncodedRow converted;
    while (stmt.step()) {
        std::string_view term = stmt.bytes(0);
        if (term != current) {
            finish();
            if (terms.size() >= limit) break;
            current = std::string(term);
            records = 0;
        }
        PostingRow row;
        if (format_ == 1) {
            if (!convertFormat1(stmt.bytes(2), converted)) damaged();
            row = converted.view(stmt.integer(1));
            row.stale = staleIn(row.segment);
        } else {
            row = rowAt(stmt, 1, RowBlocks::Ids);
            if (!rowWithin(row, fields)) readPlaces(row, stmt.integer(7));
        }
        int64_t count = countPostingRecords(row, fields);
        if (count < 0) damaged();
        records += count;
    }
    if (terms.size() < limit) finish();
    stmt.reset();
    return terms;
}

std::vector<ValueMatch> Database::matchValues(int field, CompareOp op, const FieldValue& value) {
    const char* sql = nullptr;
    switch (op) {
    case CompareOp::Equal: sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v = ?2"; break;
    case CompareOp::NotEqual: sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v <> ?2"; break;
    case CompareOp::Less: sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v < ?2"; break;
    case CompareOp::LessEqual: sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v <= ?2"; break;
    case CompareOp::Greater: sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v > ?2"; break;
    case CompareOp::GreaterEqual: sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v >= ?2"; break;
    case CompareOp::Prefix:
        sql = "SELECT id, part, item FROM value WHERE field = ?1 AND v >= ?2 AND v < ?2 || x'F48FBFBF'";
        break;
    }
    Statement stmt(*connection_, sql);
    stmt.bind(1, field);
    bindValue(stmt, 2, value);
    std::vector<ValueMatch> matches;
    while (stmt.step())
        matches.push_back(ValueMatch{static_cast<int32_t>(stmt.integer(0)),
                                     static_cast<int32_t>(stmt.integer(1)),
                                     static_cast<int32_t>(stmt.integer(2))});
    std::sort(matches.begin(), matches.end());
    return matches;
}

std::vector<std::optional<FieldValue>> Database::firstValues(int field,
                                                             const std::vector<int32_t>& ids) {
    std::vector<std::optional<FieldValue>> values(ids.size());
    const Field* info = schema_.byNumber(field);
    if (!info) return values;
    for (size_t i = 0; i < ids.size(); ++i) {
        auto record = readRecord(ids[i]);
        if (!record) continue;
        const FieldContent* content = record->find(0, field);
        if (!content) continue;
        for (const auto& items : content->paragraphs) {
            if (items.empty()) continue;
            if (info->isValueField()) {
                values[i] = parseFieldValue(info->type, items.front());
            } else {
                FieldValue text;
                text.kind = FieldValue::Kind::Text;
                text.key = foldedKey(items.front());
                text.text = items.front();
                values[i] = std::move(text);
            }
            break;
        }
    }
    return values;
}

}  // namespace zdb
