// zoltgw.h - the controller: one object per request, whose constructor runs the
// whole request (defaults, configuration, parameters, login, database, output),
// and whose fields are the request's shared state for every later stage.
// Invariant: at most one error page or login form per request; db is the first
// member, so it is constructed first and destroyed last.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"
#include "config/base_rule.h"
#include "db/zolt.h"
#include "entry/error_place.h"
#include "search/find_result.h"
#include "search/search.h"
#include "template/template_engine.h"

struct FileCloser {
    void operator()(std::FILE* file) const { if (file) std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Set number of the request's own search as decimal digits; empty before it.
extern StrBuf searchSetText;

class zoltgw {
public:
    // Builds the object and runs the whole request.
    explicit zoltgw(int commandLineMode);
    // Builds the object with its defaults only and runs nothing (tests, tools).
    struct DefaultsOnly {};
    explicit zoltgw(DefaultsOnly);
    ~zoltgw();
    zoltgw(const zoltgw&) = delete;
    zoltgw& operator=(const zoltgw&) = delete;

    void varinit();
    // The run sequence after the defaults: configuration to output.
    void run(int commandLineModeArgument);

    // Reads the configuration (src/config) into this object's fields; 0, or -1 with
    // the error fields set (src/entry/configure.cpp).
    int readConfig();

    // Request parameters, login and database (src/entry).
    // The request's parameters into this object's state, then the login; 0 or the failing
    // step's status (also kept in status), with the error fields set.
    int cgiParse();
    // Splits a ${ZOLTSHOW} value: HTML= and OOHTML= words are appended to the two names,
    // the rest becomes showString.
    void parseShowstr(std::string_view value, StrBuf& htmlName, StrBuf& ooHtmlName);
    // The client check (when rules exist) and the engine login; 0, or -1 with errorText
    // set or, for a client the rules redirect, the redirect written.
    int doLogin();
    // Opens baseName, pseudo names replaced, as a database or a cluster; 0, or -1 (line 4112).
    int openDatabase();

    // Saved results and URL stacks of the page cache (src/entry/saved_state.cpp).
    // ${ZGWIDS}: restores the saved result named by "<position>.<slot>/<stamp>"; 0 or -1.
    int readSavedResult(std::string_view value);
    // ${ZGWURLSAVE}: appends the saved URL stack of that name to urlStack; 0 or -1.
    int readSavedUrlStack(std::string_view value);
    // Appends each non-empty piece of text between "}" characters to urlStack.
    void readUrlStack(std::string_view text);

    // Pieces of the run sequence (src/entry/zoltgw_run.cpp).
    // Runs cclCommands in order; the first failure sets the error fields (line 3281), -1.
    int runCclCommands();
    // Answers a view request: the record, then the document converted by the session.
    void outputView();
    // Keeps the search's set as lastSearchSet and as searchSetText.
    void keepSearchSet();

    // The search and record reading, carried out by `search` (src/search).
    int doFind();                      // the search; 0 or -1 with the error fields set
    void readZoltRecord(int flags);    // makes the record at findresult.ris current
    // The page from the template, rendered by `page` (src/template); 0 or -1.
    int prehtml() { return page.prehtml(); }
    // The binary field (src/entry/pending_steps.cpp until it exists).
    void outputZoltbin();              // the whole response for a binary field

    // Clusters and form arguments (src/entry).
    int createClusterByName(std::string_view name);
    const char* getClusterByNumber(int number);
    const char* getFarg();
    int readFarg(std::string_view key, std::string_view text);

    // Fails the running step: errorText becomes `html` (HTML: plain text in it was escaped
    // where it was put in), errorFile `unit` (unchanged when null), errorLine `line`, and
    // status -1; returns -1. With debugging on the text goes to the debug log.
    int failStep(std::string_view html, int line, const char* unit = kUnitHtml);
    // failStep with the session's message for its engine error, escaped (it may quote
    // request text such as a database name).
    int failWithEngineMessage(int line);
    // Writes the error page from errorText, errorFile, errorLine.
    void printStatusPage();

    Zolt db;                          // the engine session: first member

    StrBuf baseName;                  // database or cluster ("," joins several)
    StrBuf applName;                  // application name
    int skipFind = 0;                 // no search in this request
    int binaryFieldRequest = 0;       // ${ZOLTPIFE} given
    int viewRequest = 0;              // ${ZOLTVFLD} given
    int commandLineMode = 0;          // -S run
    NumberedList<StrBuf> clusters;    // numbered database names
    int clusterCount = 0;             // number given to the last new name
    AccessRules accessRules;          // client access rules of the BASE lines
    int cacheGiven = 0;               // a CACHE line was read: the page cache is on
    StrBuf zoltVarA;                  // ${ZOLTVARA}
    int status = 0;                   // 0 OK, -1 failed, else a step's code
    StrBuf errorText{"OK"};           // HTML of the error page's message
    StrBuf errorFile;                 // source unit of the error
    int errorLine = 0;                // shown when >= 1 at message level 1
    FindResult findresult;
    Search search{*this};             // the search and record reading, with their own state
    PtrArray<StrBuf> formFieldNames;  // plain parameter names, request order
    NamedList<StrBuf> formFields;     // plain parameters and ${FREETEXT} (empty name)
    StrBuf andOr{"AND"};              // operator joining form fields
    PtrArray<StrBuf> cclCommands;     // ${CCL} commands, run before the search
    PtrArray<StrBuf> sortKeys;        // ${SORT} values
    PtrArray<StrBuf> urlStack;        // URL stack entries
    int binaryOutput = 0;             // set while a binary field is written
    int timeout = 300;                // TIMEOUT
    int maxHitsGiven = 0;             // ${MAXHITS} or ${MAXHITN} seen
    int idsMode = 0;                  // 100 once an id file was read or written
    StrBuf idsName;                   // name part of ${ZGWIDS}
    StrBuf urlSaveName;               // ${ZGWURLSAVE}
    StrBuf saveHtml;                  // ${SAVEHTML}
    int zgwPart = 0;                  // ${ZGWPART}; the template's part loop moves it
    NamedList<StrBuf> mimeTypes;      // suffix -> content type (MIME)
    StrBuf configFile;                // path of the configuration file (at most 511)
    int loginRequired = 0;            // the engine refused the user: login form
    FilePtr tempFile;                 // scratch file of the request
    TemplateEngine page{*this};       // the page template: its buffer, scan and loops
};
