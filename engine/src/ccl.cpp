// ccl.cpp - ZdbExecuteCcl: the command words BASE, FIND, FUZZY, DISPLAY, SHOW,
// FORWARD, DELETE, DEFINE and stored procedures. Also the set calls ZdbGetSearch,
// ZdbGetNextProcLine and ZdbStrNormalize.

#include <algorithm>
#include <charconv>
#include <cstring>

#include "api_state.h"
#include "display.h"
#include "find.h"
#include "session.h"
#include "text_util.h"
#include "window.h"
#include "zdb.h"

using namespace zdb;

namespace {

// Procedure calls that may follow one another before the line queue runs dry:
// a procedure that calls itself stops here instead of looping for ever.
constexpr int kMaxProcedureExpansions = 100;
constexpr size_t kMaxCommandBytes = 16384;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Splits "WORD rest": the command word ends at a blank or "(".
std::pair<std::string, std::string_view> commandWord(std::string_view text) {
    text = trim(text);
    size_t end = 0;
    while (end < text.size() && !isBlank(text[end]) && text[end] != '(') ++end;
    return {upperCase(text.substr(0, end)), trim(text.substr(end))};
}

// `text` as a set number of 1 or more; throws 30018 naming `shown`.
int parsePositive(std::string_view text, const std::string& shown) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < 1)
        throw EngineError(kInvalidSetNumber, shown);
    return value;
}

// BASE name or BASE tmpclust=a,b: opens the base and drops the sets.
int runBase(Session& s, std::string_view arguments) {
    std::string text(arguments);
    std::string name = text;
    std::vector<std::string> names;
    size_t eq = text.find('=');
    if (eq != std::string::npos) {
        if (!equalsIgnoreCase(trim(std::string_view(text).substr(0, eq)), "tmpclust"))
            throw EngineError(kSyntaxError, text.substr(0, eq));
        name = std::string(trim(std::string_view(text).substr(eq + 1)));
        names = splitList(name);
        if (names.size() > kMaxClusterDatabases) throw EngineError(kTooManyDatabases);
    } else {
        if (name.empty()) throw EngineError(kSyntaxError, "BASE");
        names.push_back(name);
    }
    if (names.empty()) throw EngineError(kSyntaxError, text);
    Base base;
    base.name = name;
    for (const std::string& one : names) {
        for (const auto& opened : base.dbs)
            if (equalsIgnoreCase(opened->name(), one)) throw EngineError(kDuplicateDatabase, one);
        if (!isValidDatabaseName(one)) throw EngineError(kUnknownDatabase, one);
        if (!s.account().mayOpen(one)) throw EngineError(ZDB_NO_BASE_ACCESS, one);
        base.dbs.push_back(Database::open(s.dataDir(), one, false));
    }
    if (eq == std::string::npos) base.name = base.dbs.front()->name();
    // Converted once: every record read or located hands its database's name out.
    for (const auto& db : base.dbs) base.handedOutNames.push_back(s.charset().toSession(db->name()));
    s.base = std::move(base);
    s.clearResults();
    return ZDB_OK;
}

// DELETE S=n or DELETE S=FROM n.
int runDelete(Session& s, std::string_view arguments) {
    std::string text(arguments);
    size_t eq = text.find('=');
    if (eq == std::string::npos || !equalsIgnoreCase(trim(std::string_view(text).substr(0, eq)), "S"))
        throw EngineError(kSyntaxError, text.empty() ? "DELETE" : text);
    std::string_view rest = trim(std::string_view(text).substr(eq + 1));
    if (rest.size() >= 4 && equalsIgnoreCase(rest.substr(0, 4), "FROM")) {
        int from = parsePositive(trim(rest.substr(4)), std::string(rest));
        s.dropSets(from, kMaxSets * 1000);
        return ZDB_OK;
    }
    int number = parsePositive(rest, std::string(rest));
    if (!s.sets.count(number)) throw EngineError(kInvalidSetNumber, std::string(rest));
    s.dropSets(number, number);
    return ZDB_OK;
}

// DEFINE FIELDVIEW name=members.
int runDefine(Session& s, std::string_view arguments) {
    auto [what, rest] = commandWord(arguments);
    if (what != "FIELDVIEW") throw EngineError(kSyntaxError, what.empty() ? "DEFINE" : what);
    std::string text(rest);
    size_t eq = text.find('=');
    if (eq == std::string::npos) throw EngineError(kSyntaxError, text.empty() ? "FIELDVIEW" : text);
    std::string name(trim(std::string_view(text).substr(0, eq)));
    if (!isValidFieldName(name)) throw EngineError(kSyntaxError, name.empty() ? "=" : name);
    std::vector<std::string> members = splitList(text.substr(eq + 1));
    if (members.empty()) throw EngineError(kSyntaxError, text);
    s.views[upperCase(name)] = members;
    return ZDB_OK;
}

