// request_params.cpp - cgiParse: the request's parameters into the controller's
// state. Names written like template variables ("${BASE}") steer the program; every
// other name with a value is a form field for the search. After the parameters the
// application and database are settled, the user is logged in and the template
// names are fixed. Runs after the configuration, so a parameter wins over the file.

#include <string>
#include <utility>
#include <vector>

#include "cgi/ascii.h"
#include "cgi/debug_log.h"
#include "cgi/entry_list.h"
#include "cgi/highlight_tag.h"
#include "cgi/http_output.h"
#include "cgi/password_scramble.h"
#include "cgi/response.h"
#include "config/config_syntax.h"
#include "entry/debug_echo.h"
#include "entry/error_place.h"
#include "entry/zoltgw.h"

namespace {

// Longest template name a request may give (the template names the gateway keeps hold
// at most 255 bytes); a longer one is refused rather than cut, since a cut name would
// open another file.
constexpr int kTemplateNameMax = 255;

// Working state of one cgiParse call.
struct ParseState {
    StrBuf htmlName;        // ${HTML}
    StrBuf ooHtmlName;      // ${OOHTML}
    StrBuf showHtmlName;    // HTML= of ${ZOLTSHOW}
    StrBuf showOoHtmlName;  // OOHTML= of ${ZOLTSHOW}
    bool applGiven = false; // an ${APPL} was seen
    int baseCount = 0;      // ${BASE} values seen
    StrBuf firstBase;       // the first ${BASE} value
    int pendingMaxHits = 0; // ${MAXHITS}/${MAXHITN}; 0: none
};

// A control parameter's action: 0 to go on with the next parameter, or the status
// that ends cgiParse.
using Action = int (*)(zoltgw&, ParseState&, std::string_view value);

// The refusal of a template name beyond kTemplateNameMax.
int refuseTemplateName(zoltgw& gw) { return gw.failStep("(S) Template name longer than 255 characters", 0); }

// Keeps a template name; refuses one that is too long.
int keepTemplateName(zoltgw& gw, StrBuf& name, std::string_view value) {
    if (value.size() > static_cast<std::size_t>(kTemplateNameMax)) return refuseTemplateName(gw);
    name = value;
    return 0;
}

// The actions of the control parameters, one per name of kControlParameters below:
// each applies its value ("number": the value read as a decimal integer, 0 when it is
// none) to the controller and returns 0, or the status that ends cgiParse.

// The parameters that only store their value in a field of the result record: the
// text as it stands, or the number.
template <StrBuf FindResult::*field>
int keepText(zoltgw& gw, ParseState&, std::string_view value) {
    gw.findresult.*field = value;
    return 0;
}

template <int FindResult::*field>
int keepNumber(zoltgw& gw, ParseState&, std::string_view value) {
    gw.findresult.*field = readNumber(value);
    return 0;
}

int debug(zoltgw& gw, ParseState&, std::string_view value) {
    // -1 (NODEBUG in the configuration) keeps the echo off for good.
    if (gw.findresult.debugEcho != 0 || readNumber(value) <= 0) return 0;
    gw.findresult.debugEcho = 1;
    writeDebugEcho();
    return 0;
}

int appl(zoltgw& gw, ParseState& state, std::string_view value) {
    gw.applName = value;
    state.applGiven = true;
    return 0;
}

int base(zoltgw& gw, ParseState& state, std::string_view value) {
    if (state.baseCount == 0) {
        gw.baseName = value;
        state.firstBase = value;
    } else {
        gw.baseName.append(",");
        gw.baseName.append(value);
    }
    ++state.baseCount;
    return 0;
}

int html(zoltgw& gw, ParseState& state, std::string_view value) {
    return keepTemplateName(gw, state.htmlName, value);
}

int ooHtml(zoltgw& gw, ParseState& state, std::string_view value) {
    return keepTemplateName(gw, state.ooHtmlName, value);
}

int maxHits(zoltgw& gw, ParseState& state, std::string_view value) {
    state.pendingMaxHits = readNumber(value);
    gw.maxHitsGiven = 1;
    return 0;
}

int zoltShow(zoltgw& gw, ParseState& state, std::string_view value) {
    gw.parseShowstr(value, state.showHtmlName, state.showOoHtmlName);
    if (state.showHtmlName.length() > kTemplateNameMax || state.showOoHtmlName.length() > kTemplateNameMax)
        return refuseTemplateName(gw);
    return 0;
}

int andOr(zoltgw& gw, ParseState&, std::string_view value) {
    // The internal word of OR is ORX (the session translates it).
    gw.andOr = asciiEqualNoCase(value, "OR") ? std::string_view("ORX") : value;
    return 0;
}

int zoltVarA(zoltgw& gw, ParseState&, std::string_view value) {
    gw.zoltVarA = value;
    return 0;
}

int ford(zoltgw& gw, ParseState&, std::string_view value) {
    int& mode = gw.findresult.fordMode;
    if (int number = readNumber(value); number != 0) {
        mode = number;
        if (mode == 4) gw.db.termSign = 0;
    } else if (asciiEqualNoCase(value, "FIND")) {
        mode = 1;
    } else if (asciiEqualNoCase(value, "DISPLAY")) {
        mode = 2;
    } else if (asciiEqualNoCase(value, "DISPNORM")) {
        mode = 4;
        gw.db.termSign = 0;
    } else if (asciiEqualNoCase(value, "FUZZ")) {
        mode = 5;
    } else if (asciiEqualNoCase(value, "DUMMY")) {
        mode = 3;
        gw.skipFind = 1;
    }
    return 0;
}

int zgwPart(zoltgw& gw, ParseState&, std::string_view value) {
    if (int number = readNumber(value); number != 0) gw.zgwPart = number;
    return 0;
}

int zgwIds(zoltgw& gw, ParseState&, std::string_view value) { return gw.readSavedResult(value); }

int zoltPife(zoltgw& gw, ParseState&, std::string_view value) {
    gw.findresult.binaryFieldName = value;
    gw.binaryFieldRequest = 1;
    return 0;
}

int zoltVfld(zoltgw& gw, ParseState&, std::string_view value) {
    gw.findresult.viewFieldName = value;
    gw.viewRequest = 1;
    return 0;
}

int saveHtml(zoltgw& gw, ParseState&, std::string_view value) {
    std::string entry = "STDHTML=";
    entry += value;
    entry += '}';
    gw.readUrlStack(entry);
    gw.saveHtml = value;
    return 0;
}

int zgwUrlSave(zoltgw& gw, ParseState&, std::string_view value) { return gw.readSavedUrlStack(value); }

int freeText(zoltgw& gw, ParseState&, std::string_view value) {
    // Free text has no field name: the search looks for it in all fields.
    if (!value.empty()) addPair(gw.formFields, StrBuf(), StrBuf(value));
    return 0;
}

int ccl(zoltgw& gw, ParseState&, std::string_view value) {
    if (value.empty()) return 0;
    if (asciiEqualNoCase(value, "define reverse")) gw.findresult.reverseDefine = 1;
    else gw.cclCommands.add(StrBuf(value));
    return 0;
}

int sort(zoltgw& gw, ParseState&, std::string_view value) {
    if (!value.empty()) gw.sortKeys.add(StrBuf(value));
    return 0;
}

int hiliteAttr(zoltgw& gw, ParseState&, std::string_view value) {
    // The markup goes into the page around every hit as it stands: a value that could
    // carry script leaves the configured markup in place.
    if (!isRequestHighlightAllowed(value)) {
        if (debugOn()) debugLog("cgiParse: ${HILITEATTR} refused: not a plain formatting tag");
        return 0;
    }
    gw.db.hilon = value;
    if (std::optional<std::string> closing = closingTagFor(value)) gw.db.hiloff = *closing;
    return 0;
}

int hilite(zoltgw& gw, ParseState&, std::string_view value) {
    gw.db.hilite = readNumber(value);
    return 0;
}

int user(zoltgw& gw, ParseState&, std::string_view value) {
    gw.findresult.userName = value;
    setCookie("zgwuser", value);
    return 0;
}

int pwd(zoltgw& gw, ParseState&, std::string_view value) {
    // The cookie holds at most 32 characters: this request logs in with exactly the
    // password that the cookie gives back on the next one.
    std::string_view kept = value.substr(0, kMaxScrambledPassword);
    gw.findresult.password = kept;
    setCookie("zgwpasswd", scramblePassword(kept));
    return 0;
}

struct ControlParameter {
    std::string_view name;
    Action action;
};

constexpr ControlParameter kControlParameters[] = {
    {"${DEBUG}", debug},                                 {"${APPL}", appl},
    {"${BASE}", base},                                   {"${LANGUAGE}", keepText<&FindResult::language>},
    {"${THES}", keepText<&FindResult::thesaurus>},       {"${HTML}", html},
    {"${DIHTML}", keepText<&FindResult::diHtmlTemplate>}, {"${OOHTML}", ooHtml},
    {"${SNHTML}", keepText<&FindResult::snHtmlTemplate>}, {"${MAXHITS}", maxHits},
    {"${MAXHITN}", maxHits},                             {"${ZOLTROW}", keepNumber<&FindResult::zoltRow>},
    {"${ZOLTCOL}", keepNumber<&FindResult::zoltCol>},    {"${ZOLTSHOW}", zoltShow},
    {"${ANDOR}", andOr},                                 {"${ZOLTVARA}", zoltVarA},
    {"${MAXPAGE}", keepNumber<&FindResult::maxPage>},    {"${FUZZ}", keepNumber<&FindResult::fuzz>},
    {"${FORD}", ford},                                   {"${ZGWPART}", zgwPart},
    {"${ZGWIDS}", zgwIds},                               {"${FINDSTR}", keepText<&FindResult::findString>},
    {"${ZOLTPIFE}", zoltPife},                           {"${ZOLTVFLD}", zoltVfld},
    {"${SAVEHTML}", saveHtml},                           {"${ZGWURLSAVE}", zgwUrlSave},
    {"${FREETEXT}", freeText},                           {"${CCL}", ccl},
    {"${SORT}", sort},                                   {"${HILITEATTR}", hiliteAttr},
    {"${HILITE}", hilite},                               {"${USER}", user},
    {"${PWD}", pwd},
};

Action findAction(std::string_view name) {
    for (const auto& parameter : kControlParameters)
        if (asciiEqualNoCase(name, parameter.name)) return parameter.action;
    return nullptr;
}

// The application and the database when only one of the two was given.
void settleApplication(zoltgw& gw, const ParseState& state) {
    if (!state.applGiven) {
        const StrBuf* database = findValueByName(gw.findresult.baseApplTable, state.firstBase.view());
        gw.applName = database ? *database : state.firstBase;
    } else if (state.baseCount == 0) {
        gw.baseName = gw.applName;
    }
}

// The template names, the ${ZOLTSHOW} words winning over ${HTML} and ${OOHTML}.
void settleTemplates(zoltgw& gw, const ParseState& state) {
    gw.findresult.htmlTemplate = state.htmlName;
    gw.findresult.ooHtmlTemplate = state.ooHtmlName;
    if (!state.showHtmlName.empty()) gw.findresult.htmlTemplate = state.showHtmlName;
    if (!state.showOoHtmlName.empty()) gw.findresult.ooHtmlTemplate = state.showOoHtmlName;
}

}  // namespace

