// api_session.cpp - the session calls: version, login, window, user information,
// record controls, end of session, messages, shell symbols and session information.

#include <cstring>
#include <ctime>

#include "api_state.h"
#include "login_rules.h"
#include "messages.h"
#include "password.h"
#include "record_access.h"
#include "rcs.h"
#include "session.h"
#include "session_file.h"
#include "text_util.h"
#include "zdb.h"

using namespace zdb;

namespace {

constexpr const char* kVersion = "4.0";

// A hash of an unusable password: verifying against it costs what a real check
// costs, so an unknown user name answers as slowly as a wrong password.
const std::string& decoyHash() {
    static const std::string hash = hashPassword("\x01 no such user \x01");
    return hash;
}

struct Symbol {
    const char* symbol;
    const char* word;
};

constexpr Symbol kSymbols[] = {
    {"FIN", "FIND"}, {"FUZ", "FUZZY"}, {"DIS", "DISPLAY"}, {"SHO", "SHOW"},
    {"SCF", "FORWARD"}, {"BAS", "BASE"}, {"DEL", "DELETE"}, {"SXX", "S"},
    {"FRL", "FROM"}, {"RXX", "R"}, {"SOR", "SORT"}, {"AND", "AND"},
    {"ORX", "OR"}, {"NOT", "NOT"}, {"DEF", "DEFINE"}, {"FVW", "FIELDVIEW"},
    {"TPH", "TPH"}, {"TXT", "TEXT"}, {"PHR", "PHRASE"}, {"SAV", "SAVE"},
};

// Checks the user and starts the session; throws the refusal code.
int login(const char* user, const char* password, int language, int charsetArgument) {
    if (currentSession()) throw EngineError(kSessionActive);
    if (!user || !password) throw EngineError(kInvalidArgument, "ZdbStartZolt");
    if (language < ZDB_LANG_ENG || language > ZDB_LANG_NOR)
        throw EngineError(kInvalidArgument, "ZdbStartZolt");
    auto charset = std::make_unique<Charset>(charsetArgument / 256);
    if (charsetArgument % 256 != 0 || !charset->valid())
        throw EngineError(kInvalidArgument, "ZdbStartZolt");
    auto dataDir = rcsLookup("ZDBS_DATA", ZDB_RCS_ALL);
    if (!dataDir || dataDir->empty()) throw EngineError(kNoDataDirectory);
    auto system = std::make_unique<SystemDb>(*dataDir, false);
    std::string name = charset->toUtf8(user);
    std::string secret = charset->toUtf8(password);
    auto account = system->user(name);
    if (!account) {
        verifyPassword(secret, decoyHash());
        throw EngineError(ZDB_WRONG_LOGIN, name);
    }
    if (!verifyPassword(secret, account->hash)) throw EngineError(ZDB_WRONG_LOGIN, name);
    if (account->disabled) throw EngineError(ZDB_ACCESS_DISABLED, account->name);
    std::time_t clock = std::time(nullptr);
    std::tm now{};
    localtime_r(&clock, &now);
    if (int refusal = loginRefusal(*account, system->loginsClosed(), now))
        throw EngineError(refusal, account->name);
    writeSessionFile(account->name);
    startSession(std::make_unique<Session>(*dataDir, account->name, *account, std::move(charset),
                                           std::move(system)));
    return ZDB_OK;
}

}  // namespace

