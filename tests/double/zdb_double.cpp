// zdb_double.cpp - the calls of zdb.h answered from the test's script.
// Every out-buffer is written within the size the caller declares, so the double
// itself can never be the cause of an overflow that a test reports.

#include "zdb_double.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <unistd.h>

extern char** environ;

namespace zdbdouble {
namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

std::string argText(const char* text) { return text ? std::string(text) : std::string("(null)"); }
std::string argText(const std::string& text) { return text; }
std::string argText(int value) { return std::to_string(value); }

// Appends "name(a,b,...)" to the log.
template <class... Args>
void logCall(const char* name, const Args&... args) {
    std::string entry = std::string(name) + "(";
    bool first = true;
    ((entry += (first ? "" : ","), entry += argText(args), first = false), ...);
    entry += ")";
    engine().log.push_back(std::move(entry));
}

// The scripted code of call `name`, or `fallback`; remembered for ZdbRetCode.
int resultOf(const char* name, int fallback) {
    auto it = engine().results.find(name);
    int code = it == engine().results.end() ? fallback : it->second;
    engine().lastCode = code;
    return code;
}

// Copies text into buffer of `size` bytes, NUL-terminated, cut to fit; its length.
int copyOut(const std::string& text, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    auto n = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

// Order type of a command as the real engine reports it, from its first word.
int orderTypeOf(std::string_view command) {
    auto start = command.find_first_not_of(' ');
    if (start == std::string_view::npos) return 0;
    auto end = command.find_first_of(" =", start);
    std::string word = upper(command.substr(start, end == std::string_view::npos ? end : end - start));
    static const std::map<std::string, int> types = {
        {"BASE", ZDB_ORDER_BASE},     {"FIND", ZDB_ORDER_FIND},     {"FUZZY", ZDB_ORDER_FUZZY},
        {"DISPLAY", ZDB_ORDER_DISPLAY}, {"SHOW", ZDB_ORDER_SHOW},   {"FORWARD", ZDB_ORDER_SHOW},
        {"DELETE", ZDB_ORDER_DELETE}, {"DEFINE", ZDB_ORDER_DEFINE}};
    auto it = types.find(word);
    return it == types.end() ? 0 : it->second;
}

// Remembers the base that a successful BASE command opened, as the engine would.
void noteBase(std::string_view command) {
    auto start = command.find_first_not_of(' ');
    if (start == std::string_view::npos || upper(command.substr(start, 4)) != "BASE") return;
    std::string_view rest = command.substr(start + 4);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(' ')));
    if (upper(rest.substr(0, 9)) == "TMPCLUST=") rest.remove_prefix(9);
    Engine& e = engine();
    e.currentBaseCount = static_cast<int>(std::count(rest.begin(), rest.end(), ',')) + 1;
    // A database by the name its schema gives it (upper case, as zoltdb makes them); a
    // cluster by its list as written.
    e.currentBase = e.currentBaseCount == 1 ? upper(rest) : std::string(rest);
}

// Opaque record controls: real objects, so that a leak shows under LeakSanitizer
// and a double delete under AddressSanitizer.
std::set<ZdbRecordControlData*>& recordControls() {
    static std::set<ZdbRecordControlData*> live;
    return live;
}

}  // namespace
}  // namespace zdbdouble

struct ZdbRecordControlData {
    std::optional<zdbdouble::Record> record;  // the current record, once one was read
    std::size_t nextHit = 0;                  // hit words given so far
};

// A cursor over the current record of a record control, as the engine keeps one.
struct ZdbCursorData {
    ZdbRecordControlData* rc = nullptr;
    int field = 0, paragraph = 0, item = 0;
    std::size_t offset = 0;  // bytes of the item given so far
};

