// url_stack.cpp - the page history: ${SURLSLI}, ${SURLCUR} and ${SURLDUM} save the stack
// this request received, followed by this page's own entry, in a URL-stack file and
// write its name for the next request's ${ZGWURLSAVE}; ${FROMURL...}, ${FROMHTML},
// ${FROMFIRST} and ${FROMTHIRD} write a link back to an entry of the stack, saving the
// entries below it for the page it leads to; ${PASSURL} passes the stack on.
// Invariant: file names are made of the page's slot and stamp and numbers only, never
// of request text; files are written whole under a temporary name and then renamed,
// and every stored value comes back in a link through the link-value encoder.

#include <string>

#include "cgi/http_output.h"
#include "cgi/link_value.h"
#include "cgi/response.h"
#include "config/config_syntax.h"
#include "entry/error_place.h"
#include "entry/url_stack_format.h"
#include "entry/zoltgw.h"
#include "template/cache_file.h"
#include "template/template_engine.h"
#include "template/variable_table.h"

namespace {

// Length of "${FROMURL": a "." and a number may follow before the closing brace.
constexpr std::size_t kLinkPrefixLength = 9;
// The RIS value of a page whose result was empty.
constexpr const char* kEmptyResultMark = "0,0,-999";

// Keys of an entry that come back under a parameter name of their own, as they stand.
struct RenamedKey {
    std::string_view key;
    std::string_view parameter;
};
constexpr RenamedKey kRenamedKeys[] = {
    {"BASE", "${BASE}"}, {"ZLTHTML", "${HTML}"}, {"MAXHIT", "${MAXHITS}"},
    {"MAXPAGE", "${MAXPAGE}"}, {"FORD", "${FORD}"},
};

// Appends "KEY=value{" with the value stored.
void appendStored(std::string& entry, std::string_view key, std::string_view value) {
    entry += key;
    entry += '=';
    entry += storedStackValue(value);
    entry += '{';
}

// Writes a value that stands for a whole parameter, "name=value": both halves encoded,
// so that it arrives as that one parameter and can add no other.
void writeWholeParameter(std::string_view text) {
    std::size_t equals = text.find('=');
    printLinkValue(text.substr(0, equals));
    if (equals == std::string_view::npos) return;
    writeResponse("=");
    printLinkValue(text.substr(equals + 1));
}

// The number after "${FROMURL." (0 when there is none or it is no number).
int linkNumber(std::string_view text) {
    std::string_view rest = text.substr(std::min(text.size(), kLinkPrefixLength));
    if (!rest.empty() && rest.back() == '}') rest.remove_suffix(1);
    if (rest.empty() || rest.front() != '.') return 0;
    return readNumber(rest.substr(1));
}

bool isSearchMode(int mode) { return mode == 1 || mode == 3 || mode == 5; }
bool isDisplayMode(int mode) { return mode == 2 || mode == 4; }

}  // namespace

void TemplateEngine::urlStackVariable(std::string_view text, int which) {
    const int count = gw.urlStack.size();
    switch (static_cast<UrlStackAction>(which)) {
        case UrlStackAction::kSaveSlice: case UrlStackAction::kSaveCurrent: case UrlStackAction::kSaveDummy:
            saveUrlStack(which);
            return;
        case UrlStackAction::kLinkNumbered: {
            if (count == 0) return;
            const long long n = linkNumber(text);
            if (n > 0) linkToStackEntry(static_cast<int>(std::min<long long>(n, count)), true);
            else if (n < 0 && count + n > 0) linkToStackEntry(static_cast<int>(count + n), true);
            else if (n < 0) linkToStackEntry(1, false);  // no entry that far back: the first
            else linkToStackEntry(count, true);
            return;
        }
        case UrlStackAction::kLinkLast:
            if (count > 0) linkToStackEntry(count, true);
            return;
        case UrlStackAction::kLinkFirst:
            if (count > 0) linkToStackEntry(1, false);
            return;
        case UrlStackAction::kLinkThird:
            if (count > 0) linkToStackEntry(std::min(3, count), true);
            return;
        case UrlStackAction::kPass:
            writePassUrl();
            return;
        case UrlStackAction::kNothing:
            return;
        case UrlStackAction::kClear:
            gw.urlStack.clear();
            return;
    }
}

