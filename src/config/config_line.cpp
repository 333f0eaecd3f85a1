// config_line.cpp - parseConfigLine: one keyword line of the configuration file.
// A line changes only the settings its keyword names; a failed line leaves the
// settings of earlier lines as they are and errorText (HTML) says what failed.

#include <cstdlib>
#include <string>

#include "cgi/ascii.h"
#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "config/config_syntax.h"
#include "entry/zoltgw.h"

namespace {

constexpr const char* kSourceUnit = "src/config/config_line";

// What a keyword's handler made of its line.
enum class Outcome {
    Taken,     // the line was applied
    Unknown,   // a required argument is missing or out of range: "Unknown keyword"
    Failed,    // errorText already says what failed (a bad BASE line)
};

using Handler = Outcome (*)(zoltgw&, ConfigLine&);

// Character set code of the first three characters of word, without regard to case; 0 if none.
int encodingCode(std::string_view word) {
    if (word.size() < 3) return 0;
    static constexpr struct { const char* name; int code; } kSets[] = {
        {"LA1", 1}, {"LA2", 2}, {"LA3", 3}, {"UTF", 16}, {"GBK", 18}, {"EUC", 19}, {"SJI", 20}};
    for (const auto& set : kSets)
        if (asciiEqualNoCase(word.substr(0, 3), set.name)) return set.code;
    return 0;
}

// Keyword handlers: each reads its own arguments from the line and applies them;
// Unknown when a required argument is missing or its value is out of range.

// Most keywords store one required argument: a word or the rest of the line (a path
// that may hold blanks), as a text or read as a number. Unknown when it is missing.
void store(StrBuf& target, std::string_view argument) { target = argument; }
void store(int& target, std::string_view argument) { target = readNumber(argument); }

template <class Target>
Outcome take(Target& target, std::string_view argument) {
    if (argument.empty()) return Outcome::Unknown;
    store(target, argument);
    return Outcome::Taken;
}

Outcome defaultUser(zoltgw& gw, ConfigLine& line) {
    std::string_view user = line.word();
    if (user.empty()) return Outcome::Unknown;
    std::string_view password = line.word();
    gw.findresult.userName = user;
    if (!password.empty()) gw.findresult.password = password;
    return Outcome::Taken;
}

Outcome maxHits(zoltgw& gw, ConfigLine& line) { return take(gw.findresult.maxHits, line.word()); }

Outcome cache(zoltgw& gw, ConfigLine& line) {
    Outcome outcome = take(gw.findresult.cacheDir, line.rest());
    if (outcome == Outcome::Taken) gw.cacheGiven = 1;
    return outcome;
}

Outcome timeoutKeyword(zoltgw& gw, ConfigLine& line) { return take(gw.timeout, line.word()); }

Outcome unixVar(zoltgw&, ConfigLine& line) {
    std::string_view name = line.word();
    std::string_view value = line.word();
    if (name.empty() || value.empty()) return Outcome::Unknown;
    // The environment takes "name=value" as one text: a name that holds "=" sets the
    // variable named by the part before it, exactly as handing over that text would.
    std::string text(name);
    text += '=';
    text += value;
    std::size_t eq = text.find('=');
    if (eq > 0) setenv(text.substr(0, eq).c_str(), text.c_str() + eq + 1, 1);
    return Outcome::Taken;
}

Outcome language(zoltgw& gw, ConfigLine& line) { return take(gw.findresult.language, line.word()); }

Outcome encoding(zoltgw& gw, ConfigLine& line) {
    int code = encodingCode(line.word());
    if (code == 0) return Outcome::Unknown;
    gw.db.encoding = code;
    return Outcome::Taken;
}

Outcome zgwSuffix(zoltgw& gw, ConfigLine& line) { return take(gw.findresult.zgwSuffix, line.word()); }

Outcome mime(zoltgw& gw, ConfigLine& line) {
    std::string_view suffix = line.word();
    std::string_view type = line.word();
    if (!suffix.empty() && !type.empty()) addPair(gw.mimeTypes, StrBuf(suffix), StrBuf(type));
    return Outcome::Taken;  // with a word missing the line is ignored
}

Outcome base(zoltgw& gw, ConfigLine& line) {
    switch (gw.doRebases(line.line())) {
        case 0: return Outcome::Taken;
        case 1: return Outcome::Unknown;
        default: return Outcome::Failed;
    }
}

Outcome hiliteAttr(zoltgw& gw, ConfigLine& line) {
    std::string_view tag = line.line();
    if (tag.empty()) return Outcome::Unknown;
    gw.db.hilon = tag;
    std::string_view name = tag.substr(1);
    name = name.substr(0, name.find_first_of(" \t\r\n>"));
    std::string end = "</";
    end += name;
    end += '>';
    gw.db.hiloff = end;
    return Outcome::Taken;
}

Outcome hilite(zoltgw& gw, ConfigLine& line) { return take(gw.db.hilite, line.word()); }

Outcome zvDir(zoltgw& gw, ConfigLine& line) { return take(gw.findresult.zvOutputDir, line.rest()); }

Outcome zvUrl(zoltgw& gw, ConfigLine& line) { return take(gw.findresult.zvOutputUrl, line.word()); }

Outcome sortForm(zoltgw&, ConfigLine&) { return Outcome::Taken; }

Outcome noDebug(zoltgw& gw, ConfigLine&) {
    gw.findresult.debugEcho = -1;
    return Outcome::Taken;
}

Outcome messageLevel(zoltgw& gw, ConfigLine& line) {
    std::string_view n = line.word();
    if (n.empty()) return Outcome::Unknown;
    gw.db.messageLevel = readNumber(n);  // stored even when out of range
    return gw.db.messageLevel >= 0 && gw.db.messageLevel <= 2 ? Outcome::Taken : Outcome::Unknown;
}

Outcome setMessage(StrBuf& target, ConfigLine& line) {
    std::string_view text = line.message();
    if (!text.empty()) target = text;
    return Outcome::Taken;
}
Outcome msgNoHit(zoltgw& gw, ConfigLine& line) { return setMessage(gw.db.msgNoHits, line); }
Outcome msgLogin(zoltgw& gw, ConfigLine& line) { return setMessage(gw.db.msgLogin, line); }
Outcome msgOther(zoltgw& gw, ConfigLine& line) { return setMessage(gw.db.msgOther, line); }

struct Keyword {
    const char* name;
    Handler handler;
    bool prefix;  // recognised by its first nine characters (the MSG- texts)
};

constexpr Keyword kKeywords[] = {
    {"DEFAULT-USER", defaultUser, false}, {"MAXHITS", maxHits, false},
    {"CACHE", cache, false},               {"TIMEOUT", timeoutKeyword, false},
    {"UNIXVAR", unixVar, false},           {"LANGUAGE", language, false},
    {"ENCODING", encoding, false},         {"ZGWSUFFIX", zgwSuffix, false},
    {"MIME", mime, false},                 {"BASE", base, false},
    {"HILITEATTR", hiliteAttr, false},     {"HILITE", hilite, false},
    {"ZVDIR", zvDir, false},               {"ZV_OUTPUT_DIR", zvDir, false},
    {"ZV_OUTPUT_URL", zvUrl, false},       {"SORTFORM", sortForm, false},
    {"NODEBUG", noDebug, false},           {"MSG-LEVEL", messageLevel, false},
    {"MSG-NOHIT", msgNoHit, true},         {"MSG-LOGIN", msgLogin, true},
    {"MSG-OTHER", msgOther, true},
};

Handler findHandler(std::string_view keyword) {
    for (const auto& entry : kKeywords) {
        bool match = entry.prefix ? asciiStartsWithNoCase(keyword, entry.name)
                                  : asciiEqualNoCase(keyword, entry.name);
        if (match) return entry.handler;
    }
    return nullptr;
}

}  // namespace

int zoltgw::parseConfigLine(std::string_view text) {
    ConfigLine line(text);
    Handler handler = findHandler(line.keyword());
    Outcome outcome = handler ? handler(*this, line) : Outcome::Unknown;
    if (outcome == Outcome::Taken) return 0;
    if (outcome == Outcome::Unknown) {
        // The keyword comes from the file: plain text, escaped where it enters the page.
        errorText = "Unknown keyword \"";
        appendHtmlEscaped(errorText, line.keyword());
        errorText.append("\"");
        errorFile = kSourceUnit;
        errorLine = __LINE__;
    }
    if (debugOn()) debugLog("%s in ZGW_CONF line:\n%.*s", errorText.c_str(),
                            static_cast<int>(text.size()), text.data());
    return 1;
}
