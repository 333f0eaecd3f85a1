// elements.cpp - zoltElement: one <ZOLT...> element of the template. Parses its name
// and value, runs the single elements (ZOLTRIS, ZOLTREREAD, ZOLTFORM) and the
// conditions (ZOLTIF), and hands loops to loops.cpp. Elements in hidden text are not
// interpreted, but the END elements are, so that conditions and loops close.

#include <vector>

#include "cgi/ascii.h"
#include "cgi/http_output.h"
#include "cgi/response.h"
#include "entry/zoltgw.h"
#include "template/search_state.h"
#include "template/template_engine.h"

namespace {

// The words of an element: split at blank, double quote, "=", ">", line feed, tab and
// carriage return.
std::vector<std::string_view> elementWords(std::string_view text) {
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of(" \"=>\n\t\r", at);
        if (end == std::string_view::npos) end = text.size();
        if (end > at) words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// The element's name, value and item type (for ZOLTLOOP with ITEMTYPE).
struct ElementWords {
    std::string_view name;
    std::string_view value;
    std::string_view itemType;
};

ElementWords parseElement(std::string_view text) {
    std::vector<std::string_view> words = elementWords(text);
    ElementWords element;
    std::size_t at = 0;
    auto next = [&]() { return at < words.size() ? words[at++] : std::string_view(); };
    auto skip = [&](std::string_view word) {
        if (at < words.size() && asciiEqualNoCase(words[at], word)) ++at;
    };
    element.name = next();
    if (asciiEqualNoCase(element.name, "ZOLTLOOP")) skip("LOOPTYPE");
    if (asciiEqualNoCase(element.name, "ZOLTIF")) skip("IFTYPE");
    element.value = next();
    if (asciiEqualNoCase(element.name, "ZOLTLOOP") && at < words.size() && asciiEqualNoCase(words[at], "ITEMTYPE")) {
        ++at;
        element.itemType = next();
    }
    return element;
}

}  // namespace

void TemplateEngine::outputDBerror(std::string_view text, bool withMessage) {
    StrBuf html("<h1> (S) ");
    if (!text.empty()) {
        appendHtmlEscaped(html, text);
        html.append(" ");
    }
    // The engine's message may quote request text (a field or database name).
    if (withMessage) appendHtmlEscaped(html, gw.db.errorMessage());
    html.append("</h1>");
    writeText(html.view());
}

void TemplateEngine::unknownElement(std::string_view name) {
    outputDBerror(std::string("Unknown ZOLT ELEMENT or ATTRIBUTE: ").append(name), false);
}

void TemplateEngine::zoltElement(std::string_view text) {
    ElementWords element = parseElement(text);
    const bool isIf = asciiEqualNoCase(element.name, "ZOLTIF");
    const bool isLoop = asciiEqualNoCase(element.name, "ZOLTLOOP");

    if (asciiEqualNoCase(element.value, "END") && (isIf || isLoop)) {
        if (isIf) conditionEnd();
        else loopEnd();
        return;
    }
    if (htmlOutput == 1) return;

    if (asciiEqualNoCase(element.name, "ZOLTRIS")) {
        gw.readZoltRecord(1);
    } else if (asciiEqualNoCase(element.name, "ZOLTREREAD")) {
        gw.findresult.ris = 0;
    } else if (asciiEqualNoCase(element.name, "ZOLTFORM")) {
        FindResult& r = gw.findresult;
        if (gw.db.outputFormat(r.showString.c_str(), r.zoltRow, r.zoltCol, 1) < 0) outputDBerror("", true);
    } else if (isIf) {
        condition(element.value);
    } else if (isLoop) {
        bool multi = asciiEqualNoCase(element.value, "MULTI") ||
                     (asciiEqualNoCase(element.value, "ITEM") && asciiEqualNoCase(element.itemType, "MULTI"));
        loop(element.value, multi);
    } else {
        unknownElement(element.name);
    }
}

void TemplateEngine::condition(std::string_view type) {
    if (asciiEqualNoCase(type, "ISEMPTY") || asciiEqualNoCase(type, "NEMPTY")) {
        emptyTest(type);
        return;
    }
    bool known = true;
    bool holds = conditionHolds(type, known);
    if (!known) {
        unknownElement(type);
        return;
    }
    savedHtmlOutput = htmlOutput;
    if (!holds) htmlOutput = 1;
}

bool TemplateEngine::conditionHolds(std::string_view type, bool& known) {
    const FindResult& r = gw.findresult;
    auto is = [&](std::string_view name) { return asciiEqualNoCase(type, name); };
    // LPART/NLPART: does part zgwPart + 1 exist? The probe moves the cursor, which is
    // then set back to the session's part.
    auto nextPartMissing = [&]() {
        if (!gw.db.partField) return false;
        int answer = ZdbSetRecordPart(&gw.db.cursor, gw.db.recordControl, gw.zgwPart + 1);
        ZdbSetRecordPart(&gw.db.cursor, gw.db.recordControl, gw.db.partNumber);
        return answer == 3;
    };
    if (is("NFIRST")) return r.ris != 0;
    if (is("NLAST")) return r.ris < r.rfound - 1 && r.ris < r.maxHits - 1;
    if (is("FPART")) return gw.zgwPart == 1;
    if (is("NFPART")) return gw.zgwPart != 1;
    if (is("LPART")) return nextPartMissing();
    if (is("NLPART")) return !nextPartMissing();
    if (is("MORETONE")) return static_cast<unsigned>(r.rfound) > 1;
    if (is("ONEONLY")) return r.rfound < 2;
    if (is("LESSZERO")) return r.rfound < 0;
    if (is("IFVARA")) return !gw.zoltVarA.empty();
    if (is("NOHITS")) return searchStatus(gw) > 0;
    if (is("SORTMAX")) return sortFailed(gw);
    if (is("MORETMAX")) return r.maxHits < r.rfound;
    if (is("MORERIS")) return r.ris < r.rfound && r.ris < r.maxHits;
    if (is("PREVRIS")) return r.startRis != 0;
    if (is("SYNERR")) return searchStatus(gw) < 0;
    if (is("SYNTAX")) return searchStatus(gw) < 0 && !sortFailed(gw);
    known = false;
    return false;
}

void TemplateEngine::emptyTest(std::string_view type) {
    if (ifFlag == 2) {  // read again after the field decided it true: show the text
        ifFlag = 0;
        return;
    }
    if (ifFlag != 0 || emptyStack.size() >= kMaxLoopDepth) {
        unknownElement(type);
        return;
    }
    emptyStack.push_back(static_cast<long>(elementStart));
    ifFlag = 1;
    emptyKind = asciiEqualNoCase(type, "ISEMPTY") ? 1 : 0;
    savedHtmlOutput = htmlOutput;
    htmlOutput = 1;
}

void TemplateEngine::conditionEnd() {
    ifFlag = 0;
    if (!emptyStack.empty()) emptyStack.pop_back();
    if (savedHtmlOutput != 2) {
        htmlOutput = savedHtmlOutput;
        savedHtmlOutput = 2;
    }
}
