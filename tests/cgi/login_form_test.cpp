// Tests of the login page: the four variables, the hidden fields, pieces of 511
// characters, and the escaping of everything filled in. The page for a missing login
// file is tested with the entry that chooses the file (tests/entry).

#include <gtest/gtest.h>

#include "cgi/login_form.h"
#include "cgi/url_decode.h"
#include "support/response_capture.h"
#include "support/scratch_dir.h"

namespace {
const std::string kHeader = "Content-Type: text/html\n\n";

// Writes `text` as a login file, runs the form for `query` and returns the response.
std::string formFor(const std::string& text, const std::string& query, const std::string& message = "") {
    ScratchDir scratch;
    writeFile(scratch / "login.zgw", text);
    EntryList request;
    decodeUrlEncoded(request, query);
    CapturedResponse response;
    PrintPasswdForm((scratch / "login.zgw").string(), message, request);
    return response.text();
}
}  // namespace

TEST(PrintPasswdForm, VariablesReplaced) {
    const std::string full = "%24%7BAPPL%7D=lib&%24%7BBASE%7D=books&%24%7BUSER%7D=u&"
                             "%24%7BPWD%7D=p&title=war";
    struct Case { const char* name; std::string file; std::string query; std::string expected; };
    const Case cases[] = {
        {"hidden fields in request order without user and password", "<form>${ZGWPARAM}</form>\n",
         full,
         "<form><INPUT type=\"hidden\" name=\"${APPL}\" value=\"lib\">"
         "<INPUT type=\"hidden\" name=\"${BASE}\" value=\"books\">"
         "<INPUT type=\"hidden\" name=\"title\" value=\"war\"></form>\n"},
        {"lower-case variable names", "${appl} ${Base}", full, "lib books"},
        {"other variables copied unchanged", "${TITLE} and ${APPL}", full, "${TITLE} and lib"},
        {"no closing brace: rest copied", "a ${APPL} b ${OPEN c\n", full, "a lib b ${OPEN c\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formFor(c.file, c.query, "Login refused"), kHeader + c.expected) << c.name;
}

TEST(PrintPasswdForm, PiecesOf511Characters) {
    // A variable that starts at character 509 of a long line is split between pieces.
    std::string split = std::string(509, 'x') + "${APPL}" + "\n";
    EXPECT_EQ(formFor(split, "%24%7BAPPL%7D=lib"), kHeader + split);
    // One that ends exactly at character 511 is found.
    std::string fits = std::string(504, 'x') + "${APPL}" + "${APPL}\n";
    EXPECT_EQ(formFor(fits, "%24%7BAPPL%7D=lib"), kHeader + std::string(504, 'x') + "lib" + "lib\n");
}

TEST(PrintPasswdForm, RequestAndEngineTextStaysInert) {
    const std::string hostile = "%22%3E%3Cscript%3Ealert(1)%3C%2Fscript%3E";  // "><script>...
    const std::string inert = "&quot;&gt;&lt;script&gt;alert(1)&lt;/script&gt;";
    std::string page = formFor("${APPL}|${ZGWPARAM}|${ERRMSG}",
                               "%24%7BAPPL%7D=" + hostile + "&" + hostile + "=" + hostile,
                               "User <b>\"x\"</b> & co");
    EXPECT_EQ(page, kHeader + inert + "|" +
                        "<INPUT type=\"hidden\" name=\"${APPL}\" value=\"" + inert + "\">" +
                        "<INPUT type=\"hidden\" name=\"" + inert + "\" value=\"" + inert + "\">" +
                        "|User &lt;b&gt;&quot;x&quot;&lt;/b&gt; &amp; co");
}