// Queues the lines of procedure `word`; 0 when there is no such procedure.
int runProcedure(Session& s, const std::string& word, std::string_view arguments) {
    auto lines = s.system().procedure(word);
    if (!lines) return 0;
    if (!arguments.empty()) throw EngineError(kSyntaxError, std::string(arguments));
    if (s.procLines.empty()) s.procExpansions = 0;
    if (++s.procExpansions > kMaxProcedureExpansions) {
        s.procLines.clear();
        throw EngineError(kQueryTooComplex);
    }
    // In front of what is pending: a procedure called from a procedure runs first.
    s.procLines.insert(s.procLines.begin(), lines->begin(), lines->end());
    return ZDB_OK;
}

// Runs one command and sets its order type.
int execute(const char* text, int* orderType) {
    if (!text || !orderType) throw EngineError(kInvalidArgument, "ZdbExecuteCcl");
    Session& s = session();
    *orderType = 0;
    if (std::strlen(text) > kMaxCommandBytes) throw EngineError(kQueryTooLong);
    std::string command = s.charset().toUtf8(text);
    auto [word, arguments] = commandWord(command);
    if (word.empty()) throw EngineError(kUnknownCommand, "");
    if (word == "FIND") { *orderType = ZDB_ORDER_FIND; return runFind(s, arguments, false); }
    if (word == "FUZZY") { *orderType = ZDB_ORDER_FUZZY; return runFind(s, arguments, true); }
    if (word == "BASE") { *orderType = ZDB_ORDER_BASE; return runBase(s, arguments); }
    if (word == "DELETE") { *orderType = ZDB_ORDER_DELETE; return runDelete(s, arguments); }
    if (word == "DEFINE") { *orderType = ZDB_ORDER_DEFINE; return runDefine(s, arguments); }
    if (word == "DISPLAY") { *orderType = ZDB_ORDER_DISPLAY; return runDisplay(s, arguments); }
    if (word == "SHOW") { *orderType = ZDB_ORDER_SHOW; return runShow(s, arguments); }
    if (word == "FORWARD") { *orderType = ZDB_ORDER_SHOW; return runForward(s, arguments); }
    if (int rc = runProcedure(s, std::string(trim(command.substr(0, word.size()))), arguments)) {
        *orderType = ZDB_ORDER_PROCEDURE;
        return rc;
    }
    throw EngineError(kUnknownCommand, std::string(trim(command.substr(0, word.size()))));
}

}  // namespace

extern "C" {

int ZdbExecuteCcl(const char* text, int* orderType) {
    return guarded([&] { return execute(text, orderType); });
}

int ZdbGetNextProcLine(const char** line, int* length) {
    return guarded([&] {
        if (!line || !length) throw EngineError(kInvalidArgument, "ZdbGetNextProcLine");
        *line = "";
        *length = 0;
        Session& s = session();
        if (s.procLines.empty()) return static_cast<int>(kNoMoreProcLines);
        s.procLine = s.charset().toSession(s.procLines.front());
        s.procLines.pop_front();
        *line = s.procLine.c_str();
        *length = static_cast<int>(s.procLine.size());
        return static_cast<int>(ZDB_OK);
    });
}

int ZdbGetSearch(int* set, int* records, int* hits) {
    return guarded([&] {
        if (!set || !records || !hits) throw EngineError(kInvalidArgument, "ZdbGetSearch");
        // Before the first search of a base (right after BASE, or once every set is
        // deleted) the current set is the empty set 0: the gateway reads the counts right
        // after opening a base and takes an even code as a failure to open it.
        if (session().currentSet == 0) {
            *set = *records = *hits = 0;
            return ZDB_OK;
        }
        SearchSet& current = session().set(0);
        *set = current.number;
        *records = static_cast<int>(current.records.size());
        *hits = static_cast<int>(std::min<int64_t>(current.hits, INT32_MAX));
        return ZDB_OK;
    });
}

int ZdbStrNormalize(char* text, int* length, int mode) {
    return guarded([&] {
        if (!text || !length || *length < 0 || mode != 4)
            throw EngineError(kInvalidArgument, "ZdbStrNormalize");
        size_t size = strnlen(text, static_cast<size_t>(*length));
        *length = static_cast<int>(qualifierLength(std::string_view(text, size)));
        return ZDB_OK;
    });
}

}  // extern "C"
