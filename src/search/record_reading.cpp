// record_reading.cpp - makes the record at the result position current: by its
// position in the request's own set while that set is current, else found again by
// its id (combined with the search when its hits are wanted), opening the cluster
// database or the thesaurus that the id names.
// Invariant: the id list is read only at a position inside it and inside rfound;
// any other position is a broken run that ends the process (crash_log.cpp).

#include <algorithm>
#include <charconv>
#include <string>

#include "cgi/http_output.h"
#include "cgi/response.h"
#include "db/session_state.h"
#include "entry/zoltgw.h"
#include "search/search.h"

namespace {

// Thesaurus levels a saved id may name: the level is repeated as indentation.
constexpr int kMaxThesaurusLevel = 64;

// A result id: the record id and, after a dot (or a line feed), a cluster number
// (1 or more) or a thesaurus level negated (0 or below).
struct ResultId {
    int recordId = 0;
    bool hasNumber = false;
    int number = 0;
};

// The decimal number that fills `text` (an optional "-" and digits), or nothing.
bool readWhole(std::string_view text, int& value) {
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

ResultId parseResultId(std::string_view text) {
    ResultId id;
    std::size_t cut = text.find_first_of(".\n");
    // An id that is not a number names no record: the engine answers that it has none.
    if (!readWhole(text.substr(0, cut), id.recordId)) id.recordId = 0;
    if (cut != std::string_view::npos) {
        std::string_view rest = text.substr(cut + 1);
        rest = rest.substr(0, rest.find_first_of(".\n"));
        id.hasNumber = readWhole(rest, id.number);
    }
    return id;
}

}  // namespace

void Search::readZoltRecord(int flags) {
    Zolt& db = gw_.db;
    FindResult& result = gw_.findresult;
    recordNotFoundId = 0;
    if (result.ris < 0 || result.ris >= result.rfound || result.ris >= result.rid.size()) abortBrokenRun();

    ResultId id = parseResultId(result.rid.at(result.ris));
    clusterRecord = 0;
    if (id.hasNumber && id.number <= 0) {
        // A thesaurus term: its level shows as indentation; terms have no hits to mark.
        int level = id.number < -kMaxThesaurusLevel ? kMaxThesaurusLevel : -id.number;
        result.hits = result.thesLevel = level;
        db.hilite = 0;
        if (!thesaurusOpen) {
            if (db.openBase(gw_.getClusterByNumber(1)) != 0) return reportEngineError();
            thesaurusOpen = true;
        }
    } else if (id.hasNumber) {
        clusterRecord = 1;
        if ((gw_.skipFind || hitListShown) && id.number != lastClusterOpened) {
            if (db.openBase(gw_.getClusterByNumber(id.number)) != 0) return reportEngineError();
            lastClusterOpened = id.number;
        }
    }

    std::string findText(db.shellSymbol("RXX"));
    findText += '=';
    findText += std::to_string(id.recordId);
    std::string_view searchText = result.findString.view();
    const bool noSearchText = searchText.empty() || searchText == " ";

    int position = 0;
    int found = 0;  // the last find's result
    if (!gw_.skipFind && !thesaurusOpen && !hitListShown) {
        // The request's own set is still the engine's current one.
        position = result.reverseDefine && db.sortedFlag == 0 ? db.recordCount - result.ris : result.ris + 1;
    } else {
        bool combined = (flags & 1) && !noSearchText && !(db.hilite == 0 && result.searchMade);
        if (combined) {
            std::string text = findText + " " + db.shellSymbol("AND");
            if (gw_.skipFind || searchSetText.empty()) {
                text += " (";
                text += searchText;
                text += ')';
            } else {
                text += ' ';
                text += db.shellSymbol("SXX");
                text += '=';
                text += searchSetText.view();
            }
            found = result.fordMode != 1 ? db.findDisplay(text.c_str()) : db.findDisplay(text.c_str(), 0);
            // A record without hits of the search (194) is still shown, by its id alone.
            if (found < 0 || found == ZDB_NO_HITS) {
                db.state = zolt_state::kReady;
                combined = false;
            }
        }
        if (!combined) {
            found = db.findDisplay(findText.c_str(), 0);
            if (found < 0) {
                db.state = zolt_state::kFindFailed;
                return reportEngineError();
            }
        }
        position = 1;
    }

    if (found == ZDB_NO_RECORD || found == ZDB_NO_HITS) {
        recordNotFoundId = id.recordId;
        ZdbEraseRecordControl(db.recordControl);
        return;
    }
    if (!(flags & 2) && db.getRecord(position) < 0) reportEngineError();
}

void Search::readPageAhead(int count) {
    Zolt& db = gw_.db;
    const FindResult& result = gw_.findresult;
    // The cases in which readZoltRecord reads position ris + 1 of the request's own set.
    if (gw_.skipFind || thesaurusOpen || hitListShown || db.state != 0 || db.clusterFlag != 0 ||
        db.sortedFlag != 0 || result.reverseDefine || Zolt::noRecordText())
        return;
    db.readRecords(result.ris + 1, count);
}

void Search::reportEngineError() {
    if (!recordErrorsInPage) {
        gw_.failWithEngineMessage(0);
        return;
    }
    StrBuf heading("<h1> (S) ");
    appendHtmlEscaped(heading, gw_.db.errorMessage());
    heading.append("</h1>");
    writeResponse(heading.view());
}
