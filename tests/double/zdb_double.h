// zdb_double.h - a scriptable stand-in for the engine library (every call of zdb.h),
// for gateway tests that need exact engine answers: a version "3.39", a code 9506
// twice, a procedure line that answers 0. Invariant: every call is logged with its
// arguments as text, and a call that nobody scripted never pretends to succeed at
// record work (it answers "nothing there" or ZDB_NOT_AVAILABLE).
//
// Extending it: records, fields, items, hit words, display terms and windows answer
// today from `results` (a code per call name) with empty out-values. A later test
// that needs content adds a scripted store next to `commands` (for example a vector
// of records with their fields and items, a list of display terms, window pages)
// and lets the call read from it when it is not empty; the log format stays.
#pragma once

#include <deque>
#include <map>
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

class Engine {
public:
    // Forgets every script and observation: the state of a fresh process.
    void reset();

    // Scripts command `text` (matched exactly). Answers queue up in order; the last
    // one answers every later call of the same text.
    void answer(const std::string& text, Answer reply);

    // The log entries whose call name is `name` (e.g. "ZdbExecuteCcl").
    std::vector<std::string> callsNamed(std::string_view name) const;
    // The log without the entries of the named calls (e.g. {"ZdbShellSymbol"}).
    std::vector<std::string> callsWithout(const std::vector<std::string>& names) const;

    // ---- Script ----
    std::string version = "4.0";             // ZdbVersion's text
    int versionCode = ZDB_OK;                 // ZdbVersion's code
    int startResult = ZDB_OK;                 // ZdbStartZolt's code
    std::string userInfo;                     // ZdbUserInfo item 4 (empty: length 0)
    Answer defaultAnswer;                     // commands nobody scripted
    std::map<std::string, std::deque<Answer>> commands;  // exact text -> answers
    std::map<std::string, std::string> shellSymbols;     // three letters -> word
    std::map<int, std::string> messages;      // code -> text ("%1": variable 1)
    std::map<int, SessionInfoAnswer> sessionInfo;        // item -> answer (else engine-like)
    std::deque<SearchAnswer> searches;        // ZdbGetSearch answers in order; last repeats
    std::map<std::string, int> results;       // call name -> code, for the other calls
    std::map<std::string, std::string> rcsFile;  // stands in for the engine configuration file

    // ---- Observations ----
    std::vector<std::string> log;             // every call, e.g. "ZdbExecuteCcl(FIND cat)"
    int liveRecordControls = 0;               // created and not yet deleted
    int endCalls = 0;                         // ZdbEndZdbs calls
    int lastCode = ZDB_OK;                    // for ZdbRetCode
    std::string textVariable1;                // ZdbSetTextVariable(1, ...)
    bool textVariable1Set = false;
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

    Engine() { reset(); }
};

// The one engine of the test process.
Engine& engine();

// The shell-symbol table of the real engine.
std::map<std::string, std::string> defaultShellSymbols();

}  // namespace zdbdouble
