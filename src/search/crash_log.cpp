// crash_log.cpp - the end of a run whose record position lies outside its result:
// what is known goes to the debug log (or, with debugging off, to a crash log of its
// own, zgwcrash_<pid>.log in the current directory), the page says so, and the
// process ends with status 0 before anything reads outside the id list.

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "cgi/debug_log.h"
#include "cgi/response.h"
#include "entry/zoltgw.h"
#include "search/search.h"

namespace {

constexpr const char* kProblemHeading = "<h1> (S) Ooops, problem reading data </h1>";

// Ends the process: the controller's destructor will not run, so the engine session
// is ended here, which removes its session file.
[[noreturn]] void endProcess() {
    writeResponse(kProblemHeading);
    flushResponse();
    if (Zolt::sessionsStarted() > 0) ZdbEndZdbs(0);
    std::exit(0);
}

}  // namespace

void Search::abortBrokenRun() {
    if (!debugOn()) {
        debugFileName = "zgwcrash_" + std::to_string(::getpid()) + ".log";
        openDebugLog();
        if (!debugOn()) endProcess();
    }
    const FindResult& result = gw_.findresult;
    const char* query = std::getenv("QUERY_STRING");
    debugLog("Detected crash situation.");
    debugLog("readZoltRecord: ris:%d, rfound:%d, rid.lenght:%d", result.ris, result.rfound, result.rid.size());
    debugLog("QUERY_STRING: %s", query ? query : "");
    debugLog("Cache files id: %s", gw_.idsName.c_str());
    debugLog("Aborting...\n");
    closeDebugLog();
    endProcess();
}
