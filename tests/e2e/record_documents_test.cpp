// End-to-end tests of what a record holds besides field text: pictures sent byte for
// byte with their content types, a document converted to HTML and shown in a frameset,
// the summary and teaser of a long field with its hits marked, and date conditions
// decided against today. Each request follows a link that a result page wrote.

#include <gtest/gtest.h>

#include <ctime>

#include "e2e/gateway_site.h"

namespace {

using namespace e2e;

const char kHeader[] = "Content-Type: text/html\n\n";

// A valid GIF of one pixel, with a comment of every byte value (line ends and NULs
// among them) long enough to arrive from the engine in several pieces.
std::string gifImage() {
    std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xfe", 21);
    for (int i = 0; i < 12 * 256; ++i) gif.push_back(static_cast<char>(i % 256 == 0 ? 255 : i % 251));
    return gif + std::string("\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b", 17);
}

// A valid PNG of one pixel (its checksums hold CR LF).
const std::string kPng(
    "\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0\x1f\x15\xc4\x89\0\0\0\x0aIDAT"
    "\x78\x9c\x63\0\x01\0\0\x05\0\x01\x0d\x0a\x2d\xb4\0\0\0\0IEND\xae\x42\x60\x82", 67);

class RecordDocuments : public GatewaySite {
protected:
    void SetUp() override {
        GatewaySite::SetUp();
        writeFile(root_ / "cat.gif", gifImage());
        writeFile(root_ / "dog.png", kPng);
        writeFile(root_ / "doc.html", "<p>Cats and dogs</p>");
        ASSERT_TRUE(makeDatabase(
            "media",
            R"({"fields": [{"name": "TI", "type": "PHRASE"}, {"name": "TX", "type": "TEXT"},)"
            R"( {"name": "PIC", "type": "BLOB"}, {"name": "DOC", "type": "BLOB"},)"
            R"( {"name": "DUE", "type": "PHRASE"}, {"name": "STATUS", "type": "PHRASE"}]})",
            R"({"id": 1, "TI": "gif picture", "PIC": {"file": "cat.gif", "type": "image/gif"},)"
            R"( "DOC": {"file": "doc.html", "type": "text/html"},)"
            R"( "TX": ["Cats sleep a lot.", "Dogs <i>bark</i> at cats all day. Birds sing."]})" "\n"
            R"({"id": 2, "TI": "png picture", "PIC": {"file": "dog.png", "type": "image/png"},)"
            R"( "DOC": {"file": "dog.png", "type": "image/png"}})" "\n"));
        configure("");
    }

    // The configuration: the template directory, then `lines`.
    void configure(const std::string& lines) { writeConfig("BASE media ZGWDIR " + templates_.string() + "\n" + lines); }

    // The page of a search for `words` with the template `text`.
    std::string page(const std::string& text, const std::string& words, Parameters more = {},
                     Environment environment = {}) {
        more.insert(more.end(), {{"${APPL}", "media"}, {"${FREETEXT}", words}});
        return GatewaySite::page(text, more, environment);
    }

    // The response to the link after `mark`, which ends with a parameter's name: the
    // parameter gets `value`.
    std::string follow(const std::string& page, const std::string& mark, const std::string& value) {
        return GatewaySite::follow(page, mark, "=" + queryEncoded(value));
    }