int zoltgw::cgiParse() {
    // A private copy: the actions may write the response, but the walk must see the
    // request exactly as it came.
    std::vector<std::pair<std::string, std::string>> entries;
    for (const Entry* entry = cgiEntries.first(); entry; entry = entry->next.get())
        entries.emplace_back(entry->name, entry->value);
    if (entries.empty()) return failStep("(S) No arguments found", error_line::kNoArguments);

    ParseState state;
    for (const auto& [name, value] : entries) {
        if (findresult.debugEcho > 0) writeResponse(name + ":" + value + "\n");
        if (!name.empty() && name.front() == '$') {
            if (Action action = findAction(name)) {
                int result = action(*this, state, value);
                if (result != 0) {
                    status = result;
                    return result;
                }
            }
        } else if (!value.empty()) {
            addPair(formFields, StrBuf(name), StrBuf(value));
            formFieldNames.add(StrBuf(name));
        }
    }

    if (!state.applGiven && state.baseCount == 0)
        return failStep("(S) Database information missing or ${base} variable", error_line::kNoDatabase);
    settleApplication(*this, state);

    if (!findresult.language.empty()) UpdateRCS("ZDBS_LANG", findresult.language.c_str());

    status = doLogin();
    if (status != 0) return status;

    settleTemplates(*this, state);
    if (state.pendingMaxHits != 0) findresult.maxHits = state.pendingMaxHits;
    return 0;
}