extern "C" {

int ZdbVersion(char* text, int* length) {
    return guarded([&] {
        if (!text || !length || *length <= 0) throw EngineError(kInvalidArgument, "ZdbVersion");
        if (!copyOut(kVersion, text, static_cast<size_t>(*length))) throw EngineError(kBufferTooSmall);
        *length = static_cast<int>(std::strlen(kVersion));
        return ZDB_OK;
    });
}

int ZdbStartZolt(const char* user, const char* password, int language, int charset) {
    return guarded([&] { return login(user, password, language, charset); });
}

int ZdbDefineWindow(int window, int rows, int columns) {
    return guarded([&] {
        Session& s = session();
        if (window != 1 || rows < 1 || rows > 1000 || columns < 1 || columns > 10000)
            throw EngineError(kInvalidWindow);
        // A page laid out for other columns would not fit the caller's new line buffer.
        if (rows != s.windowRows || columns != s.windowColumns) s.window = Window{};
        s.windowRows = rows;
        s.windowColumns = columns;
        return ZDB_OK;
    });
}

int ZdbUserInfo(int item, char* text, int* length) {
    return guarded([&] {
        session();
        if (!length) throw EngineError(kInvalidArgument, "ZdbUserInfo");
        if (item != 4) throw EngineError(kUnknownInfoItem, std::to_string(item));
        // No start command is configured for any user.
        if (text && *length > 0) text[0] = '\0';
        *length = 0;
        return ZDB_OK;
    });
}

int ZdbCreateRecordControl(ZdbRecordControl* rc) {
    return guarded([&] {
        Session& s = session();
        if (!rc) throw EngineError(kInvalidArgument, "ZdbCreateRecordControl");
        s.recordControls.push_back(std::make_unique<ZdbRecordControlData>());
        *rc = s.recordControls.back().get();
        return ZDB_OK;
    });
}

int ZdbEraseRecordControl(ZdbRecordControl rc) {
    return guarded([&] {
        forgetRecord(session().recordControl(rc));
        return ZDB_OK;
    });
}

int ZdbDeleteRecordControl(ZdbRecordControl* rc) {
    return guarded([&] {
        Session& s = session();
        if (!rc) throw EngineError(kInvalidArgument, "ZdbDeleteRecordControl");
        ZdbRecordControlData& control = s.recordControl(*rc);
        for (auto& cursor : s.cursors)
            if (cursor->rc == &control) cursor->rc = nullptr;
        std::erase_if(s.recordControls, [&](const auto& owned) { return owned.get() == &control; });
        *rc = nullptr;
        return ZDB_OK;
    });
}

int ZdbEndZdbs(int) {
    return guarded([&] {
        endSession();
        removeSessionFile();
        return ZDB_OK;
    });
}

int ZdbMessage(int code, char* text, int* length) {
    // Not guarded by the session: messages explain failed logins too.
    try {
        if (!text || !length || *length < 0) return kInvalidArgument;
        auto known = catalogueText(code);
        std::string utf8 = known ? fillMessage(*known, messageArgument(code))
                                 : fillMessage(*catalogueText(kUnknownCode), std::to_string(code));
        Session* s = currentSession();
        std::string out = s ? s->charset().toSession(utf8) : Charset(1).toSession(utf8);
        size_t size = static_cast<size_t>(*length);
        if (out.size() > size) out.resize(size);
        std::memcpy(text, out.data(), out.size());
        text[out.size()] = '\0';
        *length = static_cast<int>(out.size());
        return known ? static_cast<int>(ZDB_OK) : static_cast<int>(kUnknownCode);
    } catch (const std::exception&) {
        return kInternalError;
    }
}

int ZdbRetCode(void) { return lastCode(); }

int ZdbSetTextVariable(int number, const char* text) {
    return guarded([&] {
        if (number != 1 || !text) throw EngineError(kInvalidArgument, "ZdbSetTextVariable");
        Session* s = currentSession();
        setTextVariable(s ? s->charset().toUtf8(text) : Charset(1).toUtf8(text));
        return ZDB_OK;
    });
}

int ZdbSetIntegerVariable(int number, int value) {
    return guarded([&] {
        if (number != 1) throw EngineError(kInvalidArgument, "ZdbSetIntegerVariable");
        setIntegerVariable(value);
        return ZDB_OK;
    });
}

int ZdbShellSymbol(char* buffer, int* length) {
    return guarded([&] {
        if (!buffer || !length) throw EngineError(kInvalidArgument, "ZdbShellSymbol");
        std::string symbol;
        for (size_t i = 0; i < 3 && buffer[i] != '\0'; ++i) symbol.push_back(asciiUpper(buffer[i]));
        for (const Symbol& known : kSymbols) {
            if (symbol != known.symbol) continue;
            // The caller's buffer holds 1024 bytes; the longest word takes 10.
            size_t size = std::strlen(known.word);
            std::memcpy(buffer, known.word, size + 1);
            *length = static_cast<int>(size);
            return ZDB_OK;
        }
        *length = 0;
        return ZDB_OK;
    });
}

int ZdbSessionInfo(int item, char* text, int* value) {
    return guarded([&] {
        Session& s = session();
        if (item != ZDB_INFO_BASE_COUNT && item != ZDB_INFO_CURRENT_BASE)
            throw EngineError(kUnknownInfoItem, std::to_string(item));
        if (s.base.dbs.empty()) throw EngineError(kNoBase);
        if (item == ZDB_INFO_BASE_COUNT) {
            if (!value) throw EngineError(kInvalidArgument, "ZdbSessionInfo");
            *value = static_cast<int>(s.base.dbs.size());
        } else {
            if (!text) throw EngineError(kInvalidArgument, "ZdbSessionInfo");
            // The caller's buffer holds 256 bytes; a longer cluster list is cut.
            std::string name = s.charset().toSession(s.base.name);
            if (name.size() >= ZDB_DATABASE_NAME_SIZE) name.resize(ZDB_DATABASE_NAME_SIZE - 1);
            copyOut(name, text, ZDB_DATABASE_NAME_SIZE);
            if (value) *value = static_cast<int>(s.base.dbs.size());
        }
        return ZDB_OK;
    });
}

}  // extern "C"
