// hit_list.cpp - ${ZOLTFORM} and ${ZOLTFORM.format}: the hit list of the result as the
// engine lays it out in its display window, hits marked by the session. A saved record
// that no longer exists is reported instead (or the error template chosen).

#include <string>

#include "entry/zoltgw.h"
#include "template/search_state.h"
#include "template/template_engine.h"

namespace {

// Length of "${ZOLTFORM": the character after it is "." when a format follows.
constexpr std::size_t kPrefixLength = 10;

}  // namespace

void TemplateEngine::hitList(std::string_view text) {
    std::string format;
    if (text.size() > kPrefixLength && text[kPrefixLength] == '.') {
        std::string_view named = text.substr(kPrefixLength + 1);
        if (!named.empty() && named.back() == '}') named.remove_suffix(1);
        format = "f=" + std::string(named);
    } else {
        format = gw.findresult.showString.str();
    }

    if (!gw.skipFind) {
        gw.db.sortedFlag = -1;
        if (!hitListRead) {
            hitListRead = true;
            // The record is located in the request's own set, which the list then shows
            // whole; marked first, the read would find the record again by its id in a
            // set of its own, and the list would show that one record only.
            gw.readZoltRecord(3);
            markHitListShown(gw);
        }
    }

    if (int id = missingRecordId(gw); id != 0) {
        gw.db.engineError = ZDB_RECORD_GONE;
        ZdbSetIntegerVariable(1, id);
        if (!gw.findresult.snHtmlTemplate.empty()) chooseErrorTemplate(gw);
        else outputDBerror("", true);
        return;
    }

    const FindResult& r = gw.findresult;
    if (gw.db.outputFormat(format.c_str(), r.zoltRow, r.zoltCol, 0) < 0) outputDBerror("", true);
}
