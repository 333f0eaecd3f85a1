// zolt.cpp - the session object: login, opening bases, commands with procedure
// expansion, shell words, the search counts and the message texts.
// Every text the engine writes lands in a buffer of known size and is read only
// up to the length it reports, cut to that size; the session ends once per process.

#include "db/zolt.h"

#include "db/session_state.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

bool isOdd(int code) { return (code & 1) != 0; }

// The engine codes that the configured login message (MSG-LOGIN) stands for at message
// level 2: every code by which an engine refuses a user, ours (322, 10306, 16418) and
// the others installations have met.
constexpr int kLoginCodes[] = {162,   ZDB_ACCESS_DISABLED, 8290,  8418,  9634,  9666,  ZDB_NOT_LOGGED_IN,
                               12998, 15840,               ZDB_WRONG_LOGIN, 16450, 16512, 34435};

// The engine's text in a buffer of `size` bytes: up to `length` bytes, but never
// past the buffer's end or its first NUL.
std::string_view engineText(const char* buffer, int length, int size) {
    if (length <= 0) return {};
    auto limit = static_cast<std::size_t>(std::min(length, size));
    return {buffer, strnlen(buffer, limit)};
}

// Session language from the run-time symbol ZDBS_LANG (exact text; English otherwise).
int sessionLanguage() {
    const char* value = QueryRCS("ZDBS_LANG", ZDB_RCS_ALL);
    if (!value) return ZDB_LANG_ENG;
    static constexpr struct { const char* code; int language; } kLanguages[] = {
        {"ENG", ZDB_LANG_ENG}, {"SWE", ZDB_LANG_SWE}, {"CHI", ZDB_LANG_CHI}, {"GER", ZDB_LANG_GER},
        {"FRE", ZDB_LANG_FRE}, {"FIN", ZDB_LANG_FIN}, {"NOR", ZDB_LANG_NOR}};
    for (const auto& entry : kLanguages)
        if (std::strcmp(value, entry.code) == 0) return entry.language;
    return ZDB_LANG_ENG;
}

// True when the engine's version text is at least "3.4": compared byte by byte as
// unsigned bytes, the terminating NUL included, so "3.39" and "10.1" are older.
bool versionAccepted(const char* version) {
    static constexpr unsigned char kRequired[4] = {'3', '.', '4', '\0'};
    for (unsigned char required : kRequired) {
        auto have = static_cast<unsigned char>(*version);
        if (have != required) return have > required;
        if (have == '\0') break;
        ++version;
    }
    return true;
}

}  // namespace

Zolt::Zolt() = default;

StrBuf& Zolt::lastRecordBase() {
    static StrBuf base;
    return base;
}

int& Zolt::sessionsStarted() {
    static int count = 0;
    return count;
}

Zolt::~Zolt() {
    if (recordControl) ZdbDeleteRecordControl(&recordControl);
    // Only the object that started the engine session ends it: a second session
    // object in the same process (tests, tools) must not end the session under it.
    int& started = sessionsStarted();
    if (countedSession && started > 0 && --started == 0) ZdbEndZdbs(0);
}

void Zolt::login(const char* user, const char* password) {
    if (state != 0) return;
    if (!user) user = "";
    if (!password) password = "";
    // A second login on the same object would otherwise drop the engine's record
    // control without freeing it.
    if (recordControl) ZdbDeleteRecordControl(&recordControl);
    clusterFlag = displayKind = engineError = 0;
    recordControl = nullptr;
    cursor = nullptr;
    state = zolt_state::kLoggingIn;
    startRc = 1;
    lastRecordBase().clear();

    if (sessionsStarted() == 0) {
        char version[ZDB_VERSION_SIZE] = {0};
        int length = ZDB_VERSION_SIZE - 1;
        lastRc = ZdbVersion(version, &length);
        version[ZDB_VERSION_SIZE - 1] = '\0';
        if (!versionAccepted(version)) {
            engineError = kEngineTooOldCode;
            state = zolt_state::kEngineTooOld;
            return;
        }

        lastRc = ZdbStartZolt(user, password, sessionLanguage(), encoding * 256);
        if (!isOdd(lastRc)) {
            if (lastRc == ZDB_ACCESS_DISABLED) {
                engineError = ZDB_ACCESS_DISABLED;
            } else {
                ZdbSetTextVariable(1, user);
                startRc = lastRc;
                engineError = ZDB_NOT_LOGGED_IN;
            }
            state = zolt_state::kLoginRefused;
            return;
        }

        ++sessionsStarted();
        countedSession = true;
        lastRc = ZdbDefineWindow(1, 50, 80);
        if (!isOdd(lastRc)) {
            engineError = lastRc;
            state = zolt_state::kWindowFailed;
            return;
        }

        char info[64] = {0};
        int infoLength = sizeof info;
        lastRc = ZdbUserInfo(4, info, &infoLength);
        std::string_view infoText = engineText(info, infoLength, sizeof info - 1);
        if (!infoText.empty()) {
            std::string command(shellSymbol("FIN"));
            command += ' ';
            command += shellSymbol("SAV");
            command += ' ';
            command += infoText;
            if (command.size() > kStartCommandMax) command.resize(kStartCommandMax);
            callZdbs(command.c_str());  // what the engine makes of it is its own affair
        }
    }

    lastRc = ZdbCreateRecordControl(&recordControl);
    if (isOdd(lastRc)) {
        state = zolt_state::kReady;
    } else {
        engineError = lastRc;
        state = zolt_state::kNoRecordControl;
    }
}

