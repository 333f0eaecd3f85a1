// thesaurus_terms.cpp - the terms of a thesaurus display as ids of the result: each
// term's record id, a dot, and its level negated ("17.-2"), which record reading
// recognises as a thesaurus term. Invariant: at most maxHits terms are listed.

#include <string>

#include "db/session_state.h"
#include "entry/error_place.h"
#include "entry/zoltgw.h"
#include "search/search.h"

int Search::readThesaurusTerms() {
    Zolt& db = gw_.db;
    FindResult& result = gw_.findresult;
    result.rfound = 0;
    StrBuf term;
    bool failed = false;
    // The engine's list has no count of its own: the page's hit limit bounds it.
    while (result.rfound < result.maxHits) {
        int level = 0;
        int code = ZdbGetRecordInThes(db.recordControl, db.recordNumber, &level);
        db.lastRc = code;
        if (code == 0) break;
        if ((code & 1) == 0) {
            db.engineError = code;
            db.state = zolt_state::kThesaurusFailed;
            failed = true;
            break;
        }
        int recordId = 0;
        int read = db.getDisplayTerm(term, recordId, 0);
        if (read < 0) failed = true;
        if (read < 1) break;
        db.recordId = recordId;
        ++result.rfound;
        result.rid.add(std::to_string(recordId) + "." + std::to_string(-static_cast<long long>(level)));
    }
    // Nothing has been written yet: the error page, not a heading, reports the failure.
    if (failed) return gw_.failWithEngineMessage(error_line::kThesaurusListing);
    result.hits = 0;
    gw_.createClusterByName(result.thesaurus.view());
    return 0;
}
