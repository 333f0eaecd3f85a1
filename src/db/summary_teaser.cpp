// summary_teaser.cpp - the engine's summary of a field and its teaser (a focus excerpt
// around the hits), written into the page. Both are record text, so both are escaped
// for the session's character set like every item; the teaser's hits are marked with
// hilon and hiloff whatever hilite says.
// Invariant: the engine's texts are read only within the lengths it reports, and every
// summary that is started is ended.

#include <algorithm>

#include "cgi/http_output.h"
#include "cgi/response.h"
#include "db/session_state.h"
#include "db/zolt.h"

namespace {

bool isOdd(int code) { return (code & 1) != 0; }

// Ends a summarization however the summary's writing ends.
class SummaryHandle {
public:
    ~SummaryHandle() {
        if (handle) ZdbEndSummarization(handle);
    }
    ZdbSummary handle = nullptr;
};

}  // namespace

int Zolt::outputSummary() {
    SummaryHandle summary;
    const char* text = nullptr;
    int code = ZdbStartSummarization(&summary.handle, 1);
    if (isOdd(code)) code = ZdbAccumulateSummarization(summary.handle, cursor);
    if (isOdd(code)) code = ZdbGenerateSummary(summary.handle, &text);
    lastRc = code;
    if (!isOdd(code)) return failWith(code, zolt_state::kSummaryFailed);
    StrBuf html;
    appendHtmlText(html, text ? text : "", encoding);  // the text is the engine's until the end
    writeResponse(html.view());
    return 0;
}

int Zolt::outputTeaser(int size) {
    int length = 0;
    const char* text = nullptr;
    int hitCount = 0;
    const int* hits = nullptr;
    int focusCount = 0;
    ZdbSetCursor(&cursor, recordControl, fieldNumber, 0, 0);  // the whole field, from its start
    int code = ZdbGetFocus(cursor, &length, &text, &hitCount, &hits, &focusCount, -size);
    lastRc = code;
    if (!isOdd(code)) return failWith(code, zolt_state::kTeaserFailed);
    ItemText excerpt;
    if (text && length > 0) excerpt.text.assign(text, static_cast<std::size_t>(length));
    const int end = static_cast<int>(excerpt.text.size());
    for (int i = 0; hits && i < hitCount; ++i) {
        int start = std::clamp(hits[2 * i], 0, end);
        // A negative length reaches to the end of the excerpt.
        int hitLength = hits[2 * i + 1] < 0 ? end - start : std::min(hits[2 * i + 1], end - start);
        excerpt.hits.push_back({start, hitLength});
    }
    StrBuf html;
    appendMarked(html, excerpt, -1, 1);
    writeResponse(html.view());
    return 0;
}