namespace zdbdouble {

namespace {

// Cursors handed out, owned here until the next reset.
std::vector<std::unique_ptr<ZdbCursorData>>& cursors() {
    static std::vector<std::unique_ptr<ZdbCursorData>> live;
    return live;
}

// True when the test scripted a code for call `name` (it wins over any content).
bool scripted(const char* name) { return engine().results.count(name) != 0; }

// The record control's current record, or null (also for a control already deleted).
const Record* recordOf(ZdbRecordControl rc) {
    if (!rc || recordControls().count(rc) == 0 || !rc->record) return nullptr;
    return &*rc->record;
}

const Field* fieldByNumber(const Record& record, int number) {
    for (const auto& [name, field] : record.fields)
        if (field.number == number) return &field;
    return nullptr;
}

const Field* fieldByName(const Record& record, std::string_view name) {
    for (const auto& [fieldName, field] : record.fields)
        if (upper(fieldName) == upper(name)) return &field;
    return nullptr;
}

// The item at the cursor, or null when there is none.
const std::string* itemAt(const ZdbCursorData& cursor) {
    const Record* record = recordOf(cursor.rc);
    const Field* field = record ? fieldByNumber(*record, cursor.field) : nullptr;
    if (!field) return nullptr;
    int paragraph = field->type == ZDB_FIELD_TEXT && cursor.paragraph == 0 ? 1 : cursor.paragraph;
    auto items = field->paragraphs.find(paragraph);
    if (items == field->paragraphs.end() || cursor.item < 0 ||
        cursor.item >= static_cast<int>(items->second.size()))
        return nullptr;
    return &items->second[static_cast<std::size_t>(cursor.item)];
}

// The cursor at *handle, made when there is none yet, following record control rc.
ZdbCursorData& cursorFor(ZdbCursor* handle, ZdbRecordControl rc) {
    if (!*handle) {
        cursors().push_back(std::make_unique<ZdbCursorData>());
        *handle = cursors().back().get();
    }
    (*handle)->rc = rc;
    return **handle;
}

// The record at position |n| (from 1) of a list, or null.
const Record* recordAtPosition(const std::vector<Record>& list, int n) {
    long long position = n < 0 ? -static_cast<long long>(n) : n;
    if (position < 1 || position > static_cast<long long>(list.size())) return nullptr;
    return &list[static_cast<std::size_t>(position - 1)];
}

// Makes `record` current in rc and gives its id and database, as both record calls do.
int readRecord(ZdbRecordControl rc, const Record* record, int* recordId, char* database) {
    if (!record) {
        if (rc && recordControls().count(rc)) rc->record.reset();
        return engine().lastCode = 0;
    }
    if (rc && recordControls().count(rc)) {
        rc->record = *record;
        rc->nextHit = 0;
    }
    if (recordId) *recordId = record->id;
    copyOut(record->database, database, ZDB_DATABASE_NAME_SIZE);
    return engine().lastCode = record->code;
}

// The window page being shown, or null.
const WindowPage* shownPage() {
    Engine& e = engine();
    if (e.windowPage < 0 || e.windowPage >= static_cast<int>(e.windowPages.size())) return nullptr;
    return &e.windowPages[static_cast<std::size_t>(e.windowPage)];
}

}  // namespace

Field phraseField(int number, std::vector<std::string> items) {
    Field field;
    field.number = number;
    field.type = ZDB_FIELD_PHRASE;
    field.paragraphs[0] = std::move(items);
    return field;
}

Field textField(int number, std::vector<std::vector<std::string>> paragraphs) {
    Field field;
    field.number = number;
    field.type = ZDB_FIELD_TEXT;
    for (std::size_t i = 0; i < paragraphs.size(); ++i)
        field.paragraphs[static_cast<int>(i) + 1] = std::move(paragraphs[i]);
    return field;
}

std::map<std::string, std::string> defaultShellSymbols() {
    return {{"FIN", "FIND"},   {"FUZ", "FUZZY"},  {"DIS", "DISPLAY"},   {"SHO", "SHOW"},
            {"SCF", "FORWARD"}, {"BAS", "BASE"},  {"DEL", "DELETE"},    {"SXX", "S"},
            {"FRL", "FROM"},   {"RXX", "R"},      {"SOR", "SORT"},      {"AND", "AND"},
            {"ORX", "OR"},     {"NOT", "NOT"},    {"DEF", "DEFINE"},    {"FVW", "FIELDVIEW"},
            {"TPH", "TPH"},    {"TXT", "TEXT"},   {"PHR", "PHRASE"},    {"SAV", "SAVE"}};
}

Engine& engine() {
    static Engine instance;
    return instance;
}

void Engine::reset() {
    for (auto* rc : recordControls()) delete rc;
    recordControls().clear();
    cursors().clear();
    // Texts that QueryRCS handed out stay valid for the process, as the engine's do.
    std::deque<std::string> handedOut = std::move(rcsHandedOut);
    *this = Engine();
    rcsHandedOut = std::move(handedOut);
}

void Engine::answer(const std::string& text, Answer reply) { commands[text].push_back(std::move(reply)); }

std::vector<std::string> Engine::callsNamed(std::string_view name) const {
    std::vector<std::string> out;
    for (const auto& entry : log)
        if (entry.compare(0, name.size(), name) == 0 && entry.size() > name.size() &&
            entry[name.size()] == '(')
            out.push_back(entry);
    return out;
}

}  // namespace zdbdouble

