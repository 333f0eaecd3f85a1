// Tests of multipart decoding: fields, uploads with the agent rule, the line limit,
// malformed parts, and where uploads may and may not go.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "cgi/cgi_failure.h"
#include "cgi/multipart.h"
#include "cgi/response_capture.h"
#include "cgi/upload_store.h"

namespace fs = std::filesystem;

namespace {
const std::string kBoundary = "----zgwBoundary7MA4YWxk";
const std::string kContentType = "multipart/form-data; boundary=" + kBoundary;
const char* kWindowsAgent = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)";
const char* kOtherAgent = "Mozilla/5.0 (X11; Linux x86_64)";

std::string field(const std::string& name, const std::string& value) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"\r\n\r\n" + value + "\r\n";
}

std::string upload(const std::string& name, const std::string& fileName, const std::string& bytes) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"; filename=\"" + fileName + "\"\r\nContent-Type: application/octet-stream\r\n\r\n" +
           bytes + "\r\n";
}

const std::string kEnd = "--" + kBoundary + "--\r\n";

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A private scratch directory standing in for /tmp; uploads go to its "uploads".
class Multipart : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zgw_multipart_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        scratch_ = pattern;
        uploads_ = scratch_ / "uploads";
    }
    void TearDown() override { fs::remove_all(scratch_); }

    // Decodes `body`; the entries land in list_.
    int decode(const std::string& body, const char* agent = kOtherAgent,
               const std::string& contentType = kContentType) {
        std::unique_ptr<std::FILE, int (*)(std::FILE*)> input(std::tmpfile(), std::fclose);
        std::fwrite(body.data(), 1, body.size(), input.get());
        std::rewind(input.get());
        return decodeMultipart(list_, input.get(), contentType, agent, uploads_.string());
    }

    // The message of the failure a decode throws, or "".
    std::string failureOf(const std::string& body) {
        try {
            decode(body);
        } catch (const CgiFailure& failure) {
            return failure.what();
        }
        return "";
    }

    fs::path scratch_;
    fs::path uploads_;
    EntryList list_;
};
}  // namespace

TEST_F(Multipart, FieldsLoseTheLineBreakBeforeTheBoundary) {
    struct Case { const char* name; std::string body; int result; Pairs entries; };
    const std::string longLine(2000, 'L');  // four 512-byte pieces and a rest
    const Case cases[] = {
        {"one field", field("q", "hello") + kEnd, 1, {{"q", "hello"}}},
        {"fields in order", field("a", "1") + field("b", "") + field("a", "2") + kEnd, 3,
         {{"a", "1"}, {"b", ""}, {"a", "2"}}},
        {"lines inside a value stay", field("t", "l1\r\nl2\r\n") + kEnd, 1, {{"t", "l1\r\nl2\r\n"}}},
        {"line longer than 512 bytes", field("long", longLine) + kEnd, 1, {{"long", longLine}}},
        {"bare line feed before the boundary", "--" + kBoundary +
             "\r\nContent-Disposition: form-data; name=\"lf\"\r\n\r\nhello\n" + kEnd, 1,
         {{"lf", "hello"}}},
        {"name without closing quote ends at the line end",
         "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"open\r\n\r\nv\r\n" + kEnd, 1,
         {{"open", "v"}}},
        {"header line shorter than column 38",
         "--" + kBoundary + "\r\nContent-Disposition: x\r\n\r\nv\r\n" + kEnd, 1, {{"", "v"}}},
        {"NUL byte ends a field value", field("z", std::string("a\0b", 3)) + kEnd, 1, {{"z", "a"}}},
        {"body ends before the next boundary: the open field is dropped",
         field("a", "1") + "--" + kBoundary + "\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\ncut",
         1, {{"a", "1"}}},
        {"body ends inside the headers", field("a", "1") + "--" + kBoundary +
             "\r\nContent-Disposition: form-data; name=\"b\"\r\n", 1, {{"a", "1"}}},
        {"empty body", "", 0, {}},
        {"only the opening boundary", "--" + kBoundary + "\r\n", 0, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decode(c.body), c.result) << c.name;
        EXPECT_EQ(pairsOf(list_), c.entries) << c.name;
    }
}

