// database.cpp - the SQLite layout of a database and its read operations.

#include "database.h"

#include <sys/stat.h>

#include <algorithm>

#include "codes.h"
#include "error.h"
#include "text_util.h"
#include "tokenizer.h"

namespace zdb {
namespace {

// The most of a file a searching process maps (files are read, not mapped, past it).
constexpr const char* kReaderMapBytes = "PRAGMA mmap_size=1073741824";

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
CREATE TABLE posting(term TEXT NOT NULL, seg INTEGER NOT NULL, data BLOB NOT NULL);
CREATE UNIQUE INDEX posting_key ON posting(term, seg);
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
    return db;
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
    if (format != std::to_string(kFormatVersion) || schema_.name.empty())
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
        Statement& stmt = cached("SELECT seg, id FROM stale");
        while (stmt.step())
            stale_.insert(staleKey(stmt.integer(0), static_cast<int32_t>(stmt.integer(1))));
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

// The bytes of the index rows of `term`, read from the row headers, not the data.
size_t Database::postingBytes(const std::string& term) {
    Statement& size = cached("SELECT coalesce(sum(length(data)), 0) FROM posting WHERE term = ?");
    size.bind(1, std::string_view(term));
    auto bytes = static_cast<size_t>(size.step() ? size.integer(0) : 0);
    size.reset();
    return bytes;
}

TermPostings Database::postings(const std::string& term, bool withOrdinals) {
    TermPostings out;
    const StaleSet& superseded = stale();
    // One allocation of the largest size the rows can need (an entry takes at least five
    // bytes, an ordinal one): a growing vector would copy itself again and again.
    size_t bytes = postingBytes(term);
    out.entries.reserve(bytes / 5 + 1);
    if (withOrdinals) out.ordinals.reserve(bytes);
    Statement& stmt = cached("SELECT seg, data FROM posting WHERE term = ? ORDER BY seg");
    stmt.bind(1, std::string_view(term));
    int rows = 0;
    while (stmt.step()) {
        if (!decodePostings(stmt.bytes(1), stmt.integer(0), superseded, out, withOrdinals))
            throw EngineError(kDatabaseFormat, name(), "damaged index row for a word in " + name());
        ++rows;
    }
    if (rows > 1) sortPostings(out);
    return out;
}

RecordHits Database::recordHits(const std::string& term, const std::bitset<256>& fields,
                                bool withCounts) {
    RecordHits out;
    out.hasCounts = withCounts;
    const StaleSet& superseded = stale();
    // At most one record per five bytes; pages reserved but never written cost nothing.
    size_t bytes = postingBytes(term);
    out.ids->reserve(bytes / 5 + 1);
    if (withCounts) out.counts.reserve(bytes / 5 + 1);
    Statement& stmt = cached("SELECT seg, data FROM posting WHERE term = ? ORDER BY seg");
    stmt.bind(1, std::string_view(term));
    // Each row is in id order; so are the rows of a load that replaced nothing.
    bool inOrder = true;
    while (stmt.step()) {
        size_t before = out.ids->size();
        if (!decodeRecordHits(stmt.bytes(1), stmt.integer(0), superseded, fields, out))
            throw EngineError(kDatabaseFormat, name(), "damaged index row for a word in " + name());
        const std::vector<int32_t>& ids = *out.ids;
        if (before > 0 && ids.size() > before && ids[before] <= ids[before - 1]) inOrder = false;
    }
    if (!inOrder) sortRecordHits(out);
    return out;
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
    const StaleSet& superseded = stale();
    // Index rows only, in (term, seg) order: one range scan, never a record's text.
    Statement& stmt = cached("SELECT term, seg, data FROM posting WHERE term >= ? ORDER BY term, seg");
    stmt.bind(1, std::string_view(start));
    std::string current;
    int64_t records = 0;
    auto finish = [&]() {
        if (records > 0) terms.emplace_back(current, records);
    };
    while (stmt.step()) {
        std::string_view term = stmt.bytes(0);
        if (term != current) {
            finish();
            if (terms.size() >= limit) break;
            current = std::string(term);
            records = 0;
        }
        int64_t count = countPostingRecords(stmt.bytes(2), stmt.integer(1), superseded, fields);
        if (count < 0) throw EngineError(kDatabaseFormat, name(), "damaged index row for a word in " + name());
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
