// date_condition.cpp - the date letters of an EMPTY test's comparison flag: C holds while
// the field's date (DD.MM.YYYY) has not passed; B and E also need the current item of one
// or two other fields of the record to hold given values. The other fields are read
// through the session and the field being judged is placed back afterwards, so that the
// test's own item reading goes on where it was.

#include <ctime>
#include <string>

#include "cgi/ascii.h"
#include "entry/zoltgw.h"
#include "template/template_engine.h"

namespace {

// Today as the number YYYYMMDD in the process's local time.
long long today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return (local.tm_year + 1900LL) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

// The number the text starts with (its leading digits, at most twelve).
long long leadingNumber(std::string_view text) {
    long long value = 0;
    for (std::size_t i = 0; i < text.size() && i < 12 && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

// The session's place in the field being judged, kept while another field is read.
struct FieldPlace {
    int field, paragraph, item, part, type, partField, hitIndex;
};

}  // namespace

long long TemplateEngine::fieldDate(std::string_view text) {
    static constexpr std::size_t kOrder[] = {6, 7, 8, 9, 3, 4, 0, 1};
    long long value = 0;
    for (std::size_t at : kOrder) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9') break;
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

long long TemplateEngine::comparisonNumber(std::string_view text) { return leadingNumber(text); }

bool TemplateEngine::currentItemIs(std::string_view name, std::string_view value, std::string_view errorText) {
    Zolt& db = gw.db;
    const FieldPlace kept{db.fieldNumber, db.paragraphNumber, db.itemNumber, db.partNumber,
                          db.fieldType,   db.partField,       db.hitIndex};
    // The enclosing multi-value loop's round names the item; outside one the first.
    const int round = (itemLoopFlag == PMULTI || itemLoopFlag == PMINIT) ? multiItemCount : 0;
    bool holds = false;
    ItemText item;
    if (db.getField(std::string(name).c_str(), gw.zgwPart) < 0 || db.setCursor(0, round) <= 0) {
        outputDBerror(name, true);
    } else if (db.getItem(item, 0) < 1) {
        outputDBerror(errorText, true);
    } else {
        holds = asciiEqualNoCase(item.text, value);
    }
    db.fieldNumber = kept.field, db.paragraphNumber = kept.paragraph, db.itemNumber = kept.item;
    db.partNumber = kept.part, db.fieldType = kept.type, db.partField = kept.partField;
    db.hitIndex = kept.hitIndex;
    db.state = 0;
    db.setCursor();
    return holds;
}

int TemplateEngine::dateCondition(std::string_view text) {
    const long long date = fieldDate(text);
    const char letter = settings.comparisonLetter;
    if (letter == 'C') return date >= today() ? 1 : 0;

    // B and E: eight characters (E: the date YYYYMMDD), name1=value1, then #name2=value2.
    const std::string& condition = settings.comparisonText;
    std::string_view rest = std::string_view(condition).substr(std::min<std::size_t>(8, condition.size()));
    std::string_view first = rest.substr(0, rest.find('#'));
    std::string_view second = first.size() < rest.size() ? rest.substr(first.size() + 1) : std::string_view();
    auto nameOf = [](std::string_view pair) { return pair.substr(0, pair.find('=')); };
    auto valueOf = [](std::string_view pair) {
        std::size_t equals = pair.find('=');
        return equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
    };

    if (letter == 'B' && date < today()) return 0;
    if (!currentItemIs(nameOf(first), valueOf(first), letter == 'E' ? std::string_view(condition) : "")) return 0;
    if (letter == 'E' && (date == comparisonNumber(condition) || date < today())) return 0;
    if (second.empty()) return 1;
    return currentItemIs(nameOf(second), valueOf(second), letter == 'E' ? std::string_view(condition) : "") ? 1 : 0;
}