    const fs::path views_ = root_ / "views";
};

TEST_F(RecordDocuments, PicturesArriveUnchangedWithTheirContentTypes) {
    configure("MIME png image/png\n");
    const std::string list = page("<ZOLTLOOP RIS>[${CURRRID}<a href=\"${ZGW}${ZOLTSTRING}\">pic</a>]<ZOLTLOOP END>",
                                  "picture");
    const std::string refused = errorPage("(S) Invalid content type for a binary field");
    struct Case { const char* name; const char* record; std::string value, out; };
    const Case cases[] = {
        {"a GIF by its field alone", "[1", "PIC", "Content-Type: image/gif\n\n" + gifImage()},
        {"a PNG by its configured suffix", "[2", "PIC.png", "Content-Type: image/png\n\n" + kPng},
        {"type and subtype from the request", "[2", "PIC.png.image", "Content-Type: image/png\n\n" + kPng},
        {"a subtype from the request", "[1", "PIC.x-icon", "Content-Type: image/x-icon\n\n" + gifImage()},
        {"a line break in the words", "[1", "PIC.gif\r\nSet-Cookie: a=b", refused},
        {"a parameter in the type", "[1", "PIC.gif.image;charset=x", refused},
        {"an unknown field", "[1", "NOPE", errorPage("Unknown field &#39;NOPE&#39;")},
    };
    for (const auto& c : cases) EXPECT_EQ(follow(list, c.record, c.value), c.out) << c.name;
    EXPECT_EQ(get({{"${APPL}", "media"}, {"${ZOLTPIFE}", "PIC"}}).out,
              errorPage("(S) No record for the binary field: the request names no saved result"));
}

TEST_F(RecordDocuments, ConvertedViewsInTheirFrameset) {
    const std::string list = page("<ZOLTLOOP RIS>[${CURRRID}<a href=\"${ZGW}${ZOLTVIEW}\">view</a>]<ZOLTLOOP END>",
                                  "cats OR picture");
    const std::regex frameset("Content-Type: text/html\n\n<HTML>\n<FRAMESET>\n<FRAME SRC=\"(/[a-z]+/)(zv[0-9]+_[0-9]+"
                              "\\.html)\">\n</FRAMESET>\n</HTML>\n");
    struct Case { const char* name; const char* url; const char* record; const char* value; std::string document; };
    const Case cases[] = {
        {"a page with the text field's hits", "/views/", "[1", "DOC.TX",
         "<p>Cats and dogs</p><div class=\"zolttext\">\n<p><mark>Cats</mark> sleep a lot.</p>"},
        {"the document alone", "/views/", "[1", "DOC", "<p>Cats and dogs</p>"},
        {"a picture, under the built-in prefix", "", "[2", "DOC", "<img src=\"data:image/png;base64,"},
    };
    for (const auto& c : cases) {
        configure("ZVDIR " + views_.string() + (*c.url ? std::string("\nZV_OUTPUT_URL ") + c.url : "") + "\n");
        fs::create_directories(views_);
        const std::string response = follow(list, c.record, c.value);
        std::smatch frame;
        ASSERT_TRUE(std::regex_match(response, frame, frameset)) << c.name << ": " << response;
        EXPECT_EQ(frame[1].str(), *c.url ? c.url : "/zoltview/") << c.name;
        const std::string document = readFile(views_ / frame[2].str());
        EXPECT_NE(document.find(c.document), std::string::npos) << c.name << ": " << document;
        fs::remove_all(views_);
    }
    // A view that cannot be made writes nothing of its own: the error page says why.
    EXPECT_EQ(follow(list, "[1", "DOC.NOPE"), errorPage("Unknown field &#39;NOPE&#39;"));
    std::string failed = follow(list, "[1", "DOC");  // the views directory is gone
    EXPECT_NE(failed.find("<h2>The document cannot be written to "), std::string::npos) << failed;
}

// Summaries and teasers are record text: escaped like every item, the teaser's hits
// marked whatever ${HILITE} says, nothing written in hidden text.
TEST_F(RecordDocuments, SummariesAndTeasersWithHitsMarked) {
    struct Case { const char* name; std::string snippet, out; Parameters more = {}; };
    const Case cases[] = {
        {"summary", "${TX.Z}", "Cats sleep a lot. Dogs &lt;i&gt;bark&lt;/i&gt; at cats all day."},
        {"teaser", "${TX.T30}", "<b>Cats</b> sleep a lot. Dogs &lt;i&gt;bark"},
        {"teaser of the default size", "${TX.T}",
         "<b>Cats</b> sleep a lot. Dogs &lt;i&gt;bark&lt;/i&gt; at <b>cats</b> all day. Birds sing."},
        {"teaser while anchors are asked for", "${TX.T30}", "<em>Cats</em> sleep a lot. Dogs &lt;i&gt;bark",
         {{"${HILITE}", "2"}, {"${HILITEATTR}", "<em>"}}},
        {"in hidden text", "<ZOLTIF NOHITS>${TX.Z}${TX.T}<ZOLTIF END>", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(page("<ZOLTLOOP RIS>" + c.snippet + "<ZOLTLOOP END>", "cats", c.more), kHeader + c.out) << c.name;
}

// The date `days` after today in a zone `offset` hours east of UTC, as DD.MM.YYYY.
std::string dayText(std::time_t now, int offset, int days) {
    std::time_t then = now + offset * 3600 + days * 86400;
    std::tm day{};
    gmtime_r(&then, &day);
    char text[16];
    std::strftime(text, sizeof text, "%d.%m.%Y", &day);
    return text;
}

TEST_F(RecordDocuments, DateConditionsAgainstTodayInTheLocalTimeZone) {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    // The gateway's zone: its date differs from UTC's now (from noon UTC on, 13 hours
    // east is tomorrow; before, 12 hours west is yesterday), so only the local date can
    // decide these. A POSIX TZ value counts hours west.
    const int offset = utc.tm_hour >= 12 ? 13 : -12;
    const Environment zone{{"TZ", offset > 0 ? "ZGW-13" : "ZGW+12"}};
    auto number = [&](int hours, int days) {  // YYYYMMDD
        std::string text = dayText(now, hours, days);
        return text.substr(6, 4) + text.substr(3, 2) + text.substr(0, 2);
    };
    ASSERT_NE(number(offset, 0), number(0, 0));
    // Records 11 to 14, due yesterday, today, tomorrow, and on a day that is no number.
    const std::string dues[] = {dayText(now, offset, -1), dayText(now, offset, 0), dayText(now, offset, 1),
                                "xx" + dayText(now, offset, 1).substr(2)};
    std::string records;
    for (int i = 0; i < 4; ++i)
        records += R"({"id": )" + std::to_string(11 + i) + R"(, "TI": "dated", "STATUS": "Open", "DUE": ")" + dues[i] +
                   "\"}\n";
    writeFile(root_ / "dated.jsonl", records);
    ASSERT_TRUE(zoltdb({"load", "media", (root_ / "dated.jsonl").string()}));

    struct Case { const char* name; std::string condition, holds; };
    const Case cases[] = {
        {"not passed", "C", "12,13,"},
        {"not the given day", "D" + number(offset, 0), "11,13,14,"},
        {"not passed, and an item holds", "B00000000STATUS=open", "12,13,"},
        {"not passed, and an item does not hold", "B00000000STATUS=closed", ""},
        {"not passed, not the excluded day, an item holds", "E" + number(offset, 1) + "STATUS=OPEN", "12,"},
        {"a letter that is no condition", "X", "11,12,13,14,"},
    };
    std::vector<std::string> pages;
    for (const auto& c : cases)
        pages.push_back(page("<ZOLTLOOP RIS><ZOLTIF NEMPTY>${DUE.\xA3" + c.condition +
                                 "}${CURRRID},<ZOLTIF END><ZOLTLOOP END>",
                             "dated", {}, zone));
    if (dayText(std::time(nullptr), offset, 0) != dues[1]) GTEST_SKIP() << "midnight passed in the zone meanwhile";
    for (std::size_t i = 0; i < pages.size(); ++i) EXPECT_EQ(pages[i], kHeader + cases[i].holds) << cases[i].name;
}

}  // namespace
