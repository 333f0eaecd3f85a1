// End-to-end test of the date conditions of EMPTY tests, against dates computed from
// today in the gateway's own time zone: a zone chosen so that its date differs from the
// date in UTC at the moment the test runs, so that only the local date can pass.

#include <gtest/gtest.h>

#include <ctime>

#include "e2e/gateway_site.h"

namespace {

using namespace e2e;

// A time zone whose date differs from UTC's now, and its offset from UTC in hours.
struct Zone {
    std::string tz;  // a POSIX TZ value: the sign is the opposite of the offset's
    int offsetHours;
};

Zone zoneAwayFromUtc(std::time_t now) {
    std::tm utc{};
    gmtime_r(&now, &utc);
    // From noon UTC on, 13 hours east is already tomorrow; before noon, 12 hours west
    // is still yesterday.
    return utc.tm_hour >= 12 ? Zone{"ZGW-13", 13} : Zone{"ZGW+12", -12};
}

// The date `days` after today in the zone, written DD.MM.YYYY, and as YYYYMMDD.
std::string dayText(std::time_t now, const Zone& zone, int days) {
    std::time_t then = now + zone.offsetHours * 3600 + days * 86400;
    std::tm local{};
    gmtime_r(&then, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", &local);
    return text;
}
std::string dayNumber(std::time_t now, const Zone& zone, int days) {
    std::string text = dayText(now, zone, days);
    return text.substr(6, 4) + text.substr(3, 2) + text.substr(0, 2);
}

class DateConditions : public GatewaySite {
protected:
    void SetUp() override {
        GatewaySite::SetUp();
        if (!fs::exists(zoltdbPath())) GTEST_SKIP() << "needs the engine's administration tool " << zoltdbPath();
        writeFile(root_ / "schema.json", R"({"fields": [{"name": "TI", "type": "PHRASE"}, {"name": "DUE", "type": "PHRASE"},)"
                                         R"( {"name": "STATUS", "type": "PHRASE"}]})");
        ASSERT_TRUE(zoltdb({"init"}) && zoltdb({"create", "dated", "--schema", (root_ / "schema.json").string()}));
        writeConfig("BASE dated ZGWDIR " + (root_ / "templates").string() + "\n");
    }

    // Loads (or replaces) records 1 to 4, due yesterday, today, tomorrow, and on a date
    // whose day is not a number, every one of them open.
    void loadDates(std::time_t now, const Zone& zone) {
        const std::string dues[] = {dayText(now, zone, -1), dayText(now, zone, 0), dayText(now, zone, 1),
                                    "xx" + dayText(now, zone, 1).substr(2)};
        std::string records;
        for (int i = 0; i < 4; ++i)
            records += R"({"id": )" + std::to_string(i + 1) + R"(, "TI": "dated", "STATUS": "Open", "DUE": ")" +
                       dues[i] + "\"}\n";
        writeFile(root_ / "dated.jsonl", records);
        ASSERT_TRUE(zoltdb({"load", "dated", (root_ / "dated.jsonl").string()}));
    }

    // The ids of the records for which the condition on DUE holds, as the page lists them.
    std::string holding(const std::string& condition, const Zone& zone) {
        writeFile(root_ / "templates" / "t.zgw",
                  "<ZOLTLOOP RIS><ZOLTIF NEMPTY>${DUE.\xA3" + condition + "}${CURRRID},<ZOLTIF END><ZOLTLOOP END>");
        return get({{"${APPL}", "dated"}, {"${FREETEXT}", "dated"}, {"${HTML}", "t"}}, {{"TZ", zone.tz}}).out;
    }
};

TEST_F(DateConditions, DecidedAgainstTodayInTheLocalTimeZone) {
    // A run that crosses midnight in the zone sees two todays: it is run again.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::time_t now = std::time(nullptr);
        const Zone zone = zoneAwayFromUtc(now);
        ASSERT_NE(dayNumber(now, zone, 0), dayNumber(now, Zone{"UTC0", 0}, 0));
        loadDates(now, zone);
        struct Case { const char* name; std::string condition, holds; };
        const Case cases[] = {
            {"not passed", "C", "2,3,"},
            {"not the given day", "D" + dayNumber(now, zone, 0), "1,3,4,"},
            {"not passed, and an item holds", "B00000000STATUS=open", "2,3,"},
            {"not passed, and an item does not hold", "B00000000STATUS=closed", ""},
            {"not passed, not the excluded day, an item holds", "E" + dayNumber(now, zone, 1) + "STATUS=OPEN", "2,"},
            {"a letter that is no condition", "X", "1,2,3,4,"},
        };
        std::vector<std::string> pages;
        for (const auto& c : cases) pages.push_back(holding(c.condition, zone));
        if (attempt == 0 && dayNumber(std::time(nullptr), zone, 0) != dayNumber(now, zone, 0)) continue;
        for (std::size_t i = 0; i < pages.size(); ++i)
            EXPECT_EQ(pages[i], "Content-Type: text/html\n\n" + cases[i].holds) << cases[i].name;
        return;
    }
}

}  // namespace
