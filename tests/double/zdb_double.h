// zdb_double.h - a scriptable stand-in for the engine library (every call of zdb.h),
// for gateway tests that need exact engine answers: a version "3.39", a code 9506
// twice, a procedure line that answers 0. Invariant: every call is logged with its
// arguments as text, and a call that nobody scripted never pretends to succeed at
// record work (it answers "nothing there" or ZDB_NOT_AVAILABLE).
//
// Content: records of sets and of the sorted list (with fields, items and hit
// words), a display list, window pages and field qualifiers are scripted in stores of
// their own; a call reads them while its store is not empty and no code is scripted
// for it in `results` (which always wins, to inject a failure). Without either, a
// call answers as it always has: "nothing there" or ZDB_NOT_AVAILABLE.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zdb.h"

namespace zdbdouble {

// One line that ZdbGetNextProcLine hands out, with the code it answers.
struct ProcLine {
    std::string text;
    int code = ZDB_OK;
};

// The answer to one ZdbExecuteCcl. orderType -1: the order type of the command
// word as the real engine gives it (BASE 6, FIND 3, ...; 0 for anything else).
// Procedure lines are handed out after this answer, one per ZdbGetNextProcLine.
struct Answer {
    int code = ZDB_OK;
    int orderType = -1;
    std::vector<ProcLine> procLines;
};

// The answer to one ZdbGetSearch.
struct SearchAnswer {
    int code = ZDB_OK;
    int set = 0;
    int records = 0;
    int hits = 0;
};

// A scripted answer of ZdbSessionInfo for one item.
struct SessionInfoAnswer {
    int code = ZDB_OK;
    std::string text;
    int value = 0;
};

// A field of a scripted record, as ZdbCheckField reports it, with its content:
// paragraphs by number (TEXT fields from 1, other fields paragraph 0), each a list of
// items. Records have no parts: ZdbSetRecordPart finds none.
struct Field {
    int number = 1;
    int type = ZDB_FIELD_PHRASE;
    std::map<int, std::vector<std::string>> paragraphs;
};

// A PHRASE field of the given number with items in paragraph 0.
Field phraseField(int number, std::vector<std::string> items);
// A TEXT field of the given number whose paragraphs 1, 2 ... hold the given items.
Field textField(int number, std::vector<std::vector<std::string>> paragraphs);

// One hit word as ZdbGetNextHitWord gives it (position: bytes from 1).
struct HitWord {
    int part = 0, field = 0, paragraph = 0, item = 0, position = 0, length = 0;
};

// A record of a set or of the sorted list.
struct Record {
    int id = 0;
    std::string database;            // given back in the database argument
    int code = ZDB_OK;               // what reading it answers (add ZDB_RECORD_NEW_BASE, _DELETED)
    std::map<std::string, Field> fields;  // by name, looked up without regard to case
    std::vector<HitWord> hits;       // in the order ZdbGetNextHitWord gives them
};

// A display list: terms (`term` for a positive number, `bare` for a negative one),
// their counts, the kind (1 index, 2 thesaurus) and, for a thesaurus, the level of
// the term at each display position from 1.
struct DisplayTerm {
    std::string term;
    std::string bare;
    int count = 0;
};
struct Display {
    int kind = 1;
    std::vector<DisplayTerm> terms;
    std::vector<int> thesaurusLevels;
};

// One line of a display window page with its hits (start column from 1, length).
struct WindowLine {
    std::string text;
    std::vector<std::pair<int, int>> hits;
};
using WindowPage = std::vector<WindowLine>;

// The code the engine gives for an unknown field (ZdbCheckField, ZdbSetCursor).
inline constexpr int kUnknownFieldCode = 30008;
// The code for a display term outside the list.
inline constexpr int kNoSuchTermCode = 30032;

// The shell-symbol table of the real engine.
std::map<std::string, std::string> defaultShellSymbols();

class Engine {
public:
    // Forgets every script and observation: the state of a fresh process.
    void reset();

    // Scripts command `text` (matched exactly). Answers queue up in order; the last
    // one answers every later call of the same text.
    void answer(const std::string& text, Answer reply);

    // The log entries whose call name is `name` (e.g. "ZdbExecuteCcl").
    std::vector<std::string> callsNamed(std::string_view name) const;

    // ---- Script ----
    std::string version = "4.0";             // ZdbVersion's text
    int startResult = ZDB_OK;                 // ZdbStartZolt's code
    std::string userInfo;                     // ZdbUserInfo item 4 (empty: length 0)
    std::map<std::string, std::deque<Answer>> commands;  // exact text -> answers
    std::map<std::string, std::string> shellSymbols = defaultShellSymbols();  // three letters -> word
    std::map<int, std::string> messages;      // code -> text ("%1": variable 1)
    std::map<int, SessionInfoAnswer> sessionInfo;        // item -> answer (else engine-like)
    std::deque<SearchAnswer> searches;        // ZdbGetSearch answers in order; last repeats
    std::map<std::string, int> results;       // call name -> code, for the other calls
    std::map<std::string, std::string> rcsFile;  // stands in for the engine configuration file
    std::map<int, std::vector<Record>> sets;  // set number -> records at positions 1, 2 ...
    std::vector<Record> sortedList;           // sorted list 0, positions 1, 2 ...
    std::optional<Display> display;           // ZdbGetDisplay, ZdbGetDisplayTerm, ZdbGetRecordInThes
    std::vector<WindowPage> windowPages;      // SHOW gives the first, each FORWARD the next
    int windowEnd = ZDB_END_OF_DISPLAY;       // FORWARD past the last page
    std::map<std::string, int> qualifierLengths;  // ZdbStrNormalize: text -> qualifier bytes

    // ---- Observations ----
    std::vector<std::string> log;             // every call, e.g. "ZdbExecuteCcl(FIND cat)"
    int endCalls = 0;                         // ZdbEndZdbs calls
    int lastCode = ZDB_OK;                    // for ZdbRetCode
    std::optional<std::string> textVariable1; // ZdbSetTextVariable(1, ...)
    int integerVariable1 = 0;                 // ZdbSetIntegerVariable(1, ...)
    bool integerVariable1Set = false;
    std::string currentBase;                  // after a successful BASE: the database (upper case) or the cluster list
    int currentBaseCount = 0;                 // databases in it
    // Lines not yet given of the procedures started, innermost last: a procedure
    // line that starts another procedure reads that one's lines first.
    std::vector<std::deque<ProcLine>> procedures;
    std::string currentProcLine;              // the line last handed out (kept alive)
    std::map<std::string, std::string> rcsProcess;  // UpdateRCS values by upper-case name
    std::deque<std::string> rcsHandedOut;     // QueryRCS texts: kept for the process, as the engine does
    int currentSet = 0;                       // set of the last ZdbGetSearch (set 0 means it)
    int windowColumns = 80;                   // of window 1 as last defined
    int windowPage = -1;                      // page shown (-1: none)
    std::size_t windowLine = 0;               // lines of the page given so far
    std::size_t windowHit = 0;                // hits of the line last given so far
};

// The one engine of the test process.
Engine& engine();

}  // namespace zdbdouble
