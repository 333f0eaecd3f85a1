// zoltgw_run.cpp - the run sequence of a request: configuration, parameters (with the
// login), database, then exactly one kind of output: a binary field, a record view, or
// the request's commands, the search and the template. Every failure before output
// ends in the one error page; a refused login ends in the login form, written by the
// entry once the controller returns.

#include <string>

#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "db/session_state.h"
#include "entry/error_place.h"
#include "entry/view_field.h"
#include "entry/zoltgw.h"

namespace {

// The engine codes that refuse the user: the entry answers them with the login form.
bool isLoginRefusal(int code) {
    switch (code) {
        case ZDB_NO_BASE_ACCESS: case ZDB_NOT_LOGGED_IN: case ZDB_LOGIN_REFUSED_17314:
        case ZDB_LOGIN_REFUSED_18562: case ZDB_LOGIN_REFUSED_36322:
            return true;
        default:
            return false;
    }
}

}  // namespace

void zoltgw::run(int commandLineModeArgument) {
    status = readConfig();
    if (status != 0) {
        printStatusPage();
        return;
    }

    status = cgiParse();
    if (status != 0) {
        if (isLoginRefusal(db.engineError)) loginRequired = 1;
        else printStatusPage();
        return;
    }

    status = openDatabase();
    if (status != 0) {
        if (isLoginRefusal(db.engineError)) {
            loginRequired = 1;
            db.startRc = db.engineError;  // the login form shows this code's message
        } else {
            printStatusPage();
        }
        return;
    }

    if (binaryFieldRequest) {
        outputZoltbin();
        return;
    }
    if (viewRequest) {
        outputView();
        return;
    }

    if (runCclCommands() != 0) {
        printStatusPage();
        return;
    }

    if (!skipFind) {
        status = doFind();
        if (status != 0) {
            printStatusPage();
            return;
        }
        keepSearchSet();
    }

    commandLineMode = commandLineModeArgument;
    status = prehtml();
    if (status != 0) printStatusPage();
}

int zoltgw::runCclCommands() {
    for (const auto& command : cclCommands) {
        // The command word and its arguments as the request wrote them: the session
        // joins them again with the one blank taken out here.
        std::string_view text = command->view();
        std::size_t blank = text.find(' ');
        std::string word(text.substr(0, blank));
        std::string arguments(blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1));
        int result = db.doCommand(word.c_str(), arguments.c_str());
        if (debugOn()) debugLog("CCL command %s: result %d", command->c_str(), result);
        if (result < 0) {
            db.state = zolt_state::kCclFailed;
            failWithEngineMessage(error_line::kCclCommand);
            status = 0;  // the error page is the answer; the run's status stays as it was
            return -1;
        }
    }
    return 0;
}

void zoltgw::outputView() {
    // The value names fields of a record; cut, it would name another one.
    if (findresult.viewFieldName.length() > static_cast<int>(kViewFieldNameMax)) {
        failStep("(S) View field name longer than 127 characters", 0);
        printStatusPage();
        return;
    }
    ViewField view = parseViewField(findresult.viewFieldName.view());
    if (view.hasTextField) db.hilite = 1;
    // A view names a record of a saved result; without one there is nothing to read
    // (record reading would take the request for a broken run and end the process).
    if (findresult.rid.empty()) {
        failStep("(S) No record to view: the request names no saved result", 0);
        printStatusPage();
        return;
    }
    search.recordErrorsInPage = false;  // nothing is written before the view itself
    readZoltRecord(view.hasTextField ? 1 : 0);
    if (status != 0) {  // the record could not be read: nothing has been written yet
        printStatusPage();
        return;
    }
    db.outputViewBlob(view.field.c_str(), view.hasTextField ? view.textField.c_str() : nullptr, view.part,
                      findresult.zvOutputDir.c_str(), findresult.zvOutputUrl.c_str(),
                      findresult.converterTemplate.c_str());
    // A view that failed has written nothing: without this page the request would
    // answer nothing at all.
    if (db.state < 0) {
        failWithEngineMessage(0);
        printStatusPage();
    }
}

void zoltgw::keepSearchSet() {
    db.lastSearchSet = db.searchSet;
    searchSetText = std::to_string(db.searchSet);
}