using zdbdouble::engine;
using zdbdouble::logCall;
using zdbdouble::resultOf;

extern "C" {

// ---- Session ----

int ZdbVersion(char* text, int* length) {
    logCall("ZdbVersion");
    int size = length ? *length : 0;
    int n = zdbdouble::copyOut(engine().version, text, size);
    if (length) *length = n;
    return engine().lastCode = ZDB_OK;
}

int ZdbStartZolt(const char* user, const char* password, int language, int charset) {
    logCall("ZdbStartZolt", user, password, language, charset);
    return engine().lastCode = engine().startResult;
}

int ZdbDefineWindow(int window, int rows, int columns) {
    logCall("ZdbDefineWindow", window, rows, columns);
    int code = resultOf("ZdbDefineWindow", ZDB_OK);
    if ((code & 1) && window == 1) engine().windowColumns = columns;
    return code;
}

int ZdbUserInfo(int item, char* text, int* length) {
    logCall("ZdbUserInfo", item);
    int size = length ? *length : 0;
    int n = item == 4 ? zdbdouble::copyOut(engine().userInfo, text, size) : 0;
    if (length) *length = n;
    return resultOf("ZdbUserInfo", ZDB_OK);
}

int ZdbCreateRecordControl(ZdbRecordControl* rc) {
    logCall("ZdbCreateRecordControl");
    int code = resultOf("ZdbCreateRecordControl", ZDB_OK);
    if (!rc) return code;
    if ((code & 1) == 0) { *rc = nullptr; return code; }
    auto* control = new ZdbRecordControlData;
    zdbdouble::recordControls().insert(control);
    *rc = control;
    return code;
}

int ZdbEraseRecordControl(ZdbRecordControl rc) {
    logCall("ZdbEraseRecordControl", rc ? "rc" : "(null)");
    if (rc && zdbdouble::recordControls().count(rc)) rc->record.reset();
    return resultOf("ZdbEraseRecordControl", rc ? ZDB_OK : ZDB_NOT_AVAILABLE);
}

int ZdbDeleteRecordControl(ZdbRecordControl* rc) {
    logCall("ZdbDeleteRecordControl", rc && *rc ? "rc" : "(null)");
    if (!rc || !*rc) return resultOf("ZdbDeleteRecordControl", ZDB_NOT_AVAILABLE);
    auto& live = zdbdouble::recordControls();
    if (live.erase(*rc) == 1) delete *rc;
    *rc = nullptr;
    return resultOf("ZdbDeleteRecordControl", ZDB_OK);
}

int ZdbEndZdbs(int mode) {
    logCall("ZdbEndZdbs", mode);
    ++engine().endCalls;
    return resultOf("ZdbEndZdbs", ZDB_OK);
}

// ---- Run-time configuration symbols: process values, environment, scripted file ----

const char* QueryRCS(const char* name, int sources) {
    logCall("QueryRCS", name, sources);
    if (!name) return nullptr;
    auto& e = engine();
    std::string key = zdbdouble::upper(name);
    const std::string* found = nullptr;
    std::string value;
    if (sources & ZDB_RCS_PROCESS) {
        auto it = e.rcsProcess.find(key);
        if (it != e.rcsProcess.end()) found = &it->second;
    }
    if (!found && (sources & ZDB_RCS_ENVIRONMENT)) {
        for (char** entry = environ; entry && *entry; ++entry) {
            const char* eq = std::strchr(*entry, '=');
            if (eq && zdbdouble::upper(std::string_view(*entry, eq - *entry)) == key) {
                value = eq + 1;
                found = &value;
                break;
            }
        }
    }
    if (!found && (sources & ZDB_RCS_FILE)) {
        for (const auto& [fileName, fileValue] : e.rcsFile)
            if (zdbdouble::upper(fileName) == key) { found = &fileValue; break; }
    }
    if (!found) return nullptr;
    return e.rcsHandedOut.emplace_back(*found).c_str();
}

int UpdateRCS(const char* name, const char* value) {
    logCall("UpdateRCS", name, value);
    if (!name || !*name) return 2;
    engine().rcsProcess[zdbdouble::upper(name)] = value ? value : "";
    return ZDB_OK;
}

void quickLogout(int signal_number) {
    // As the real handler, minus the session file: end with the signal's own action.
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
    _exit(1);
}

// ---- Commands ----

int ZdbExecuteCcl(const char* text, int* orderType) {
    logCall("ZdbExecuteCcl", text);
    auto& e = engine();
    std::string command = text ? text : "";
    zdbdouble::Answer reply;
    auto it = e.commands.find(command);
    int type = zdbdouble::orderTypeOf(command);
    if (it != e.commands.end() && !it->second.empty()) {
        reply = it->second.front();
        if (it->second.size() > 1) it->second.pop_front();
    } else if (type == ZDB_ORDER_SHOW && !e.windowPages.empty()) {
        // SHOW shows the first page, FORWARD the next; past the last, the scripted end.
        bool show = zdbdouble::upper(command.substr(0, 4)) == "SHOW";
        e.windowPage = show ? 0 : e.windowPage + 1;
        e.windowLine = e.windowHit = 0;
        if (e.windowPage >= static_cast<int>(e.windowPages.size())) reply.code = e.windowEnd;
    }
    if (reply.orderType >= 0) type = reply.orderType;
    if (orderType) *orderType = type;
    if ((reply.code & 1) && type == ZDB_ORDER_PROCEDURE)
        e.procedures.emplace_back(reply.procLines.begin(), reply.procLines.end());
    if ((reply.code & 1) && type == ZDB_ORDER_BASE) zdbdouble::noteBase(command);
    return e.lastCode = reply.code;
}

int ZdbGetNextProcLine(const char** line, int* length) {
    logCall("ZdbGetNextProcLine");
    auto& e = engine();
    if (e.procedures.empty() || e.procedures.back().empty()) {
        // The innermost procedure has no line left: it is over.
        if (!e.procedures.empty()) e.procedures.pop_back();
        if (line) *line = nullptr;
        if (length) *length = 0;
        return e.lastCode = ZDB_NOT_AVAILABLE;
    }
    zdbdouble::ProcLine next = e.procedures.back().front();
    e.procedures.back().pop_front();
    e.currentProcLine = next.text;
    if (line) *line = e.currentProcLine.c_str();
    if (length) *length = static_cast<int>(e.currentProcLine.size());
    return e.lastCode = next.code;
}

int ZdbShellSymbol(char* buffer, int* length) {
    std::string symbol = buffer ? std::string(buffer, strnlen(buffer, 3)) : std::string();
    logCall("ZdbShellSymbol", symbol);
    auto& e = engine();
    auto it = e.shellSymbols.find(zdbdouble::upper(symbol));
    if (it == e.shellSymbols.end()) {
        if (length) *length = 0;
        return e.lastCode = ZDB_OK;
    }
    // The buffer holds 1024 bytes; a longer scripted word is cut there but its whole
    // length is reported, as a misbehaving engine might.
    if (buffer) {
        auto n = std::min<std::size_t>(it->second.size(), 1024);
        std::memcpy(buffer, it->second.data(), n);
        if (n < 1024) buffer[n] = '\0';
    }
    if (length) *length = static_cast<int>(it->second.size());
    return e.lastCode = ZDB_OK;
}

int ZdbMessage(int code, char* text, int* length) {
    logCall("ZdbMessage", code, length ? *length : -1);
    auto& e = engine();
    auto it = e.messages.find(code);
    std::string message = it != e.messages.end() ? it->second : "message " + std::to_string(code);
    std::string variable = e.textVariable1        ? *e.textVariable1
                           : e.integerVariable1Set ? std::to_string(e.integerVariable1)
                                                   : std::string();
    for (auto at = message.find("%1"); at != std::string::npos; at = message.find("%1", at + variable.size()))
        message.replace(at, 2, variable);
    int room = length ? *length : 0;  // size of text less one
    int n = zdbdouble::copyOut(message, text, room + 1);
    if (length) *length = n;
    return resultOf("ZdbMessage", ZDB_OK);
}

int ZdbRetCode(void) {
    logCall("ZdbRetCode");
    return engine().lastCode;
}

int ZdbSessionInfo(int item, char* text, int* value) {
    logCall("ZdbSessionInfo", item);
    auto& e = engine();
    auto it = e.sessionInfo.find(item);
    if (it != e.sessionInfo.end()) {
        zdbdouble::copyOut(it->second.text, text, ZDB_DATABASE_NAME_SIZE);
        if (value) *value = it->second.value;
        return e.lastCode = it->second.code;
    }
    if (item == ZDB_INFO_CURRENT_BASE && !e.currentBase.empty()) {
        zdbdouble::copyOut(e.currentBase, text, ZDB_DATABASE_NAME_SIZE);
        if (value) *value = e.currentBaseCount;
        return e.lastCode = ZDB_OK;
    }
    if (item == ZDB_INFO_BASE_COUNT && !e.currentBase.empty()) {
        if (value) *value = e.currentBaseCount;
        return e.lastCode = ZDB_OK;
    }
    return e.lastCode = ZDB_NOT_AVAILABLE;
}

int ZdbSetTextVariable(int number, const char* text) {
    logCall("ZdbSetTextVariable", number, text);
    if (number == 1) {
        engine().textVariable1 = text ? text : "";
    }
    return resultOf("ZdbSetTextVariable", ZDB_OK);
}

int ZdbSetIntegerVariable(int number, int value) {
    logCall("ZdbSetIntegerVariable", number, value);
    if (number == 1) {
        engine().integerVariable1 = value;
        engine().integerVariable1Set = true;
    }
    return resultOf("ZdbSetIntegerVariable", ZDB_OK);
}

// ---- Sets and displays ----

int ZdbGetSearch(int* set, int* records, int* hits) {
    logCall("ZdbGetSearch");
    auto& e = engine();
    zdbdouble::SearchAnswer reply;
    if (!e.searches.empty()) {
        reply = e.searches.front();
        if (e.searches.size() > 1) e.searches.pop_front();
    }
    e.currentSet = reply.set;
    if (set) *set = reply.set;
    if (records) *records = reply.records;
    if (hits) *hits = reply.hits;
    return e.lastCode = reply.code;
}

int ZdbGetDisplay(int* count, int* kind) {
    logCall("ZdbGetDisplay");
    auto& display = engine().display;
    bool scripted = display && !zdbdouble::scripted("ZdbGetDisplay");
    if (count) *count = scripted ? static_cast<int>(display->terms.size()) : 0;
    if (kind) *kind = scripted ? display->kind : 1;
    if (scripted) return engine().lastCode = ZDB_OK;
    return resultOf("ZdbGetDisplay", ZDB_NOT_AVAILABLE);
}

int ZdbGetDisplayTerm(int n, char* text, int* length, int* value) {
    logCall("ZdbGetDisplayTerm", n);
    int size = length ? *length : 0;
    if (text && size > 0) text[0] = '\0';
    if (length) *length = 0;
    if (value) *value = 0;
    auto& display = engine().display;
    if (!display || zdbdouble::scripted("ZdbGetDisplayTerm"))
        return resultOf("ZdbGetDisplayTerm", ZDB_NOT_AVAILABLE);
    long long position = n < 0 ? -static_cast<long long>(n) : n;
    if (position < 1 || position > static_cast<long long>(display->terms.size()))
        return engine().lastCode = zdbdouble::kNoSuchTermCode;
    const auto& term = display->terms[static_cast<std::size_t>(position - 1)];
    int written = zdbdouble::copyOut(n > 0 ? term.term : term.bare, text, size);
    if (length) *length = written;
    if (value) *value = term.count;
    return engine().lastCode = ZDB_OK;
}

int ZdbSortRecords(int list, const char* key) {
    logCall("ZdbSortRecords", list, key);
    return resultOf("ZdbSortRecords", ZDB_OK);
}

int ZdbStrNormalize(char* text, int* length, int mode) {
    logCall("ZdbStrNormalize", text, mode);
    auto it = engine().qualifierLengths.find(text ? text : "");
    if (length) *length = it == engine().qualifierLengths.end() ? 0 : it->second;  // 0: no qualifier
    return resultOf("ZdbStrNormalize", ZDB_OK);
}

int ZdbGetRecordInThes(ZdbRecordControl, int n, int* level) {
    logCall("ZdbGetRecordInThes", n);
    if (level) *level = 0;
    auto& display = engine().display;
    if (!display || display->kind != 2 || zdbdouble::scripted("ZdbGetRecordInThes"))
        return resultOf("ZdbGetRecordInThes", ZDB_NOT_AVAILABLE);
    const auto& levels = display->thesaurusLevels;
    if (n < 1 || n > static_cast<int>(levels.size())) return engine().lastCode = 0;  // past the list
    if (level) *level = levels[static_cast<std::size_t>(n - 1)];
    return engine().lastCode = ZDB_OK;
}

int ZdbGetWindowLine(int window, char* line) {
    logCall("ZdbGetWindowLine", window);
    if (line) line[0] = '\0';
    const zdbdouble::WindowPage* page = zdbdouble::shownPage();
    auto& e = engine();
    if (!page || window != 1 || zdbdouble::scripted("ZdbGetWindowLine"))
        return resultOf("ZdbGetWindowLine", 0);  // end of the page
    if (e.windowLine >= page->size()) return e.lastCode = 0;
    // The caller's line holds columns + 1 bytes: a longer scripted line is cut there.
    zdbdouble::copyOut((*page)[e.windowLine].text, line, e.windowColumns + 1);
    ++e.windowLine;
    e.windowHit = 0;
    return e.lastCode = ZDB_OK;
}

int ZdbGetWindowHit(int window, int* start, int* length) {
    logCall("ZdbGetWindowHit", window);
    if (start) *start = 0;
    if (length) *length = 0;
    const zdbdouble::WindowPage* page = zdbdouble::shownPage();
    auto& e = engine();
    if (!page || window != 1 || e.windowLine == 0 || zdbdouble::scripted("ZdbGetWindowHit"))
        return resultOf("ZdbGetWindowHit", 0);  // no hit
    const auto& hits = (*page)[e.windowLine - 1].hits;
    if (e.windowHit >= hits.size()) return e.lastCode = 0;
    if (start) *start = hits[e.windowHit].first;
    if (length) *length = hits[e.windowHit].second;
    ++e.windowHit;
    return e.lastCode = ZDB_OK;
}

// ---- Records ----

int ZdbGetRecordInSearchRis(ZdbRecordControl rc, int* set, int n, int* recordId, char* database) {
    logCall("ZdbGetRecordInSearchRis", set ? *set : -1, n);
    if (recordId) *recordId = 0;
    if (database) database[0] = '\0';
    auto& e = engine();
    if (e.sets.empty() || zdbdouble::scripted("ZdbGetRecordInSearchRis"))
        return resultOf("ZdbGetRecordInSearchRis", 0);  // no such record
    int number = set && *set != 0 ? *set : e.currentSet;
    if (set) *set = number;
    auto it = e.sets.find(number);
    const zdbdouble::Record* record = it == e.sets.end() ? nullptr : zdbdouble::recordAtPosition(it->second, n);
    return zdbdouble::readRecord(rc, record, recordId, database);
}

// Locates as many ZdbGetRecordInSearchRis calls would, stopping before a record whose
// scripted code is a failure, and locates nothing while that call is scripted: the
// gateway then reads those records one by one and meets the scripted answer itself.
int ZdbLocateRecords(ZdbRecordControl rc, int* set, int first, int count, int* recordIds, int* codes,
                     int* located) {
    logCall("ZdbLocateRecords", set ? *set : -1, first, count);
    *located = 0;
    auto& e = engine();
    if (e.sets.empty() || zdbdouble::scripted("ZdbGetRecordInSearchRis")) return e.lastCode = ZDB_OK;
    int number = *set != 0 ? *set : e.currentSet;
    *set = number;
    auto it = e.sets.find(number);
    if (it == e.sets.end()) return e.lastCode = ZDB_OK;
    int n = 0;
    while (n < count) {
        const zdbdouble::Record* record = zdbdouble::recordAtPosition(it->second, first + n);
        if (!record || !(record->code & 1)) break;
        char database[ZDB_DATABASE_NAME_SIZE];
        zdbdouble::readRecord(rc, record, &recordIds[n], database);
        codes[n++] = record->code;
    }
    *located = n;
    return e.lastCode = ZDB_OK;
}

// The double holds its records in memory: reading ahead only counts them.
int ZdbReadRecords(int* set, int first, int count, int* read) {
    logCall("ZdbReadRecords", set ? *set : -1, first, count);
    *read = 0;
    auto& e = engine();
    int number = *set != 0 ? *set : e.currentSet;
    auto it = e.sets.find(number);
    if (it == e.sets.end()) return e.lastCode = ZDB_OK;
    *set = number;
    const int size = static_cast<int>(it->second.size());
    if (first >= 1 && count >= 1 && first <= size) *read = std::min(count, size - first + 1);
    return e.lastCode = ZDB_OK;
}

int ZdbGetSortedRecord(int list, ZdbRecordControl rc, int n, int* recordId, char* database) {
    logCall("ZdbGetSortedRecord", list, n);
    if (recordId) *recordId = 0;
    if (database) database[0] = '\0';
    auto& e = engine();
    if (e.sortedList.empty() || list != 0 || zdbdouble::scripted("ZdbGetSortedRecord"))
        return resultOf("ZdbGetSortedRecord", 0);
    return zdbdouble::readRecord(rc, zdbdouble::recordAtPosition(e.sortedList, n), recordId, database);
}

int ZdbGetNextHitWord(ZdbRecordControl rc, int* part, int* field, int* paragraph, int* item,
                      int* position, int* length) {
    logCall("ZdbGetNextHitWord");
    for (int* out : {part, field, paragraph, item, position, length})
        if (out) *out = 0;
    const zdbdouble::Record* record = zdbdouble::recordOf(rc);
    if (!record || zdbdouble::scripted("ZdbGetNextHitWord")) return resultOf("ZdbGetNextHitWord", 0);
    engine().lastCode = ZDB_OK;
    if (rc->nextHit >= record->hits.size()) return 0;  // no hits remain
    const zdbdouble::HitWord& hit = record->hits[rc->nextHit++];
    if (part) *part = hit.part;
    if (field) *field = hit.field;
    if (paragraph) *paragraph = hit.paragraph;
    if (item) *item = hit.item;
    if (position) *position = hit.position;
    if (length) *length = hit.length;
    return 1;
}

// Hits per part are not scripted (the end-to-end tests show them from the engine).
int ZdbHitParts(ZdbRecordControl, int* parts, int* first, int* total) {
    logCall("ZdbHitParts");
    for (int* out : {parts, first, total})
        if (out) *out = 0;
    return resultOf("ZdbHitParts", ZDB_NOT_AVAILABLE);
}

int ZdbGetHitPart(ZdbRecordControl, int n, int* count) {
    logCall("ZdbGetHitPart", n);
    if (count) *count = 0;
    return resultOf("ZdbGetHitPart", 0);
}

int ZdbCheckField(ZdbRecordControl rc, const char* name, int* field, int* type, int* flags) {
    logCall("ZdbCheckField", name);
    for (int* out : {field, type, flags})
        if (out) *out = 0;
    const zdbdouble::Record* record = zdbdouble::recordOf(rc);
    if (!record || zdbdouble::scripted("ZdbCheckField")) return resultOf("ZdbCheckField", ZDB_NOT_AVAILABLE);
    const zdbdouble::Field* found = zdbdouble::fieldByName(*record, name ? name : "");
    if (!found) return engine().lastCode = zdbdouble::kUnknownFieldCode;
    if (field) *field = found->number;
    if (type) *type = found->type;
    return engine().lastCode = ZDB_OK;
}

// Parts are not scripted (the end-to-end tests show them from the engine).
int ZdbSetRecordPart(ZdbCursor*, ZdbRecordControl, int part) {
    logCall("ZdbSetRecordPart", part);
    return resultOf("ZdbSetRecordPart", ZDB_MORE);  // no such part
}

int ZdbSetCursor(ZdbCursor* cursor, ZdbRecordControl rc, int field, int paragraph, int item) {
    logCall("ZdbSetCursor", field, paragraph, item);
    const zdbdouble::Record* record = zdbdouble::recordOf(rc);
    if (!record || !cursor || zdbdouble::scripted("ZdbSetCursor"))
        return resultOf("ZdbSetCursor", ZDB_NO_MORE_ITEMS);
    int number = field < 0 ? -field : field;
    if (!zdbdouble::fieldByNumber(*record, number)) return engine().lastCode = zdbdouble::kUnknownFieldCode;
    ZdbCursorData& at = zdbdouble::cursorFor(cursor, rc);
    at.field = number;
    at.paragraph = paragraph;
    at.item = item;
    at.offset = 0;
    return engine().lastCode = zdbdouble::itemAt(at) ? ZDB_OK : ZDB_NO_MORE_ITEMS;
}

int ZdbGetNextItem(ZdbCursor cursor, char* buffer, int* length) {
    logCall("ZdbGetNextItem");
    int size = length ? *length : 0;
    if (buffer && size > 0) buffer[0] = '\0';
    if (length) *length = 0;
    const std::string* text = cursor ? zdbdouble::itemAt(*cursor) : nullptr;
    if (!cursor || !zdbdouble::recordOf(cursor->rc) || zdbdouble::scripted("ZdbGetNextItem"))
        return resultOf("ZdbGetNextItem", 0);  // no item at the cursor
    engine().lastCode = ZDB_OK;
    if (!text || !buffer || size <= 0) return 0;
    // As the engine: a piece that leaves room is NUL-terminated (negative length).
    std::size_t remaining = text->size() - std::min(cursor->offset, text->size());
    std::size_t piece = std::min(remaining, static_cast<std::size_t>(size));
    std::memcpy(buffer, text->data() + cursor->offset, piece);
    cursor->offset += piece;
    const zdbdouble::Field* field = zdbdouble::fieldByNumber(*zdbdouble::recordOf(cursor->rc), cursor->field);
    bool terminated = field->type != ZDB_FIELD_BLOB && piece < static_cast<std::size_t>(size);
    if (terminated) buffer[piece] = '\0';
    if (length) *length = terminated ? -static_cast<int>(piece) : static_cast<int>(piece);
    if (piece < remaining) return ZDB_MORE;
    ++cursor->item;
    cursor->offset = 0;
    return 1;
}

int ZdbCheckCursor(ZdbCursor cursor, ZdbRecordControl* rc, int* field, int* paragraph, int* item) {
    logCall("ZdbCheckCursor");
    if (rc) *rc = nullptr;
    for (int* out : {field, paragraph, item})
        if (out) *out = 0;
    if (!cursor || !zdbdouble::recordOf(cursor->rc) || zdbdouble::scripted("ZdbCheckCursor"))
        return resultOf("ZdbCheckCursor", ZDB_NOT_AVAILABLE);
    if (rc) *rc = cursor->rc;
    if (field) *field = cursor->field;
    if (paragraph) *paragraph = cursor->paragraph;
    if (item) *item = cursor->item;
    return engine().lastCode = ZDB_OK;
}

// ---- Output ----

int ZdbGetBlobSize(ZdbCursor, int* size) {
    logCall("ZdbGetBlobSize");
    if (size) *size = 0;
    return resultOf("ZdbGetBlobSize", ZDB_NOT_AVAILABLE);
}

int ZdbGetBlobBlock(ZdbCursor, int block, int size, char*, int* received) {
    logCall("ZdbGetBlobBlock", block, size);
    if (received) *received = 0;
    return resultOf("ZdbGetBlobBlock", ZDB_NOT_AVAILABLE);
}

int ZdbExport(ZdbExportRequest* request) {
    logCall("ZdbExport", request ? request->converter : "(null)");
    int code = resultOf("ZdbExport", ZDB_NOT_AVAILABLE);
    if (request && (code & 1) == 0)
        zdbdouble::copyOut("export is not scripted", request->errorText, sizeof request->errorText);
    return code;
}

int ZdbStartSummarization(ZdbSummary* handle, int mode) {
    logCall("ZdbStartSummarization", mode);
    if (handle) *handle = nullptr;
    return resultOf("ZdbStartSummarization", ZDB_NOT_AVAILABLE);
}

int ZdbAccumulateSummarization(ZdbSummary, ZdbCursor) {
    logCall("ZdbAccumulateSummarization");
    return resultOf("ZdbAccumulateSummarization", ZDB_NOT_AVAILABLE);
}

int ZdbGenerateSummary(ZdbSummary, const char** text) {
    logCall("ZdbGenerateSummary");
    if (text) *text = "";
    return resultOf("ZdbGenerateSummary", ZDB_NOT_AVAILABLE);
}

int ZdbEndSummarization(ZdbSummary) {
    logCall("ZdbEndSummarization");
    return resultOf("ZdbEndSummarization", ZDB_OK);
}

int ZdbGetFocus(ZdbCursor, int* length, const char** text, int* hitCount, const int** hits,
                int* count, int size) {
    logCall("ZdbGetFocus", size);
    if (length) *length = 0;
    if (text) *text = "";
    if (hitCount) *hitCount = 0;
    if (hits) *hits = nullptr;
    if (count) *count = 0;
    return resultOf("ZdbGetFocus", ZDB_NOT_AVAILABLE);
}

}  // extern "C"
