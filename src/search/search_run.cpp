// search_run.cpp - the search of a request: the query from the form fields, the order
// that runs it (FIND, FUZZY or DISPLAY), the sort, the counts, and the template that
// suits the outcome. It runs before any output, so every failure is reported through
// the controller's error page (or, when the request names one, the no-hits template).

#include <string>
#include <vector>

#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "db/session_state.h"
#include "entry/error_place.h"
#include "entry/zoltgw.h"
#include "search/query_builder.h"
#include "search/search.h"

namespace {

// Request modes (${FORD}).
constexpr int kFind = 1, kDisplay = 2, kDisplayNormal = 4, kFuzzy = 5;
// The display kind of a thesaurus (ZdbGetDisplay).
constexpr int kThesaurusDisplay = 2;

bool isDisplayMode(int fordMode) { return fordMode == kDisplay || fordMode == kDisplayNormal; }

// True when the engine finds no field qualifier ("TI=") at the start of the free text.
bool lacksQualifier(std::string_view value) {
    std::string copy(value);  // the engine may write into the text it is given
    int length = static_cast<int>(copy.size());
    ZdbStrNormalize(copy.data(), &length, 4);
    return length == 0;
}

// Defines the TPH field view (all TEXT and PHRASE fields) for unqualified free text.
// A refusal does not stop the search: the text is then searched as the engine can.
void defineFieldView(Zolt& db) {
    std::string command(db.shellSymbol("DEF"));
    command += ' ';
    command += db.shellSymbol("FVW");
    command += " TPH=";
    command += db.shellSymbol("TXT");
    command += ',';
    command += db.shellSymbol("PHR");
    if (db.doCommand(command.c_str(), "") < 0) {
        if (debugOn()) debugLog("doFind: field view not defined (engine code %d)", db.engineError);
        db.state = zolt_state::kReady;  // the session stays usable for the search itself
    }
}

// Runs the order of the request mode; the order's result (0, 194, 226 or negative).
int runOrder(zoltgw& gw, const std::string& ccl) {
    Zolt& db = gw.db;
    FindResult& result = gw.findresult;
    int code = 0;
    switch (result.fordMode) {
        case kFind:
            code = db.findDisplay(ccl.c_str(), 0);
            if (code < 0) db.state = zolt_state::kFindFailed;
            break;
        case kFuzzy:
            code = db.findDisplay(ccl.c_str());
            break;
        case kDisplay:
        case kDisplayNormal:
            code = db.findDisplay(ccl.c_str(), 1);
            if (code < 0) db.state = zolt_state::kDisplayFailed;
            if (!result.diHtmlTemplate.empty()) result.htmlTemplate = result.diHtmlTemplate;
            break;
        default:  // DUMMY: no search
            break;
    }
    return code;
}

}  // namespace

int zoltgw::doFind() { return search.doFind(); }

void zoltgw::readZoltRecord(int flags) { search.readZoltRecord(flags); }

int Search::doFind() {
    Zolt& db = gw_.db;
    FindResult& result = gw_.findresult;
    result.searchMade = 1;
    searchStatus = sortFailed = 0;

    std::vector<QueryField> fields;
    bool fieldViewUsed = false;
    for (const auto& pair : gw_.formFields) {
        QueryField field{pair->key.view(), pair->value.view()};
        if (field.name.empty() && isDisplayMode(result.fordMode) && lacksQualifier(field.value)) {
            defineFieldView(db);
            field.fieldView = fieldViewUsed = true;
        }
        fields.push_back(field);
    }
    std::string andOr(db.shellSymbol(gw_.andOr.c_str()));
    std::string fuzzy(db.shellSymbol("FUZ"));
    std::string ccl = buildQuery(fields, QueryWords{andOr, fuzzy}, result.fuzz != 0);
    if (debugOn()) debugLog("doFind: %s", ccl.c_str());

    int code = runOrder(gw_, ccl);
    result.findString = searchTextOf(ccl, fieldViewUsed);
    if (code == ZDB_NO_HITS || code == ZDB_NO_RECORD || code < 0)
        return reportOutcome(code, error_line::kSearchFailed, true);

    if (int sorted = sortResult(); sorted != 0) return sorted < 0 ? -1 : 0;

    result.ris = result.startRis = result.topris = 0;
    result.hits = db.hitCount;
    result.rfound = db.recordCount;
    if (db.recordCount == 1 && !result.ooHtmlTemplate.empty() &&
        (result.fordMode == kFind || result.fordMode == kFuzzy))
        result.htmlTemplate = result.ooHtmlTemplate;

    if (isDisplayMode(result.fordMode)) {
        if (db.displayKind != kThesaurusDisplay) {
            result.maxPage = 0;  // a display list shows all its terms on one page
            return 0;
        }
        if (readThesaurusTerms() != 0) return -1;
        result.fordMode = kFind;
        if (db.openBase(gw_.getClusterByNumber(1)) != 0) return gw_.failWithEngineMessage(0);
        thesaurusOpen = true;
        return 0;
    }
    if (result.fordMode != kFind && result.fordMode != kFuzzy) return 0;
    return collectRecordIds();
}

int Search::sortResult() {
    if (gw_.sortKeys.empty()) return 0;
    Zolt& db = gw_.db;
    // Only the first key is sent: the engine sorts by a key list of its own syntax.
    int code = ZdbSortRecords(0, gw_.sortKeys.at(0)->c_str());
    db.lastRc = code;
    if ((code & 1) != 0) {
        db.sortedFlag = 1;
        db.state = zolt_state::kReady;
        return 0;
    }
    db.engineError = code;
    db.state = zolt_state::kSortFailed;
    if (!gw_.findresult.snHtmlTemplate.empty()) sortFailed = 1;
    return reportOutcome(-1, error_line::kSortFailed, false) == 0 ? 1 : -1;
}

int Search::reportOutcome(int status, int line, bool withSearchText) {
    FindResult& result = gw_.findresult;
    if (!result.snHtmlTemplate.empty()) {
        searchStatus = status;
        result.htmlTemplate = result.snHtmlTemplate;
        return 0;
    }
    StrBuf html;
    appendHtmlEscaped(html, gw_.db.errorMessage());
    if (withSearchText) {
        html.append(": ");
        appendHtmlText(html, result.findString.view(), gw_.db.encoding);
    }
    return gw_.failStep(html.view(), line);
}
