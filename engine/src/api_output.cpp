// api_output.cpp - summaries (ZdbStartSummarization ... ZdbEndSummarization), focus
// excerpts (ZdbGetFocus) and document export (ZdbExport). Texts handed out belong to
// the engine: a summary until its ZdbEndSummarization, a focus excerpt until the next
// ZdbGetFocus.

#include <cstdlib>
#include <cstring>

#include "api_state.h"
#include "exporter.h"
#include "focus.h"
#include "messages.h"
#include "record_access.h"
#include "session.h"
#include "session_text.h"
#include "summary.h"
#include "zdb.h"

using namespace zdb;

namespace {

// Largest focus excerpt asked for, in bytes.
constexpr int kMaxFocusBytes = 1 << 20;

// The field at the cursor as one text with its hits (UTF-8).
FieldText cursorFieldText(Session& s, ZdbCursorData& cursor) {
    const Field& field = cursorField(cursor);
    followRecord(cursor);
    ZdbRecordControlData& rc = *cursor.rc;
    loadContent(rc);
    return fieldText(rc.content, effectivePart(cursor, field), field.number, utf8Hits(s, rc), " ");
}

// The message of `code` filled with its argument, in the session's set, for the block.
void fillErrorText(ZdbExportRequest* request, int code) {
    if (!request) return;
    auto text = catalogueText(code);
    std::string message = text ? fillMessage(*text, messageArgument(code)) : std::string();
    Session* s = currentSession();
    std::string out = s ? fitSession(s->charset(), message, sizeof request->errorText - 1)
                        : message.substr(0, sizeof request->errorText - 1);
    std::memcpy(request->errorText, out.c_str(), out.size() + 1);
}

}  // namespace

extern "C" {

int ZdbStartSummarization(ZdbSummary* handle, int mode) {
    return guarded([&] {
        Session& s = session();
        if (!handle || mode != 1) throw EngineError(kInvalidArgument, "ZdbStartSummarization");
        s.summaries.push_back(std::make_unique<ZdbSummaryData>());
        *handle = s.summaries.back().get();
        return ZDB_OK;
    });
}

int ZdbAccumulateSummarization(ZdbSummary handle, ZdbCursor cursorHandle) {
    return guarded([&] {
        Session& s = session();
        ZdbSummaryData& summary = s.summary(handle);
        summary.fields.push_back(cursorFieldText(s, s.cursor(cursorHandle)));
        return ZDB_OK;
    });
}

int ZdbGenerateSummary(ZdbSummary handle, const char** text) {
    return guarded([&] {
        if (!text) throw EngineError(kInvalidArgument, "ZdbGenerateSummary");
        Session& s = session();
        ZdbSummaryData& summary = s.summary(handle);
        summary.summary = makeSummary(summary.fields, s.charset());
        *text = summary.summary.c_str();
        return ZDB_OK;
    });
}

int ZdbEndSummarization(ZdbSummary handle) {
    return guarded([&] {
        Session& s = session();
        ZdbSummaryData& summary = s.summary(handle);
        std::erase_if(s.summaries, [&](const auto& owned) { return owned.get() == &summary; });
        return ZDB_OK;
    });
}

int ZdbGetFocus(ZdbCursor cursorHandle, int* length, const char** text, int* hitCount, const int** hits,
                int* count, int size) {
    return guarded([&] {
        if (!length || !text || !hitCount || !hits || !count || size == 0 || size == INT32_MIN)
            throw EngineError(kInvalidArgument, "ZdbGetFocus");
        Session& s = session();
        // Callers pass the size negated; either sign is taken as the size.
        int bytes = std::min(std::abs(size), kMaxFocusBytes);
        FieldText field = cursorFieldText(s, s.cursor(cursorHandle));
        Excerpt excerpt = focusExcerpt(field, static_cast<size_t>(bytes), s.charset());
        s.focusText = std::move(excerpt.text);
        s.focusHits.clear();
        for (auto [start, bytesOfHit] : excerpt.hits) {
            s.focusHits.push_back(start);
            s.focusHits.push_back(bytesOfHit);
        }
        *text = s.focusText.c_str();
        *length = static_cast<int>(s.focusText.size());
        *hitCount = static_cast<int>(excerpt.hits.size());
        *hits = s.focusHits.data();
        *count = static_cast<int>(field.hits.size());
        return ZDB_OK;
    });
}

int ZdbExport(ZdbExportRequest* request) {
    int code = guarded([&] {
        if (!request) throw EngineError(kInvalidArgument, "ZdbExport");
        runExport(session(), *request);
        return ZDB_OK;
    });
    if (!(code & 1)) fillErrorText(request, code);
    return code;
}

}  // extern "C"
