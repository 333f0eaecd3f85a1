// zoltgw.cpp - construction, defaults and destruction of the controller.
// The fields start empty (their initializers); varinit then sets the request
// defaults, so both constructors begin every request from the same state.

#include "entry/zoltgw.h"

#include "cgi/debug_log.h"
#include "cgi/http_output.h"

StrBuf searchSetText;

zoltgw::zoltgw(DefaultsOnly) {
    tempFile.reset(std::tmpfile());
    varinit();
}

zoltgw::zoltgw(int commandLineModeArgument) : zoltgw(DefaultsOnly{}) {
    run(commandLineModeArgument);
}

zoltgw::~zoltgw() = default;

void zoltgw::varinit() {
    status = 0;
    errorText = "OK";
    andOr = "AND";
    findresult.fordMode = 1;
    findresult.maxHits = 1000;
    timeout = 300;
    findresult.userName = "zoltgate";
    findresult.zgwSuffix = "zgw";
    skipFind = binaryFieldRequest = viewRequest = commandLineMode = 0;
    clusterCount = 0;
    errorLine = 0;
    binaryOutput = maxHitsGiven = idsMode = zgwPart = 0;
    loginRequired = 0;
    findresult.startRis = findresult.topris = findresult.maxPage = findresult.ris = 0;
    findresult.hits = findresult.rfound = 0;
    findresult.zoltRow = findresult.zoltCol = findresult.reverseDefine = 0;
    findresult.fuzz = findresult.debugEcho = 0;
    searchSetText.clear();
}

void zoltgw::printStatusPage() {
    ::printStatusPage(errorText.view(), errorFile.view(), errorLine, db.messageLevel);
}

int zoltgw::failStep(std::string_view html, int line, const char* unit) {
    errorText = html;
    if (unit) errorFile = unit;
    errorLine = line;
    status = -1;
    if (debugOn()) debugLog("%s", errorText.c_str());
    return -1;
}

int zoltgw::failWithEngineMessage(int line) {
    StrBuf html;
    appendHtmlEscaped(html, db.errorMessage());
    return failStep(html.view(), line);
}
