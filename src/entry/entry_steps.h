// entry_steps.h - the steps of the process entry, in the order one request passes them:
// prepare the process, read the switches, open the debug log, read the request and the
// cookies, turn fresh credentials into cookies, run the controller, write the login form
// when the engine refused the user, end. Generic over the controller type, so that tests
// can run the entry with a controller of their own.
// Invariant: nothing reaches standard output before the request is read; the exit status
// is 1 after every request and 0 only after -V.
#pragma once

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "cgi/cgi_input.h"
#include "cgi/debug_log.h"
#include "cgi/decoded_entry.h"
#include "cgi/entry_list.h"
#include "cgi/login_form.h"
#include "cgi/platform.h"
#include "cgi/ptr_array.h"
#include "cgi/strbuf.h"

inline constexpr const char* kZoltgateVersion = "3.5-13";
inline constexpr const char* kStarLogPath = "/tmp/zgw_star.log";  // log of "*" users
inline constexpr const char* kLoginFileName = "login.zgw";

struct EntryArguments {
    bool versionOnly = false;  // -V: print the version and read no request
    int commandLineMode = 0;   // -S: run outside a web server
};

// Starts the socket library, keeps error dialogs away and makes the engine's quickLogout
// the handler of SIGSEGV, SIGFPE, SIGABRT, SIGTERM and SIGILL, in this order.
void prepareProcess();

// Reads the first two arguments (-V, -S and its request text, any case). "-S text" puts
// the text into QUERY_STRING and, when REQUEST_METHOD is unset, sets it to GET, so that
// the request is read from that text.
EntryArguments readArguments(int argc, char** argv);

// Writes "ZOLTgate version 3.5-13\n" to the response stream.
void printVersion();

// Switches the debug log on when the run-time symbol ZGW_LOG names a file that opens.
void openConfiguredDebugLog();

// While the log is off: switches it on into /tmp/zgw_star.log when the user name (the
// request's uname with a value, else the cookie zgwuser) begins with "*".
void openStarDebugLog(const EntryList& request, const EntryList& cookies);

// When the request carries uname and passwd, both with values: writes the cookies zgwuser
// and zgwpasswd (scrambled; a user name that would break the header is not written),
// puts them into `cookies` in place of the old ones, removes uname and passwd from
// `request`, and returns true. Otherwise changes nothing.
bool takeFreshCredentials(EntryList& request, EntryList& cookies);

// The login file: "login.zgw" in the application's directory when that file can be read,
// else next to the configuration file (in `startDirectory` when its path has no directory).
std::string loginFileName(const NamedList<StrBuf>& applDirTable, std::string_view applName,
                          std::string_view configFile, std::string_view startDirectory);

// Writes the closing line to the debug log and closes it.
void closeEntryDebugLog();

// Reports a failure that ends the request early on standard error (and in the debug log).
void reportEntryFailure(const char* message);

// The message for the login form: empty on a first visit; after a submitted form the
// session's text for the code that the refused login left in startRc.
template <class Controller>
std::string loginMessage(Controller& gw, bool credentialsGiven) {
    if (!credentialsGiven) return {};
    const int kept = gw.db.engineError;
    gw.db.engineError = gw.db.startRc;
    const char* text = gw.db.errorMessage();
    std::string message = text ? text : "";
    gw.db.engineError = kept;
    return message;
}

// Writes the login form for a controller whose login the engine refused.
template <class Controller>
void writeLoginForm(Controller& gw, bool credentialsGiven, std::string_view startDirectory) {
    std::string file = loginFileName(gw.findresult.applDirTable, gw.applName.view(),
                                     gw.configFile.view(), startDirectory);
    std::string message = loginMessage(gw, credentialsGiven);
    gw.tempFile.reset();
    PrintPasswdForm(file, message);
}

// Constructs the controller, which runs the request; writes the login form when it asks
// for one; destroys the controller, which ends the engine session.
template <class Controller>
void serveRequest(int commandLineMode, bool credentialsGiven) {
    // The configuration path may be relative to where the process started; the
    // controller makes the page cache the current directory.
    const std::string startDirectory = currentDirectory();
    Controller gw(commandLineMode);
    if (gw.loginRequired) writeLoginForm(gw, credentialsGiven, startDirectory);
}

// The whole entry: returns the exit status (0 after -V, 1 after every request).
template <class Controller>
int zgwmainWith(int argc, char** argv) {
    prepareProcess();
    const EntryArguments arguments = readArguments(argc, argv);
    if (arguments.versionOnly) {
        printVersion();
        return 0;
    }
    try {
        openConfiguredDebugLog();
        setBinaryMode(stdout);
        read_cgi_input();
        parse_cookies();
        openStarDebugLog(cgiEntries, cookieEntries);
        const bool credentialsGiven = takeFreshCredentials(cgiEntries, cookieEntries);
        logEntries(cgiEntries, "zgwmain: request");
        logEntries(cookieEntries, "zgwmain: cookie");
        serveRequest<Controller>(arguments.commandLineMode, credentialsGiven);
    } catch (const CgiFailure& failure) {
        reportEntryFailure(failure.what());
    } catch (const std::exception& error) {
        // Out of memory or a text beyond every limit: end the request in order.
        std::string message = std::string("zoltgate: (S) ") + error.what() + "\n";
        reportEntryFailure(message.c_str());
    }
    closeEntryDebugLog();
    return 1;
}