void TemplateEngine::saveUrlStack(int which) {
    const FindResult& r = gw.findresult;
    auto kind = static_cast<UrlStackAction>(which);
    // ${SURLDUM} writes the name alone: the template has written the parameter's.
    if (kind != UrlStackAction::kSaveDummy) writeText("${ZGWURLSAVE}=");
    if (kind == UrlStackAction::kSaveDummy && r.rfound >= 1) kind = UrlStackAction::kSaveCurrent;

    const std::string slot = cacheSlot.str() + "/";
    std::string name;
    std::string position;
    switch (kind) {
        case UrlStackAction::kSaveSlice:
            name = slot + pageStamp.str();
            position = std::to_string(r.topris) + "." + gw.idsName.str();
            break;
        case UrlStackAction::kSaveCurrent:
            name = slot + std::to_string(r.ris) + "." + pageStamp.str();
            position = std::to_string(r.ris) + "." + gw.idsName.str();
            break;
        default:  // ${SURLDUM} on an empty result
            name = slot + "D." + pageStamp.str();
            position = kEmptyResultMark;
            break;
    }
    // The page's first ${SURLSLI} writes the file; the others name it again.
    if (kind == UrlStackAction::kSaveSlice && urlSavesWritten++ != 0) {
        writeText(name);
        return;
    }

    std::string content;
    for (const auto& entry : gw.urlStack) {
        content += entry->view();
        content += '}';
    }
    appendStored(content, "APPL", gw.applName.view());
    appendStored(content, "BASE", gw.baseName.view());
    appendStored(content, "ZLTHTML", r.htmlTemplate.view());
    if (gw.maxHitsGiven) appendStored(content, "MAXHIT", std::to_string(r.maxHits));
    if (r.maxPage != 0) appendStored(content, "MAXPAGE", std::to_string(r.maxPage));
    appendStored(content, "FORD", std::to_string(r.fordMode));
    appendStored(content, "RIS", position);
    appendStored(content, "FIND", r.findString.view());
    content += '}';
    if (writeUrlStackFile(name, content, error_line::kUrlStackSave, false)) writeText(name);
}

void TemplateEngine::linkToStackEntry(int position, bool carryStack) {
    writeStackEntry(gw.urlStack.at(position - 1)->view());
    // The page the link leads to gets the entries below its own as its stack.
    if (!carryStack || position < 2) return;
    const std::string name = cacheSlot.str() + "/F" + std::to_string(position) + "." + pageStamp.str();
    std::string content;
    for (int i = 0; i < position - 1; ++i) {
        content += gw.urlStack.at(i)->view();
        content += '}';
    }
    if (!writeUrlStackFile(name, content, error_line::kUrlStackLink, true)) return;
    writeText("&${ZGWURLSAVE}=");
    writeText(name);
}

void TemplateEngine::writeStackEntry(std::string_view entry) {
    int mode = 0;  // the entry's FORD, once met
    for (const StackParameter& parameter : stackParameters(entry)) {
        const std::string value = plainStackValue(parameter.value);
        const std::string_view key = parameter.key;
        if (key == "APPL") {
            if (!gw.commandLineMode) {
                printScriptUrl();
                writeText("?");
            }
            writeText("${APPL}=");
            printLinkValue(value);
            writeText("&");
        } else if (key == "RIS") {
            if (isSearchMode(mode)) {
                writeText("${ZGWIDS}=");
                printLinkValue(value);
            }
        } else if (key == "FIND") {
            if (isDisplayMode(mode)) {
                // A display's search text with "=" names its field: it goes back as that
                // field's parameter; without one it is free text.
                if (value.find('=') != std::string::npos) {
                    writeWholeParameter(value);
                } else {
                    writeText("${FREETEXT}=");
                    printLinkValue(value);
                }
            }
        } else if (key == "STDHTML") {
            writeWholeParameter(value);
        } else {
            for (const RenamedKey& renamed : kRenamedKeys) {
                if (key != renamed.key) continue;
                writeText(renamed.parameter);
                writeText("=");
                printLinkValue(value);
                writeText("&");
                if (key == "FORD") mode = readNumber(value);
            }
        }
        flushResponse();
    }
}

void TemplateEngine::writePassUrl() {
    if (gw.urlStack.empty()) return;
    bool written = false;
    if (!gw.urlSaveName.empty()) {
        writeText("${ZGWURLSAVE}=");
        printLinkValue(gw.urlSaveName.view());
        written = true;
    }
    if (!gw.saveHtml.empty()) {
        if (written) writeText("&");
        writeText("${SAVEHTML}=");
        printLinkValue(gw.saveHtml.view());
    }
}

bool TemplateEngine::writeUrlStackFile(const std::string& name, std::string_view content, int line,
                                        bool withErrno) {
    const std::string path = gw.findresult.cacheDir.str() + "/" + name + ".urs";
    const int error = writeCacheFile(path, content);
    if (error == 0) return true;
    std::string text = " cannot open file " + path;
    if (withErrno) text += " (errno=" + std::to_string(error) + ")";
    StrBuf html;
    appendHtmlEscaped(html, text);
    gw.failStep(html.view(), line);
    // The page has begun: the message goes into it, as engine errors do.
    outputDBerror(text, false);
    return false;
}
