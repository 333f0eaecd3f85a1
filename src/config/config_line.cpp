// config_line.cpp - parseConfigLine: one keyword line of the configuration file.
// A line changes only the settings its keyword names; a failed line leaves the
// settings of earlier lines as they are and the error (HTML) says what failed.

#include <cstdlib>
#include <string>

#include "cgi/ascii.h"
#include "cgi/debug_log.h"
#include "cgi/http_output.h"
#include "config/config_file.h"
#include "config/config_syntax.h"

namespace {

constexpr const char* kSourceUnit = "src/config/config_line";

// What a keyword's handler made of its line.
enum class Outcome {
    Taken,     // the line was applied
    Unknown,   // a required argument is missing or out of range: "Unknown keyword"
    Failed,    // the error already says what failed (a bad BASE line)
};

// A keyword's handler; the error is only for BASE, whose own messages it carries.
using Handler = Outcome (*)(ConfigSettings&, ConfigLine&, ConfigError&);

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
void store(std::optional<StrBuf>& target, std::string_view argument) { target = StrBuf(argument); }
void store(std::optional<int>& target, std::string_view argument) { target = readNumber(argument); }

template <class Target>
Outcome take(Target& target, std::string_view argument) {
    if (argument.empty()) return Outcome::Unknown;
    store(target, argument);
    return Outcome::Taken;
}

Outcome defaultUser(ConfigSettings& s, ConfigLine& line, ConfigError&) {
    std::string_view user = line.word();
    if (user.empty()) return Outcome::Unknown;
    std::string_view password = line.word();
    s.userName = StrBuf(user);
    if (!password.empty()) s.password = StrBuf(password);
    return Outcome::Taken;
}

Outcome maxHits(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.maxHits, line.word()); }

Outcome cache(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.cacheDir, line.rest()); }

Outcome timeoutKeyword(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.timeout, line.word()); }

Outcome unixVar(ConfigSettings&, ConfigLine& line, ConfigError&) {
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

Outcome language(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.language, line.word()); }

Outcome encoding(ConfigSettings& s, ConfigLine& line, ConfigError&) {
    int code = encodingCode(line.word());
    if (code == 0) return Outcome::Unknown;
    s.encoding = code;
    return Outcome::Taken;
}

Outcome zgwSuffix(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.zgwSuffix, line.word()); }

Outcome mime(ConfigSettings& s, ConfigLine& line, ConfigError&) {
    std::string_view suffix = line.word();
    std::string_view type = line.word();
    if (!suffix.empty() && !type.empty()) addPair(s.mimeTypes, StrBuf(suffix), StrBuf(type));
    return Outcome::Taken;  // with a word missing the line is ignored
}

Outcome base(ConfigSettings& s, ConfigLine& line, ConfigError& error) {
    switch (doRebases(s.bases, line.line(), error)) {
        case 0: return Outcome::Taken;
        case 1: return Outcome::Unknown;
        default: return Outcome::Failed;
    }
}

Outcome hiliteAttr(ConfigSettings& s, ConfigLine& line, ConfigError&) {
    std::string_view tag = line.line();
    if (tag.empty()) return Outcome::Unknown;
    s.hilon = StrBuf(tag);
    std::string_view name = tag.substr(1);
    name = name.substr(0, name.find_first_of(" \t\r\n>"));
    std::string end = "</";
    end += name;
    end += '>';
    s.hiloff = StrBuf(end);
    return Outcome::Taken;
}

Outcome hilite(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.hilite, line.word()); }

Outcome zvDir(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.zvOutputDir, line.rest()); }

Outcome zvUrl(ConfigSettings& s, ConfigLine& line, ConfigError&) { return take(s.zvOutputUrl, line.word()); }

Outcome sortForm(ConfigSettings&, ConfigLine&, ConfigError&) { return Outcome::Taken; }

Outcome noDebug(ConfigSettings& s, ConfigLine&, ConfigError&) {
    s.noDebug = true;
    return Outcome::Taken;
}

Outcome messageLevel(ConfigSettings& s, ConfigLine& line, ConfigError&) {
    std::string_view n = line.word();
    if (n.empty()) return Outcome::Unknown;
    int level = readNumber(n);
    s.messageLevel = level;  // stored even when out of range
    return level >= 0 && level <= 2 ? Outcome::Taken : Outcome::Unknown;
}

Outcome setMessage(std::optional<StrBuf>& target, ConfigLine& line) {
    std::string_view text = line.message();
    if (!text.empty()) target = StrBuf(text);
    return Outcome::Taken;
}
Outcome msgNoHit(ConfigSettings& s, ConfigLine& line, ConfigError&) { return setMessage(s.msgNoHits, line); }
Outcome msgLogin(ConfigSettings& s, ConfigLine& line, ConfigError&) { return setMessage(s.msgLogin, line); }
Outcome msgOther(ConfigSettings& s, ConfigLine& line, ConfigError&) { return setMessage(s.msgOther, line); }

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

int parseConfigLine(ConfigSettings& settings, std::string_view text, ConfigError& error) {
    ConfigLine line(text);
    Handler handler = findHandler(line.keyword());
    Outcome outcome = handler ? handler(settings, line, error) : Outcome::Unknown;
    if (outcome == Outcome::Taken) return 0;
    if (outcome == Outcome::Unknown) {
        // The keyword comes from the file: plain text, escaped where it enters the page.
        error.html = "Unknown keyword \"";
        appendHtmlEscaped(error.html, line.keyword());
        error.html.append("\"");
        error.unit = kSourceUnit;
        error.line = __LINE__;
    }
    if (debugOn()) debugLog("%s in ZGW_CONF line:\n%.*s", error.html.c_str(),
                            static_cast<int>(text.size()), text.data());
    return 1;
}
