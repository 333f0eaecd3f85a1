// date_condition.cpp - the date letters of an EMPTY test's comparison flag that need
// today's date: C holds while the field's date (DD.MM.YYYY) has not passed. B and E also
// read other fields of the record, which this build does not do yet: they say so in the
// page and do not hold.

#include <ctime>
#include <string>

#include "template/template_engine.h"

namespace {

// Today as the number YYYYMMDD in the process's local time.
long long today() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return (local.tm_year + 1900LL) * 10000 + (local.tm_mon + 1) * 100 + local.tm_mday;
}

// The date of a field written day, month, year at positions 0-1, 3-4 and 6-9, as the
// number YYYYMMDD; a missing or non-digit position ends the number there.
long long fieldDateOf(std::string_view text) {
    static constexpr std::size_t kOrder[] = {6, 7, 8, 9, 3, 4, 0, 1};
    long long value = 0;
    for (std::size_t at : kOrder) {
        if (at >= text.size() || text[at] < '0' || text[at] > '9') break;
        value = value * 10 + (text[at] - '0');
    }
    return value;
}

}  // namespace

long long TemplateEngine::fieldDate(std::string_view text) { return fieldDateOf(text); }

int TemplateEngine::dateCondition(std::string_view text) {
    if (settings.comparisonLetter == 'C') return fieldDateOf(text) >= today() ? 1 : 0;
    outputDBerror(std::string("Date condition ") + settings.comparisonLetter + " is not available in this build",
                  false);
    return 0;
}