TEST_F(Multipart, WithoutBoundaryNothingIsDecoded) {
    const std::string body = field("q", "hello") + kEnd;
    for (const std::string type : {"multipart/form-data", "multipart/form-data; boundary="}) {
        list_insafter(list_, nullptr, "stale", "");
        EXPECT_EQ(decode(body, kOtherAgent, type), 0) << type;
        EXPECT_TRUE(list_.empty()) << type;
    }
    EXPECT_EQ(multipartBoundary("multipart/form-data; boundary=abc"), "abc");
}

TEST_F(Multipart, UploadsAreStoredByteForByte) {
    const std::string bytes("bin\0ary\r\nline\r\n\xFF", 17);
    const std::string big(5000, 'B');
    EXPECT_EQ(decode(field("before", "x") + upload("file", "a.txt", bytes) +
                     upload("big", "big.bin", big) + field("after", "y") + kEnd),
              4);
    EXPECT_EQ(pairsOf(list_),
              (Pairs{{"before", "x"}, {"file", "a.txt"}, {"big", "big.bin"}, {"after", "y"}}));
    EXPECT_EQ(readFile(uploads_ / "a.txt"), bytes);
    EXPECT_EQ(readFile(uploads_ / "big.bin"), big);
    struct stat info {};
    ASSERT_EQ(stat(uploads_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A later upload of the same name replaces the earlier one.
    decode(upload("file", "a.txt", "second") + kEnd);
    EXPECT_EQ(readFile(uploads_ / "a.txt"), "second");
}

TEST_F(Multipart, FileNamesByAgentAndSafeStoredNames) {
    struct Case {
        const char* name; const char* agent; std::string fileName;
        std::string entryValue; std::string storedAs;  // "" : not stored
    };
    const Case cases[] = {
        {"Windows path from a Windows agent", kWindowsAgent, "C:\\docs\\w.txt", "w.txt", "w.txt"},
        {"agent rule ignores case", "MOZILLA (WINDOWS)", "C:\\x\\u.txt", "u.txt", "u.txt"},
        {"Windows path from another agent", kOtherAgent, "C:\\docs\\o.txt", "C:\\docs\\o.txt", "o.txt"},
        {"no agent", nullptr, "D:\\n.txt", "D:\\n.txt", "n.txt"},
        {"climbing with slashes", kOtherAgent, "../../escape.txt", "../../escape.txt", "escape.txt"},
        {"absolute path", kOtherAgent, "/etc/cron.d/evil", "/etc/cron.d/evil", "evil"},
        {"backslash kept by a Windows agent", kWindowsAgent, "..\\..\\bs.txt", "bs.txt", "bs.txt"},
        {"empty file name (no file chosen)", kOtherAgent, "", "", ""},
        {"dot dot", kOtherAgent, "..", "..", ""},
        {"only dots", kOtherAgent, "...", "...", ""},
        {"directory only", kOtherAgent, "dir/", "dir/", ""},
        {"too long for a file name", kOtherAgent, std::string(300, 'n'), std::string(300, 'n'), ""},
        {"NUL in the name", kOtherAgent, std::string("a\0b", 3), "a", "a"},
    };
    for (const auto& c : cases) {
        fs::remove_all(uploads_);
        EXPECT_EQ(decode(upload("f", c.fileName, "data") + kEnd, c.agent), 1) << c.name;
        EXPECT_EQ(pairsOf(list_), (Pairs{{"f", c.entryValue}})) << c.name;
        std::vector<std::string> stored;
        if (fs::exists(uploads_))
            for (const auto& file : fs::directory_iterator(uploads_))
                stored.push_back(file.path().filename().string());
        EXPECT_EQ(stored, c.storedAs.empty() ? std::vector<std::string>{}
                                             : std::vector<std::string>{c.storedAs})
            << c.name;
    }
    // Nothing ever lands next to the upload directory.
    std::vector<std::string> besides;
    for (const auto& file : fs::directory_iterator(scratch_))
        besides.push_back(file.path().filename().string());
    EXPECT_EQ(besides, (std::vector<std::string>{"uploads"}));
}

TEST_F(Multipart, FileNameWithoutClosingQuoteEndsAtTheLineEnd) {
    std::string body = "--" + kBoundary +
                       "\r\nContent-Disposition: form-data; name=\"f\"; filename=\"open.txt\r\n\r\n"
                       "data\r\n" + kEnd;
    EXPECT_EQ(decode(body), 1);
    EXPECT_EQ(pairsOf(list_), (Pairs{{"f", "open.txt"}}));
    EXPECT_EQ(readFile(uploads_ / "open.txt"), "data");
}

TEST_F(Multipart, UploadNamedLikeAnotherFileLeavesThatFileAlone) {
    // /tmp/zgw_star.log, say: an upload of that name goes into the upload directory.
    std::ofstream(scratch_ / "zgw_star.log") << "log line\n";
    decode(upload("f", "zgw_star.log", "overwritten?") + kEnd);
    EXPECT_EQ(readFile(scratch_ / "zgw_star.log"), "log line\n");
    EXPECT_EQ(readFile(uploads_ / "zgw_star.log"), "overwritten?");
}

TEST_F(Multipart, PlantedLinksAndForeignDirectoriesAreRefused) {
    const char* message = kUploadFailureMessage;
    std::ofstream(scratch_ / "victim") << "keep\n";

    // A symbolic link under the upload's name is not followed.
    fs::create_directory(uploads_);
    fs::permissions(uploads_, fs::perms::owner_all, fs::perm_options::replace);
    fs::create_symlink(scratch_ / "victim", uploads_ / "link.txt");
    EXPECT_EQ(failureOf(upload("f", "link.txt", "x") + kEnd), message);
    EXPECT_EQ(readFile(scratch_ / "victim"), "keep\n");

    // A FIFO under the upload's name fails at once instead of blocking the request.
    ASSERT_EQ(mkfifo((uploads_ / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(failureOf(upload("f", "fifo", "x") + kEnd), message);

    // A directory that others may enter is not ours alone.
    fs::permissions(uploads_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec,
                    fs::perm_options::replace);
    EXPECT_EQ(failureOf(upload("f", "ok.txt", "x") + kEnd), message);
    EXPECT_FALSE(fs::exists(uploads_ / "ok.txt"));

    // The upload directory itself replaced by a link.
    fs::remove_all(uploads_);
    fs::create_directory(scratch_ / "elsewhere");
    fs::permissions(scratch_ / "elsewhere", fs::perms::owner_all, fs::perm_options::replace);
    fs::create_directory_symlink(scratch_ / "elsewhere", uploads_);
    EXPECT_EQ(failureOf(upload("f", "ok.txt", "x") + kEnd), message);
    EXPECT_FALSE(fs::exists(scratch_ / "elsewhere" / "ok.txt"));

    // A field-only request never touches the directory.
    EXPECT_EQ(failureOf(field("a", "1") + kEnd), "");
}

TEST(UploadNames, AgentRuleAndSafeNames) {
    EXPECT_EQ(agentFileName("C:\\a\\b.txt", "Windows"), "b.txt");
    EXPECT_EQ(agentFileName("C:\\a\\b.txt", "Linux"), "C:\\a\\b.txt");
    EXPECT_EQ(agentFileName("plain.txt", "win"), "plain.txt");
    EXPECT_EQ(safeUploadName("a/b\\c.txt"), "c.txt");
    EXPECT_EQ(safeUploadName(".hidden"), ".hidden");
    EXPECT_EQ(safeUploadName("a/.."), "");
    EXPECT_EQ(safeUploadName(std::string(255, 'x')), std::string(255, 'x'));
}
