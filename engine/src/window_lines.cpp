// window_lines.cpp - record lines from formats, and their wrapping.

#include "window_lines.h"

#include <algorithm>

#include "codes.h"
#include "error.h"
#include "session_text.h"
#include "text_util.h"

namespace zdb {
namespace {

// Longest line of one record: a format that names a long text field wraps into at
// most this much, so a page never costs more than its records' first 64 KiB.
constexpr size_t kMaxRecordLineBytes = 65536;

// Appends field `number` of `record` (every part, for a part field) to `line`.
void appendField(const Schema& schema, const RecordContent& record, const std::vector<HitWord>& hits,
                 int number, FieldText& line) {
    const Field* field = schema.byNumber(number);
    if (!field || field->type == ZDB_FIELD_BLOB) return;
    int first = field->isPart() ? 1 : 0;
    int last = field->isPart() ? record.parts : 0;
    bool any = false;
    for (int part = first; part <= last; ++part) {
        FieldText text = fieldText(record, part, number, hits, "; ");
        if (text.text.empty()) continue;
        if (any) line.text += "; ";
        any = true;
        size_t base = line.text.size();
        line.text += text.text;
        for (const TextRange& hit : text.hits) line.hits.push_back(TextRange{base + hit.start, base + hit.end});
    }
}

// Appends a field named in a format; a name that this database lacks gives nothing.
void appendNamed(const Schema& schema, const RecordContent& record, const std::vector<HitWord>& hits,
                 std::string_view name, FieldText& line) {
    if (const Field* field = schema.find(name)) appendField(schema, record, hits, field->number, line);
}

// The field of the default line: the first PHRASE field, else the first TEXT field.
int defaultField(const Schema& schema) {
    for (int type : {ZDB_FIELD_PHRASE, ZDB_FIELD_TEXT})
        for (const Field& field : schema.fields)
            if (field.type == type) return field.number;
    return 0;
}

// Fills `line` from template `text`: "{NAME}" stands for field NAME, "{{" for "{".
void applyTemplate(const Schema& schema, const RecordContent& record, const std::vector<HitWord>& hits,
                   std::string_view text, FieldText& line) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '{') {
            line.text.push_back(text[i]);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '{') {
            line.text.push_back('{');
            ++i;
            continue;
        }
        size_t close = text.find('}', i);
        if (close == std::string_view::npos) {
            line.text.append(text.substr(i));
            break;
        }
        appendNamed(schema, record, hits, text.substr(i + 1, close - i - 1), line);
        i = close;
    }
}

// Cuts `line` to at most kMaxRecordLineBytes at a character boundary.
void capLine(FieldText& line) {
    if (line.text.size() <= kMaxRecordLineBytes) return;
    size_t cut = kMaxRecordLineBytes;
    while (cut > 0 && (static_cast<unsigned char>(line.text[cut]) & 0xC0) == 0x80) --cut;
    line.text.resize(cut);
    std::erase_if(line.hits, [&](const TextRange& hit) { return hit.end > cut; });
}

}  // namespace

LineFormat parseLineFormat(std::string_view text, const std::vector<std::shared_ptr<Database>>& dbs) {
    LineFormat format;
    text = trim(text);
    if (text.empty()) return format;
    if (text.size() > 2 && (text[0] == 'f' || text[0] == 'F') && text[1] == '=') {
        format.kind = LineFormat::Kind::Named;
        format.name = std::string(trim(text.substr(2)));
        bool known = std::any_of(dbs.begin(), dbs.end(),
                                 [&](const auto& db) { return db->schema().format(format.name) != nullptr; });
        if (!known) throw EngineError(kUnknownFormat, format.name);
        return format;
    }
    format.kind = LineFormat::Kind::Fields;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of(" ,\t", i);
        if (end == std::string_view::npos) end = text.size();
        std::string name(text.substr(i, end - i));
        i = end + 1;
        if (name.empty()) continue;
        bool known = std::any_of(dbs.begin(), dbs.end(), [&](const auto& db) { return db->schema().find(name); });
        if (!known) throw EngineError(kUnknownField, name);
        format.fields.push_back(std::move(name));
    }
    return format;
}

FieldText recordLine(const Schema& schema, const RecordContent& record, const std::vector<HitWord>& hits,
                     const LineFormat& format, size_t number) {
    FieldText line;
    const std::string* named = format.kind == LineFormat::Kind::Named ? schema.format(format.name) : nullptr;
    if (named) {
        applyTemplate(schema, record, hits, *named, line);
    } else if (format.kind == LineFormat::Kind::Fields) {
        for (const std::string& name : format.fields) {
            if (!line.text.empty()) line.text += " - ";
            appendNamed(schema, record, hits, name, line);
        }
    } else {
        // The default line, also for a database of a cluster that lacks the named format.
        line.text = std::to_string(number) + " ";
        if (int field = defaultField(schema)) appendField(schema, record, hits, field, line);
    }
    // A line holds no line ends or tabs: the caller writes each line with one.
    for (char& c : line.text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    capLine(line);
    return line;
}

std::vector<WindowLine> wrapLine(const FieldText& line, const Charset& charset, int columns) {
    std::vector<size_t> cuts = characterBoundaries(line.text);
    SessionText session = toSessionText(charset, line.text, cuts);
    const std::vector<size_t>& at = session.offsets;   // at[k]: session offset of cut k
    auto indexOf = [&](size_t utf8) {
        return static_cast<size_t>(std::lower_bound(cuts.begin(), cuts.end(), utf8) - cuts.begin());
    };
    auto width = static_cast<size_t>(columns);
    std::vector<WindowLine> out;
    auto emit = [&](size_t from, size_t to) {
        WindowLine piece;
        piece.text = session.text.substr(at[from], at[to] - at[from]);
        for (const TextRange& hit : line.hits) {
            size_t start = std::max(indexOf(hit.start), from);
            size_t end = std::min(indexOf(hit.end), to);
            if (start >= end) continue;
            piece.hits.emplace_back(static_cast<int>(at[start] - at[from] + 1),
                                    static_cast<int>(at[end] - at[start]));
        }
        out.push_back(std::move(piece));
    };
    size_t last = cuts.size() - 1;
    size_t from = 0;
    while (true) {
        if (at[last] - at[from] <= width) {
            emit(from, last);
            break;
        }
        size_t to = static_cast<size_t>(std::upper_bound(at.begin() + static_cast<long>(from), at.end(),
                                                         at[from] + width) - at.begin()) - 1;
        if (to == from) {
            ++from;  // one character wider than the whole window: left out
            continue;
        }
        // Break at the last blank that the line reaches (the blank itself is dropped),
        // else after the last character that fits.
        size_t blank = to;
        while (blank > from && line.text[cuts[blank]] != ' ') --blank;
        if (blank > from) {
            emit(from, blank);
            from = blank + 1;
        } else {
            emit(from, to);
            from = to;
        }
    }
    return out;
}

}  // namespace zdb
