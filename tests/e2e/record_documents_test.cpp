// End-to-end tests of what a record holds besides field text: pictures sent byte for
// byte with their content types, a document converted to HTML and shown in a frameset,
// and the summary and teaser of a long field with its hits marked. Each request follows
// a link that a result page wrote, as a browser would.

#include <gtest/gtest.h>

#include "e2e/gateway_site.h"

namespace {

using namespace e2e;

const char kHeader[] = "Content-Type: text/html\n\n";

// A valid GIF of one pixel, with a comment of every byte value (line ends and NULs
// among them) long enough to arrive from the engine in several pieces.
std::string gifImage() {
    std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff\x21\xfe", 21);
    for (int block = 0; block < 12; ++block) {
        gif.push_back(static_cast<char>(255));
        for (int i = 0; i < 255; ++i) gif.push_back(static_cast<char>((block * 255 + i) % 256));
    }
    gif.push_back('\0');
    return gif + std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b", 16);
}

// A valid PNG of one pixel (its checksums hold CR LF and other control bytes).
std::string pngImage() {
    static const unsigned char bytes[] = {
        0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
        0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1F, 0x15, 0xC4,
        0x89, 0x00, 0x00, 0x00, 0x0A, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x00, 0x01, 0x00, 0x00,
        0x05, 0x00, 0x01, 0x0D, 0x0A, 0x2D, 0xB4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE,
        0x42, 0x60, 0x82};
    return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

class RecordDocuments : public GatewaySite {
protected:
    void SetUp() override {
        GatewaySite::SetUp();
        if (!fs::exists(zoltdbPath())) GTEST_SKIP() << "needs the engine's administration tool " << zoltdbPath();
        writeFile(root_ / "schema.json",
                  R"({"fields": [{"name": "TI", "type": "PHRASE"}, {"name": "TX", "type": "TEXT"},)"
                  R"( {"name": "PIC", "type": "BLOB"}, {"name": "DOC", "type": "BLOB"}]})");
        writeFile(root_ / "cat.gif", gifImage());
        writeFile(root_ / "dog.png", pngImage());
        writeFile(root_ / "doc.html", "<p>Cats and dogs</p>");
        writeFile(root_ / "media.jsonl",
                  R"({"id": 1, "TI": "gif picture", "PIC": {"file": "cat.gif", "type": "image/gif"},)"
                  R"( "DOC": {"file": "doc.html", "type": "text/html"},)"
                  R"( "TX": ["Cats sleep a lot.", "Dogs <i>bark</i> at cats all day. Birds sing."]})"
                  "\n"
                  R"({"id": 2, "TI": "png picture", "PIC": {"file": "dog.png", "type": "image/png"},)"
                  R"( "DOC": {"file": "dog.png", "type": "image/png"}, "TX": "No animal here."})"
                  "\n");
        ASSERT_TRUE(zoltdb({"init"}) && zoltdb({"create", "media", "--schema", (root_ / "schema.json").string()}) &&
                    zoltdb({"load", "media", (root_ / "media.jsonl").string()}));
        fs::create_directories(views_);
        configure("");
    }

    // The configuration: the template directory, then `lines`.
    void configure(const std::string& lines) { writeConfig("BASE media ZGWDIR " + templates_.string() + "\n" + lines); }

    // The page of a search for `words` with the template `text`.
    std::string page(const std::string& text, const std::string& words, Parameters more = {}) {
        writeFile(templates_ / "t.zgw", text);
        Parameters request{{"${APPL}", "media"}, {"${FREETEXT}", words}, {"${HTML}", "t"}};
        request.insert(request.end(), more.begin(), more.end());
        return get(request).out;
    }

    // The response to the link after `mark` of a result page, completed with `value`
    // (the template ends the link with the parameter's name).
    CgiResult followWith(const std::string& page, const std::string& mark, const std::string& parameter,
                         const std::string& value) {
        const std::string query = queryOfLink(hrefAfter(page, mark));
        const std::string name = "&" + queryOfLink("?" + parameter);
        EXPECT_TRUE(query.ends_with(name)) << query << " should end with " << name;
        return getQuery(query + "=" + queryEncoded(value));
    }

    const fs::path templates_ = root_ / "templates";
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
        {"a PNG by its configured suffix", "[2", "PIC.png", "Content-Type: image/png\n\n" + pngImage()},
        {"type and subtype from the request", "[2", "PIC.png.image", "Content-Type: image/png\n\n" + pngImage()},
        {"a subtype from the request", "[1", "PIC.x-icon", "Content-Type: image/x-icon\n\n" + gifImage()},
        {"a line break in the words", "[1", "PIC.gif\r\nSet-Cookie: a=b", refused},
        {"a parameter in the type", "[1", "PIC.gif.image;charset=x", refused},
        {"an unknown field", "[1", "NOPE", errorPage("Unknown field &#39;NOPE&#39;")},
    };
    for (const auto& c : cases) EXPECT_EQ(followWith(list, c.record, "${ZOLTPIFE}", c.value).out, c.out) << c.name;
    EXPECT_EQ(get({{"${APPL}", "media"}, {"${ZOLTPIFE}", "PIC"}}).out,
              errorPage("(S) No record for the binary field: the request names no saved result"));
}

// The frameset's frame: the configured URL prefix and the name of the converted file.
std::string frameOf(const std::string& response) {
    std::smatch frame;
    const std::regex page("Content-Type: text/html\n\n<HTML>\n<FRAMESET>\n<FRAME SRC=\"([^\"]*)\">\n</FRAMESET>\n"
                          "</HTML>\n");
    return std::regex_match(response, frame, page) ? frame[1].str() : "(no frameset) " + response;
}

TEST_F(RecordDocuments, ConvertedViewsInTheirFrameset) {
    const std::string views = "ZVDIR " + views_.string() + "\n";
    const std::string list = page("<ZOLTLOOP RIS>[${CURRRID}<a href=\"${ZGW}${ZOLTVIEW}\">view</a>]<ZOLTLOOP END>",
                                  "cats OR picture");
    struct Case { const char* name; std::string config; const char* record; const char* value; std::string url;
                  std::string document; };
    const Case cases[] = {
        {"a page with the text field's hits", views + "ZV_OUTPUT_URL /views/\n", "[1", "DOC.TX", "/views/",
         "<p>Cats and dogs</p><div class=\"zolttext\">\n<p><mark>Cats</mark> sleep a lot.</p>"},
        {"the document alone", views + "ZV_OUTPUT_URL /views/\n", "[1", "DOC", "/views/", "<p>Cats and dogs</p>"},
        {"a picture, under the built-in prefix", views, "[2", "DOC", "/zoltview/", "<img src=\"data:image/png;base64,"},
    };
    for (const auto& c : cases) {
        configure(c.config);
        const std::string frame = frameOf(followWith(list, c.record, "${ZOLTVFLD}", c.value).out);
        ASSERT_EQ(frame.substr(0, c.url.size()), c.url) << c.name << ": " << frame;
        const std::string name = frame.substr(c.url.size());
        EXPECT_TRUE(std::regex_match(name, std::regex("zv[0-9]+_[0-9]+\\.html"))) << c.name << ": " << name;
        const std::string document = readFile(views_ / name);
        EXPECT_NE(document.find(c.document), std::string::npos) << c.name << ": " << document;
        fs::remove(views_ / name);
    }
    // Nothing is written when the conversion fails; the error page says why.
    EXPECT_EQ(followWith(list, "[1", "${ZOLTVFLD}", "DOC.NOPE").out, errorPage("Unknown field &#39;NOPE&#39;"));
    configure("ZVDIR " + (root_ / "none").string() + "\n");
    const std::string failed = followWith(list, "[1", "${ZOLTVFLD}", "DOC").out;
    EXPECT_EQ(failed.rfind("Status: 404 Not found\n", 0), 0u) << failed;
    EXPECT_NE(failed.find("The document cannot be written"), std::string::npos) << failed;
}

// Summaries and teasers are record text: escaped like every item, the teaser's hits
// marked whatever ${HILITE} says.
TEST_F(RecordDocuments, SummariesAndTeasersWithHitsMarked) {
    struct Case { const char* name; std::string snippet, out; Parameters more = {}; };
    const Case cases[] = {
        {"summary", "${TX.Z}", "Cats sleep a lot. Dogs &lt;i&gt;bark&lt;/i&gt; at cats all day."},
        {"teaser", "${TX.T30}", "<b>Cats</b> sleep a lot. Dogs &lt;i&gt;bark"},
        {"teaser of the default size", "${TX.T}",
         "<b>Cats</b> sleep a lot. Dogs &lt;i&gt;bark&lt;/i&gt; at <b>cats</b> all day. Birds sing."},
        {"teaser while anchors are asked for", "${TX.T30}", "<em>Cats</em> sleep a lot. Dogs &lt;i&gt;bark",
         {{"${HILITE}", "2"}, {"${HILITEATTR}", "<em>"}}},
        {"summary in hidden text", "<ZOLTIF NOHITS>${TX.Z}${TX.T}<ZOLTIF END>", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(page("<ZOLTLOOP RIS>" + c.snippet + "<ZOLTLOOP END>", "cats", c.more), kHeader + c.out) << c.name;
}

}  // namespace
