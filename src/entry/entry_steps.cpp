// entry_steps.cpp - the controller-independent steps of the process entry.

#include "entry/entry_steps.h"

#include <csignal>
#include <cstdlib>

#include "cgi/ascii.h"
#include "cgi/http_output.h"
#include "cgi/password_scramble.h"
#include "cgi/response.h"
#include "zdb.h"

void prepareProcess() {
    startSocketLibrary();
    suppressErrorDialogs();
    // A crash or a termination must end the engine session at once.
    for (int signalNumber : {SIGSEGV, SIGFPE, SIGABRT, SIGTERM, SIGILL})
        std::signal(signalNumber, quickLogout);
}

EntryArguments readArguments(int argc, char** argv) {
    EntryArguments arguments;
    if (argc < 2 || !argv[1]) return arguments;
    if (asciiEqualNoCase(argv[1], "-V")) {
        arguments.versionOnly = true;
    } else if (asciiEqualNoCase(argv[1], "-S")) {
        arguments.commandLineMode = 1;
        if (argc > 2 && argv[2]) {
            setenv("QUERY_STRING", argv[2], 1);
            // From a shell no method is set and the reader would ask on the console,
            // ignoring the request text just given.
            if (!std::getenv("REQUEST_METHOD")) setenv("REQUEST_METHOD", "GET", 1);
        }
    }
    return arguments;
}

void printVersion() {
    std::fprintf(responseStream(), "ZOLTgate version %s\n", kZoltgateVersion);
    flushResponse();
}

void openConfiguredDebugLog() {
    const char* path = QueryRCS("ZGW_LOG", ZDB_RCS_ALL);
    if (!path || !*path) return;
    debugFileName = path;
    openDebugLog();
    if (debugOn()) debugLog("Starting ZOLTgate v%s session", kZoltgateVersion);
}

void openStarDebugLog(const EntryList& request, const EntryList& cookies) {
    if (debugOn()) return;
    std::string_view user;
    if (const Entry* uname = findEntry(request, "uname"); uname && !uname->value.empty())
        user = uname->value;
    else if (const Entry* cookie = findEntry(cookies, "zgwuser"))
        user = cookie->value;
    if (!user.starts_with('*')) return;
    debugFileName = kStarLogPath;
    openPrivateDebugLog();
    if (debugOn()) debugLog("Starting *ZOLTgate v%s session", kZoltgateVersion);
}

bool takeFreshCredentials(EntryList& request, EntryList& cookies) {
    const Entry* uname = findEntry(request, "uname");
    const Entry* passwd = findEntry(request, "passwd");
    if (!uname || uname->value.empty() || !passwd || passwd->value.empty()) return false;
    const std::string user = uname->value;
    const std::string unameName = uname->name;
    const std::string passwdName = passwd->name;
    const std::string scrambled = scramblePassword(passwd->value);

    setCookie("zgwuser", user);
    setCookie("zgwpasswd", scrambled);
    list_remove(cookies, "zgwuser");
    list_remove(cookies, "zgwpasswd");
    // Behind the first cookie, so the rest of the request sees them as on later requests.
    list_insafter(cookies, cookies.first(), "zgwuser", user);
    list_insafter(cookies, cookies.first(), "zgwpasswd", scrambled);
    // The entries found above, whatever the case of their names: a clear password left
    // behind as "PASSWD" would go on into the search as a plain form field.
    list_remove(request, unameName);
    list_remove(request, passwdName);
    if (debugOn()) debugLog("zgwmain: credentials of %s turned into cookies", user.c_str());
    return true;
}

std::string loginFileName(const NamedList<StrBuf>& applDirTable, std::string_view applName,
                          std::string_view configFile, std::string_view startDirectory) {
    if (const StrBuf* directory = findValueByName(applDirTable, applName);
        directory && !directory->empty()) {
        std::string candidate = joinPath(directory->view(), kLoginFileName);
        if (std::FILE* file = std::fopen(candidate.c_str(), "r")) {
            std::fclose(file);
            return candidate;
        }
    }
    std::string directory = directoryOf(configFile);
    if (directory.empty()) directory = startDirectory;
    return directory + kLoginFileName;
}

void closeEntryDebugLog() {
    if (debugOn()) debugLog("Leaving zgwmain...");
    closeDebugLog();
}

void reportEntryFailure(const char* message) {
    std::fputs(message, stderr);
    std::fflush(stderr);
    if (debugOn()) debugLog("zgwmain: request ended early: %s", message);
}