int Zolt::openBase(const char* name) {
    if (state != 0) return state;
    std::string arguments;
    std::string_view base = name ? name : "";
    if (base.find(',') != std::string_view::npos) arguments = " tmpclust=";
    arguments += base;

    std::string command(shellSymbol("BAS"));
    if (doCommand(command.c_str(), arguments.c_str()) != 0) return state;

    if (orderType == ZDB_ORDER_FIND) orderType = ZDB_ORDER_BASE;
    if (orderType != ZDB_ORDER_BASE) {
        state = zolt_state::kBaseOrderType;
        return state;
    }

    char text[ZDB_DATABASE_NAME_SIZE] = {0};
    int value = 0;
    lastRc = ZdbSessionInfo(ZDB_INFO_CURRENT_BASE, text, &value);
    if (!isOdd(lastRc)) {
        engineError = lastRc;
        state = zolt_state::kNoBaseName;
        return state;
    }
    text[sizeof text - 1] = '\0';
    currentBase = text;

    value = 0;
    lastRc = ZdbSessionInfo(ZDB_INFO_BASE_COUNT, text, &value);
    if (value < 2) {
        clusterFlag = 0;
        singleBase = currentBase;
    } else {
        clusterFlag = 1;
        singleBase.clear();
    }
    return getSearch();
}

int Zolt::callZdbs(const char* text) { return callZdbsAt(text, 0); }

int Zolt::callZdbsAt(const char* text, int depth) {
    lastRc = ZdbExecuteCcl(text ? text : "", &orderType);
    int result = lastRc;
    if (!isOdd(result) || orderType != ZDB_ORDER_PROCEDURE) return result;
    if (depth >= kMaxProcedureDepth) {
        // A procedure that names itself would recurse without end: past the depth
        // limit its lines are taken from the engine but not run, and the command
        // fails like a line that answers 0.
        const char* line = nullptr;
        int length = 0;
        while (isOdd(ZdbGetNextProcLine(&line, &length))) {}
        return 0;
    }
    for (;;) {
        const char* line = nullptr;
        int length = 0;
        if (!isOdd(ZdbGetNextProcLine(&line, &length))) break;
        // The engine's line lives until its next call: copy it before running it.
        std::string copy;
        if (line) copy.assign(line, length >= 0 ? strnlen(line, static_cast<std::size_t>(length))
                                                : std::strlen(line));
        result = callZdbsAt(copy.c_str(), depth + 1);
        if (result == 0) break;
    }
    return result;
}

int Zolt::doCommand(const char* command, const char* arguments) {
    // Built once: the retry below overwrites shellWord, which `command` may point into.
    std::string text(command ? command : "");
    text += ' ';
    text += arguments ? arguments : "";
    int result = callZdbs(text.c_str());

    if (result == ZDB_TOO_MANY_SETS) {
        std::string deletion(shellSymbol("DEL"));
        deletion += ' ';
        deletion += shellSymbol("SXX");
        deletion += '=';
        deletion += shellSymbol("FRL");
        deletion += ' ';
        deletion += std::to_string(static_cast<long long>(lastSearchSet) + 1);
        int deleted = callZdbs(deletion.c_str());
        result = isOdd(deleted) ? callZdbs(text.c_str()) : deleted;
    }

    switch (result) {
        case ZDB_NO_HITS:
        case ZDB_NO_RECORD:
        case ZDB_END_OF_DISPLAY:
        case ZDB_NO_MORE_TO_SHOW:
            return result;
        case ZDB_LOGIN_REFUSED_36323:
            result = ZDB_LOGIN_REFUSED_36322;
            break;
        default:
            break;
    }
    if (isOdd(result)) return 0;
    engineError = result;
    state = zolt_state::kCommandFailed;
    return state;
}

const char* Zolt::shellSymbol(const char* word) {
    std::string_view given = word ? word : "";
    char buffer[kTextBufferSize] = {0};
    std::memset(buffer, ' ', 33);
    std::memcpy(buffer, given.data(), std::min<std::size_t>(given.size(), 3));
    int length = 0;
    lastRc = ZdbShellSymbol(buffer, &length);
    // A length past the buffer is no translation the buffer can hold: keep the word.
    if (length >= 1 && length <= kTextBufferSize - 1)
        shellWord.assign(std::string_view(buffer, static_cast<std::size_t>(length)));
    else
        shellWord = given;
    return shellWord.c_str();
}

int Zolt::getSearch() {
    searchSet = 0;
    lastRc = ZdbGetSearch(&searchSet, &recordCount, &hitCount);
    if (isOdd(lastRc)) return 0;
    engineError = lastRc;
    state = zolt_state::kSearchUnknown;
    return state;
}

const char* Zolt::errorMessage() {
    std::memset(messageText, 0, sizeof messageText);
    if (messageLevel == 2) {
        const StrBuf* text = &msgOther;
        switch (engineError) {
            case ZDB_NO_HITS: case ZDB_NO_RECORD: case ZDB_NO_DISPLAY_HITS:
                text = &msgNoHits;
                break;
            default:
                if (std::find(std::begin(kLoginCodes), std::end(kLoginCodes), engineError) !=
                    std::end(kLoginCodes))
                    text = &msgLogin;
                break;
        }
        std::size_t n = std::min<std::size_t>(text->view().size(), sizeof messageText - 1);
        std::memcpy(messageText, text->c_str(), n);
        return messageText;
    }
    int length = sizeof messageText - 1;
    lastRc = ZdbMessage(engineError, messageText, &length);
    // Keep exactly the bytes the engine reports, within the buffer.
    std::size_t n = std::clamp(length, 0, static_cast<int>(sizeof messageText) - 1);
    messageText[n] = '\0';
    return messageText;
}
