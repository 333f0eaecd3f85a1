// variables.cpp - zoltVariable: one ${...} of the template. The fixed names form one
// dispatch table (names written as themselves, values, links, the hit list, the URL
// stack); any other text is a field reference. Values that come from the request or a
// record are escaped for the place they land: HTML text here, link values in links.
// Invariant: while output is hidden no fixed name writes or changes anything, except
// ${CLRURLS}.

#include <algorithm>
#include <cstdlib>
#include <string>

#include "cgi/ascii.h"
#include "cgi/http_output.h"
#include "cgi/link_value.h"
#include "cgi/response.h"
#include "entry/zoltgw.h"
#include "template/template_engine.h"
#include "config/config_syntax.h"
#include "template/variable_table.h"

namespace {

// Writes text as HTML text in the session's character set (request and record text).
void writeHtmlText(std::string_view text, int encoding) {
    StrBuf html;
    appendHtmlText(html, text, encoding);
    writeResponse(html.view());
}

// The rid entry at the current position, empty when the position is outside the list.
std::string_view currentRid(const zoltgw& gw) {
    return gw.findresult.rid.at(gw.findresult.ris);
}

}  // namespace

// ---- Names written as themselves and values ----

void TemplateEngine::writeOwnName(std::string_view text, int) { writeText(text); }

void TemplateEngine::writeZgw(std::string_view, int) {
    printScriptUrl();
    queryPending = 1;
}

void TemplateEngine::writeNumber(std::string_view, int which) {
    const FindResult& r = gw.findresult;
    int value = 0;
    switch (static_cast<NumberValue>(which)) {
        case NumberValue::kMaxPage: value = r.maxPage; break;
        case NumberValue::kPosition: value = r.ris + 1; break;
        case NumberValue::kPart: value = gw.db.partNumber; break;
        case NumberValue::kHits: value = r.hits; break;
        case NumberValue::kRecords: value = r.rfound; break;
    }
    writeText(std::to_string(value));
}

void TemplateEngine::writeRecordId(std::string_view, int) {
    std::string_view text = currentRid(gw);
    if (text.empty()) return;
    writeHtmlText(text.substr(0, text.find('.')), gw.db.encoding);
}

void TemplateEngine::writeRecordBase(std::string_view, int) {
    std::string_view text = currentRid(gw);
    if (text.empty()) return;
    std::size_t dot = text.find('.');
    if (dot == std::string_view::npos) {
        writeHtmlText(gw.baseName.view(), gw.db.encoding);
        return;
    }
    int number = readNumber(text.substr(dot + 1));
    writeHtmlText(gw.getClusterByNumber(number), gw.db.encoding);
}

void TemplateEngine::writeBaseName(std::string_view, int) { writeHtmlText(gw.baseName.view(), gw.db.encoding); }

void TemplateEngine::writeZgwPart(std::string_view, int) { writeText("${ZGWPART}=" + std::to_string(gw.zgwPart)); }

void TemplateEngine::writeFirstHit(std::string_view, int) { writeText("<a href=#hit1></a>"); }

void TemplateEngine::writeDbError(std::string_view, int) {
    // The engine's message may quote request text (a database or field name).
    writeHtmlText(gw.db.errorMessage(), gw.db.encoding);
}

void TemplateEngine::writeReferer(std::string_view, int) {
    if (const char* referer = std::getenv("HTTP_REFERER")) writeHtmlText(referer, gw.db.encoding);
}

void TemplateEngine::writeFindString(std::string_view, int) {
    writeHtmlText(gw.findresult.findString.view(), gw.db.encoding);
}

void TemplateEngine::writeThesaurusLevel(std::string_view, int) {
    // The level may come from a saved file: the indent stays small whatever it says.
    int level = std::clamp(gw.findresult.thesLevel, 0, kMaxThesaurusLevel);
    for (int i = 0; i < 3 * level; ++i) writeText("&#160;");
}

void TemplateEngine::writeMaxHits(std::string_view text, int) {
    if (nextCharIsEquals()) writeText(text);
    else writeText(std::to_string(gw.findresult.maxHits));
}

void TemplateEngine::writeZoltVarA(std::string_view text, int) {
    if (nextCharIsEquals()) writeText(text);
    else writeHtmlText(gw.zoltVarA.view(), gw.db.encoding);
}

void TemplateEngine::writeDisplayTerm(std::string_view, int asLinkValue) {
    if (asLinkValue) printLinkValue(gw.findresult.displayTerm.view());
    else writeHtmlText(gw.findresult.displayTerm.view(), gw.db.encoding);
}

bool TemplateEngine::nextCharIsEquals() const {
    return templatePos < templateText.size() && templateText[templatePos] == '=';
}

// ---- The dispatch ----

void TemplateEngine::zoltVariable(std::string_view text) {
    if (const VariableEntry* entry = findVariable(text)) {
        if (htmlOutput == 1 && !entry->runsHidden) return;
        (this->*(entry->action))(text, entry->argument);
        return;
    }
    if (asciiStartsWithNoCase(text, "${ZOLTFORM")) {
        if (htmlOutput != 1) hitList(text);
        return;
    }
    if (asciiStartsWithNoCase(text, "${FROMURL")) {
        if (htmlOutput != 1) urlStackVariable(text, static_cast<int>(UrlStackAction::kLinkNumbered));
        return;
    }
    fieldReference(text);
}
