// base_table.cpp - doRebases: one BASE line into the tables of application
// directories, expiry redirects, pseudo names and client access rules.
// Invariant: at most kMaxBaseNames names carry rules; a rule is shared by every
// name of its line and filed under each name in the order of the lines.

#include <memory>

#include "cgi/ascii.h"
#include "cgi/http_output.h"
#include "config/config_syntax.h"
#include "entry/zoltgw.h"

namespace {

constexpr const char* kSourceUnit = "src/config/base_table";

// Arguments of NOTE, ADDRESS, PSEUDO and HTMLDEFAULT are separated by blanks only.
constexpr std::string_view kBlank = " ";

}  // namespace

int zoltgw::doRebases(std::string_view rest) {
    std::size_t pos = 0;
    std::string_view names = takeWord(rest, pos, " \t");
    std::string_view type = takeWord(rest, pos, " \t");
    if (names.empty() || type.empty()) return 1;

    if (asciiEqualNoCase(type, "ZGWDIR")) {
        std::string_view directory = restText(rest, pos);
        if (directory.empty()) return 1;
        addPair(findresult.applDirTable, StrBuf(names), StrBuf(directory));
        return 0;
    }
    if (asciiEqualNoCase(type, "HTMLDEFAULT") || asciiEqualNoCase(type, "PSEUDO")) {
        std::string_view word = takeWord(rest, pos, kBlank);
        if (word.empty()) return 1;
        if (asciiEqualNoCase(type, "HTMLDEFAULT"))
            addPair(findresult.expiredUrlTable, StrBuf(names), StrBuf(word));
        else
            addPair(findresult.baseApplTable, StrBuf(word), StrBuf(names));
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
        errorText = "wrong base type ";
        appendHtmlEscaped(errorText, type);
        errorFile = kSourceUnit;
        errorLine = __LINE__;
        return 2;
    }

    std::shared_ptr<const BaseRule> shared = std::move(rule);
    std::size_t at = 0;
    while (at <= names.size()) {
        std::size_t comma = names.find(',', at);
        if (comma == std::string_view::npos) comma = names.size();
        std::string_view name = names.substr(at, comma - at);
        at = comma + 1;
        if (name.empty()) continue;
        int number;
        if (int* known = findValueByName(baseNames, name)) {
            number = *known;
        } else {
            // The message names 32 although the table holds 128: installations know it so.
            if (baseNameCount >= kMaxBaseNames) {
                errorText = "more than 32 bases";
                errorFile = kSourceUnit;
                errorLine = __LINE__;
                return 2;
            }
            number = baseNameCount++;
            addPair(baseNames, StrBuf(name), number);
        }
        baseRules[static_cast<std::size_t>(number)].push_back(shared);
    }
    return 0;
}
