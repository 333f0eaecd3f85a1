// variable_table.cpp - the table of the template's fixed variable names, in the order
// they are matched. The URL-stack names are here so that they are never taken for
// field references, whatever this build does with them.

#include "template/variable_table.h"

#include "cgi/ascii.h"

const VariableEntry* TemplateEngine::findVariable(std::string_view text) {
    using E = TemplateEngine;
    auto n = [](auto value) { return static_cast<int>(value); };
    static const VariableEntry kVariables[] = {
        // Names written as themselves: parameter names for forms and links.
        {"${APPL}", &E::writeOwnName}, {"${SORT}", &E::writeOwnName}, {"${BASE}", &E::writeOwnName},
        {"${THES}", &E::writeOwnName}, {"${DEBUG}", &E::writeOwnName}, {"${ZOLTSHOW}", &E::writeOwnName},
        {"${ZOLTROW}", &E::writeOwnName}, {"${ZOLTCOL}", &E::writeOwnName}, {"${HTML}", &E::writeOwnName},
        {"${SNHTML}", &E::writeOwnName}, {"${SAVEHTML}", &E::writeOwnName}, {"${FORD}", &E::writeOwnName},
        {"${ANDOR}", &E::writeOwnName}, {"${DIHTML}", &E::writeOwnName}, {"${FREETEXT}", &E::writeOwnName},
        {"${CCL}", &E::writeOwnName}, {"${OOHTML}", &E::writeOwnName}, {"${MAXPAGE}", &E::writeOwnName},
        {"${HILITE}", &E::writeOwnName}, {"${HILITEATTR}", &E::writeOwnName},
        {"${ZGWURLSAVE}", &E::writeOwnName}, {"${MAXHITN}", &E::writeOwnName},
        // Values.
        {"${ZGW}", &E::writeZgw},
        {"${MAXPAGN}", &E::writeNumber, n(NumberValue::kMaxPage)},
        {"${CURRRIS}", &E::writeNumber, n(NumberValue::kPosition)},
        {"${CURRIS}", &E::writeNumber, n(NumberValue::kPosition)},
        {"${CURRRID}", &E::writeRecordId}, {"${CURRID}", &E::writeRecordId},
        {"${CURRBASE}", &E::writeRecordBase}, {"${CURBASE}", &E::writeRecordBase},
        {"${CURRBASE.C}", &E::writeBaseName}, {"${CURBASE.C}", &E::writeBaseName},
        {"${CURPART}", &E::writeNumber, n(NumberValue::kPart)},
        {"${ZGWPART}", &E::writeZgwPart}, {"${FIRSTHIT}", &E::writeFirstHit},
        {"${DBERROR}", &E::writeDbError}, {"${REFERER}", &E::writeReferer},
        {"${FINDSTR}", &E::writeFindString}, {"${THLEVEL}", &E::writeThesaurusLevel},
        {"${MAXHITS}", &E::writeMaxHits}, {"${ZOLTVARA}", &E::writeZoltVarA},
        {"${MATCHES}", &E::writeNumber, n(NumberValue::kHits)},
        {"${DPYTERM}", &E::writeDisplayTerm, 0}, {"${DPYTERM.+}", &E::writeDisplayTerm, 1},
        {"${RECORDS}", &E::writeNumber, n(NumberValue::kRecords)},
        // Navigation links.
        {"${NEXTREC}", &E::writePageLink, n(LinkKind::kNextRecord)},
        {"${FORWARD}", &E::writePageLink, n(LinkKind::kForward)},
        {"${NEXTPART}", &E::writePageLink, n(LinkKind::kNextPart)},
        {"${PREVREC}", &E::writePageLink, n(LinkKind::kPreviousRecord)},
        {"${BACKWARD}", &E::writePageLink, n(LinkKind::kBackward)},
        {"${PREVPART}", &E::writePageLink, n(LinkKind::kPreviousPart)},
        {"${ZOLTSTRING}", &E::writeFieldLink, n(FieldLink::kBinaryField)},
        {"${ZOLTVIEW}", &E::writeFieldLink, n(FieldLink::kView)},
        {"${ZOLTCUR}", &E::writeSearchLink, n(SearchLink::kCurrent)},
        {"${ZOLTCURX}", &E::writeSearchLink, n(SearchLink::kCurrentWithScript)},
        {"${ZOLTSLI}", &E::writeSearchLink, n(SearchLink::kPageStart)},
        // The URL stack (${FROMURL...} is matched as a prefix).
        {"${SURLSLI}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${SURLCUR}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${SURLDUM}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${FROMHTML}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${FROMFIRST}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${FROMTHIRD}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${PASSURL}", &E::urlStackVariable, n(UrlStackAction::kPass)},
        {"${PASSHTML}", &E::urlStackVariable, n(UrlStackAction::kPass)},
        {"${PASSURLD}", &E::urlStackVariable, n(UrlStackAction::kLater)},
        {"${CLRURLS}", &E::urlStackVariable, n(UrlStackAction::kClear), true},
    };
    for (const VariableEntry& entry : kVariables)
        if (asciiEqualNoCase(text, entry.name)) return &entry;
    return nullptr;
}
