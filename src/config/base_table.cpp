// base_table.cpp - doRebases: one BASE line into the tables of application
// directories, expiry redirects, pseudo names and client access rules.
// Invariant: a rule is shared by every name of its line and filed under each name
// in the order of the lines; at most AccessRules::kMaxNames names carry rules.

#include "config/base_table.h"

#include <memory>

#include "cgi/ascii.h"
#include "cgi/http_output.h"
#include "config/config_syntax.h"

namespace {

constexpr const char* kSourceUnit = "src/config/base_table";

// Arguments of NOTE, ADDRESS, PSEUDO and HTMLDEFAULT are separated by blanks only.
constexpr std::string_view kBlank = " ";

// Sets `error` to the message (HTML) and this unit's line; returns 2.
int fail(ConfigError& error, StrBuf html, int line) {
    error.html = std::move(html);
    error.unit = kSourceUnit;
    error.line = line;
    return 2;
}

}  // namespace

int doRebases(BaseTables& tables, std::string_view rest, ConfigError& error) {
    std::size_t pos = 0;
    std::string_view names = takeWord(rest, pos, " \t");
    std::string_view type = takeWord(rest, pos, " \t");
    if (names.empty() || type.empty()) return 1;

    if (asciiEqualNoCase(type, "ZGWDIR")) {
        std::string_view directory = restText(rest, pos);
        if (directory.empty()) return 1;
        addPair(tables.applDirTable, StrBuf(names), StrBuf(directory));
        return 0;
    }
    if (asciiEqualNoCase(type, "HTMLDEFAULT") || asciiEqualNoCase(type, "PSEUDO")) {
        std::string_view word = takeWord(rest, pos, kBlank);
        if (word.empty()) return 1;
        if (asciiEqualNoCase(type, "HTMLDEFAULT"))
            addPair(tables.expiredUrlTable, StrBuf(names), StrBuf(word));
        else
            addPair(tables.baseApplTable, StrBuf(word), StrBuf(names));
        return 0;
    }

    auto rule = std::make_shared<BaseRule>();
    if (asciiEqualNoCase(type, "NOTE")) {
        std::string_view url = takeWord(rest, pos, kBlank);
        if (url.empty()) return 1;
        rule->kind = BaseRule::kNote;
        rule->note = url;
    } else if (asciiEqualNoCase(type, "ADDRESS")) {
        std::string_view pattern = takeWord(rest, pos, kBlank);
        if (pattern.empty()) return 1;
        rule->kind = BaseRule::kAddress;
        rule->address = pattern;
        rule->user = takeWord(rest, pos, kBlank);
        if (!rule->user.empty()) rule->password = takeWord(rest, pos, kBlank);
    } else {
        StrBuf html("wrong base type ");
        appendHtmlEscaped(html, type);
        return fail(error, std::move(html), __LINE__);
    }

    std::shared_ptr<const BaseRule> shared = std::move(rule);
    std::size_t at = 0;
    while (at <= names.size()) {
        std::size_t comma = names.find(',', at);
        if (comma == std::string_view::npos) comma = names.size();
        std::string_view name = names.substr(at, comma - at);
        at = comma + 1;
        if (name.empty()) continue;
        // The message names 32 although the table holds 128: installations know it so.
        if (!tables.access.file(name, shared)) return fail(error, StrBuf("more than 32 bases"), __LINE__);
    }
    return 0;
}
