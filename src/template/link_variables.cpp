// link_variables.cpp - the variables that write links to further pages: the next and
// previous record, page and part, the record links for a binary field or a view, and the
// links back to a search result. Parameter names are written as the gateway reads them
// ("${APPL}"); every value goes through the link-value encoder, so that it comes back in
// the next request exactly as it was (a "+" or "&" of a search text included).
// Invariant: a link that moves the record position restores it before it returns.

#include <string>

#include "cgi/http_output.h"
#include "cgi/link_value.h"
#include "cgi/response.h"
#include "entry/zoltgw.h"
#include "template/template_engine.h"
#include "template/variable_table.h"

namespace {

// Writes "name=value" with the value encoded.
void writeParameter(std::string_view name, std::string_view value) {
    writeResponse(name);
    writeResponse("=");
    printLinkValue(value);
}

// Writes "name=number".
void writeParameter(std::string_view name, int number) {
    writeResponse(name);
    writeResponse("=");
    writeResponse(std::to_string(number));
}

// Restores the record position when the link is written.
class KeptPosition {
public:
    explicit KeptPosition(int& ris) : ris_(ris), kept_(ris) {}
    ~KeptPosition() { ris_ = kept_; }
    KeptPosition(const KeptPosition&) = delete;
    KeptPosition& operator=(const KeptPosition&) = delete;

private:
    int& ris_;
    int kept_;
};

}  // namespace

void TemplateEngine::writeSavedResultReference() {
    // "<position>.<slot>/<stamp>", or without a cache the whole saved result itself.
    std::string reference = std::to_string(gw.findresult.ris) + ".";
    reference += gw.cacheGiven ? gw.idsName.str() : std::string(gw.getFarg());
    printLinkValue(reference);
}

void TemplateEngine::writePageParameters(bool withTemplate) {
    writeParameter("${APPL}", gw.applName.view());
    writeResponse("&");
    writeParameter("${BASE}", gw.baseName.view());
    writeResponse("&");
    writeParameter("${FORD}", gw.findresult.fordMode);
    if (withTemplate) {
        writeResponse("&");
        writeParameter("${HTML}", gw.findresult.htmlTemplate.view());
    }
    writeResponse("&${ZGWIDS}=");
    writeSavedResultReference();
}

void TemplateEngine::writePageLink(std::string_view, int which) {
    FindResult& r = gw.findresult;
    const auto kind = static_cast<LinkKind>(which);
    {
        KeptPosition kept(r.ris);
        if (kind == LinkKind::kNextRecord && r.ris + 1 < r.rfound) ++r.ris;
        if (kind == LinkKind::kPreviousRecord && r.ris > 0) --r.ris;
        if (kind == LinkKind::kBackward && r.topris - r.maxPage + 1 >= 0) r.ris = r.topris - r.maxPage + 1;
        if (!gw.commandLineMode) {
            printScriptUrl();
            writeResponse("?");
        }
        if (r.maxPage != 0) {
            writeParameter("${MAXPAGE}", r.maxPage);
            writeResponse("&");
        }
        writePageParameters(true);
    }
    if (kind == LinkKind::kNextPart || kind == LinkKind::kPreviousPart) {
        writeResponse("&");
        writeParameter("${ZGWPART}", kind == LinkKind::kNextPart ? gw.zgwPart + 1 : gw.zgwPart - 1);
    }
    writeResponse("&");
    writeParameter("${HILITE}", gw.db.hilite);
    if (gw.maxHitsGiven) {
        writeResponse("&");
        writeParameter("${MAXHITS}", r.maxHits);
    }
    if (!r.showString.empty()) {
        writeResponse("&");
        writeParameter("${ZOLTSHOW}", r.showString.view());
    }
    if (!gw.urlStack.empty()) {
        writeResponse("&");
        writePassUrl();
    }
}

void TemplateEngine::writeFieldLink(std::string_view, int which) {
    writePageParameters(false);
    // The template goes on with "=" and the field to send or view.
    writeResponse(static_cast<FieldLink>(which) == FieldLink::kBinaryField ? "&${ZOLTPIFE}" : "&${ZOLTVFLD}");
}

void TemplateEngine::writeSearchLink(std::string_view, int which) {
    FindResult& r = gw.findresult;
    const auto kind = static_cast<SearchLink>(which);
    KeptPosition kept(r.ris);
    if (kind == SearchLink::kCurrentWithScript) {
        printScriptUrl();
        writeResponse("?");
    }
    if (kind == SearchLink::kPageStart) r.ris = r.topris;
    writeParameter("${APPL}", gw.applName.view());
    writeResponse("&");
    writeParameter("${BASE}", gw.baseName.view());
    if (r.fordMode == 1 || r.fordMode == 5) {
        writeResponse("&${ZGWIDS}=");
        writeSavedResultReference();
    }
    if (r.fordMode == 2 || r.fordMode == 4) {
        if (gw.formFieldNames.empty()) {
            writeResponse("&");
            writeParameter("${FREETEXT}", r.displayTerm.view());
        }
        for (const auto& name : gw.formFieldNames) {
            // The apostrophes quote the term for the search; encoded, they arrive as such
            // and cannot end an attribute written between apostrophes.
            writeResponse("&");
            writeParameter(linkValue(name->view()), "'" + r.displayTerm.str() + "'");
        }
    }
    if (gw.maxHitsGiven) {
        writeResponse("&");
        writeParameter("${MAXHITS}", r.maxHits);
    }
}
