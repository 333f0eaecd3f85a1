// Tests of reading the request: POST bodies, the console mode and the choice of input
// by the CGI variables (the reads from standard input run in the end-to-end tests).

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cgi/cgi_input.h"
#include "cgi/response_capture.h"

namespace {
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A read stream over `bytes` (a temporary file, so that any size works).
File inputOf(const std::string& bytes) {
    File file(std::tmpfile());
    std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    std::rewind(file.get());
    return file;
}

// The message of the CgiFailure that `action` throws; "" when it throws none.
template <class Action>
std::string failureOf(Action action) {
    try {
        action();
    } catch (const CgiFailure& failure) {
        return failure.what();
    }
    return "";
}
}  // namespace

TEST(ReadPostBody, ExactlyContentLengthBytes) {
    struct Case { const char* name; std::string input; std::string length; std::string body; };
    const std::string big(200000, 'x');  // several read chunks
    const Case cases[] = {
        {"exact", "a=1&b=2", "7", "a=1&b=2"},
        {"more input than declared", "a=1&b=2", "3", "a=1"},
        {"zero", "a=1", "0", ""},
        {"no digits counts as zero", "a=1", "abc", ""},
        {"leading digits are the length", "a=1", "2xyz", "a="},
        {"large body", big, std::to_string(big.size()), big},
    };
    for (const auto& c : cases) {
        File input = inputOf(c.input);
        EXPECT_EQ(readPostBody(input.get(), c.length), c.body) << c.name;
    }
}

TEST(ReadPostBody, ShortInputFailsWithTheExactMessage) {
    const char* message = "caught by zgwcgi: input length < CONTENT_LENGTH\n";
    struct Case { const char* name; std::string input; std::string length; };
    const Case cases[] = {
        {"one byte short", "123456789", "10"},
        {"empty input", "", "1"},
        // The header's number is never allocated up front: this ends at the input's end.
        {"absurd length", "a=1", "99999999999999999999999999"},
        {"length beyond memory", "a=1", "18446744073709551615"},
    };
    for (const auto& c : cases) {
        File input = inputOf(c.input);
        EXPECT_EQ(failureOf([&] { readPostBody(input.get(), c.length); }), message) << c.name;
    }
}

TEST(ReadConsoleRequest, PromptsReadsOneLineAndEchoes) {
    File input = inputOf("a=1&b=2\nignored=3\n");
    File console(std::tmpfile());
    EXPECT_EQ(readConsoleRequest(input.get(), console.get()), "a=1&b=2");
    std::rewind(console.get());
    std::string shown(4096, '\0');
    shown.resize(std::fread(shown.data(), 1, shown.size(), console.get()));
    EXPECT_EQ(shown,
              "\n--- zgwcgi Interactive Mode ---\n"
              "Enter CGI input string.  Remember to encode appropriate characters.\n"
              "Press ENTER when done:\n\n"
              "\n Input string: a=1&b=2\nString length: 7\n"
              "--- end zgwcgi Interactive Mode ---\n\n");

    File noNewline = inputOf("x=9");
    EXPECT_EQ(readConsoleRequest(noNewline.get(), console.get()), "x=9");
}

TEST(ReadCgiInput, ChoiceOfInputByTheCgiVariables) {
    ScopedEnv type("CONTENT_TYPE", std::nullopt);
    ScopedEnv length("CONTENT_LENGTH", std::nullopt);
    {
        ScopedEnv method("REQUEST_METHOD", "GET");
        ScopedEnv query("QUERY_STRING", "a=1&b=x%3Dy");
        EXPECT_EQ(read_cgi_input(), 2);
        EXPECT_EQ(pairsOf(cgiEntries), (Pairs{{"a", "1"}, {"b", "x=y"}}));
    }
    {
        ScopedEnv method("REQUEST_METHOD", "GET");
        ScopedEnv query("QUERY_STRING", "");
        EXPECT_EQ(read_cgi_input(), 0);
        EXPECT_TRUE(cgiEntries.empty());
    }
    {
        ScopedEnv method("REQUEST_METHOD", "GET");
        ScopedEnv query("QUERY_STRING", "a=1&b");
        EXPECT_EQ(read_cgi_input(), -1);
        EXPECT_EQ(pairsOf(cgiEntries), (Pairs{{"a", "1"}, {"b", ""}}));
    }
    // Multipart without CONTENT_LENGTH: no entries, whatever the method.
    {
        ScopedEnv method("REQUEST_METHOD", "PUT");
        ScopedEnv multipart("CONTENT_TYPE", "multipart/form-data; boundary=xyz");
        EXPECT_EQ(read_cgi_input(), 0);
    }
}

TEST(ReadCgiInput, FailuresCarryTheExactMessages) {
    ScopedEnv type("CONTENT_TYPE", "application/x-www-form-urlencoded");
    ScopedEnv length("CONTENT_LENGTH", std::nullopt);
    ScopedEnv query("QUERY_STRING", std::nullopt);
    struct Case { const char* method; const char* message; };
    const Case cases[] = {
        {"PUT", "caught by zgwcgi: REQUEST_METHOD invalid\n"},
        {"get", "caught by zgwcgi: REQUEST_METHOD invalid\n"},  // the method is case-sensitive
        {"", "caught by zgwcgi: REQUEST_METHOD invalid\n"},
        {"POST", "caught by zgwcgi: CONTENT_LENGTH is null\n"},
        {"GET", "caught by zgwcgi: QUERY_STRING is null\n"},
    };
    for (const auto& c : cases) {
        ScopedEnv method("REQUEST_METHOD", c.method);
        EXPECT_EQ(failureOf([] { read_cgi_input(); }), c.message) << c.method;
    }
}
