// login.cpp - doLogin and openDatabase: the two steps that bring a request to an
// open database, the login acting first on the configuration's client check. Both
// leave the engine's message in errorText (escaped: it may quote request text such as
// a database name); whether a refusal becomes the login form or the error page is the
// controller's decision, from db.engineError.

#include <cstdlib>
#include <string>
#include <vector>

#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "cgi/response.h"
#include "cgi/text_pieces.h"
#include "config/client_access.h"
#include "db/session_state.h"
#include "entry/error_place.h"
#include "entry/zoltgw.h"

namespace {

// baseName with each pseudo name replaced by the database it stands for; with
// pseudo names configured, empty pieces of the list fall away.
std::string databasesToOpen(const zoltgw& gw) {
    const auto& pseudoNames = gw.findresult.baseApplTable;
    if (pseudoNames.empty()) return gw.baseName.str();
    std::string names;
    for (std::string_view piece : splitPieces(gw.baseName.view(), ",")) {
        if (!names.empty()) names += ',';
        const StrBuf* database = findValueByName(pseudoNames, piece);
        names += database ? database->view() : piece;
    }
    return names;
}

// Acts on the client check of the application's access rules: 0 admits the client (as
// the matching rule's user, with its password, where the rule names them); -1 refuses
// it, with a redirect written or errorText set.
int admitClient(zoltgw& gw) {
    const char* remote = std::getenv("REMOTE_ADDR");
    AccessDecision decision = checkRebase(gw.accessRules, gw.applName.view(), remote ? remote : "");
    switch (decision.verdict) {
        case AccessDecision::kAdmit:
            if (!decision.user.empty()) gw.findresult.userName = decision.user;
            if (!decision.password.empty()) gw.findresult.password = decision.password;
            return 0;
        case AccessDecision::kRedirect:
            // The header block ends here; the error page that follows is the body.
            gw.errorLine = 0;
            writeResponse("Location: ");
            writeResponse(decision.redirectUrl.view());
            writeResponse("\n\n");
            flushResponse();
            return -1;
        case AccessDecision::kRefuse:
            break;
    }
    gw.errorText = "No access to ";
    appendHtmlEscaped(gw.errorText, gw.applName.view());
    gw.errorLine = -1;
    return -1;
}

}  // namespace

int zoltgw::doLogin() {
    // The engine takes the user's name from the environment.
    setenv("LOGNAME", findresult.userName.c_str(), 1);

    // Clients of an application with access rules are checked before any login.
    if (!accessRules.empty() && admitClient(*this) < 0) return -1;

    db.login(findresult.userName.c_str(), findresult.password.c_str());
    if (debugOn())
        debugLog("doLogin: user %s, state %d, engine code %d", findresult.userName.c_str(), db.state,
                 db.engineError);
    if (db.state >= 0) return 0;
    if (db.engineError == kEngineTooOldCode)
        return failStep("ZOLTgate v3.0 or later needs DORUvudavi v3.4 or later", 0, nullptr);
    return failWithEngineMessage(0);
}

int zoltgw::openDatabase() {
    std::string names = databasesToOpen(*this);
    int result = db.openBase(names.c_str());
    if (debugOn()) debugLog("openDatabase: %s, result %d, engine code %d", names.c_str(), result, db.engineError);
    if (result >= 0) return 0;
    return failWithEngineMessage(error_line::kOpenDatabase);
}
