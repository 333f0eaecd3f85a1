// Tests of multipart decoding: fields, uploads with the agent rule, the line limit,
// malformed parts, and where uploads may and may not go.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>

#include "cgi/cgi_failure.h"
#include "cgi/multipart.h"
#include "cgi/upload_store.h"
#include "support/response_capture.h"
#include "support/scratch_dir.h"

namespace fs = std::filesystem;

namespace {
const std::string kBoundary = "----zgwBoundary7MA4YWxk";
const std::string kContentType = "multipart/form-data; boundary=" + kBoundary;
const std::string kEnd = "--" + kBoundary + "--\r\n";
const char* kWindowsAgent = "Mozilla/5.0 (Windows NT 10.0; Win64; x64)";
const char* kOtherAgent = "Mozilla/5.0 (X11; Linux x86_64)";

// A part whose Content-Disposition line ends with `disposition`.
std::string part(const std::string& disposition, const std::string& value) {
    return "--" + kBoundary + "\r\nContent-Disposition: form-data; " + disposition + "\r\n\r\n" + value + "\r\n";
}
std::string field(const std::string& name, const std::string& value) {
    return part("name=\"" + name + "\"", value);
}
std::string upload(const std::string& name, const std::string& fileName, const std::string& bytes) {
    return part("name=\"" + name + "\"; filename=\"" + fileName + "\"\r\nContent-Type: application/octet-stream",
                bytes);
}

// A private scratch directory standing in for /tmp; uploads go to its "uploads".
class Multipart : public ::testing::Test {
protected:
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

    std::vector<std::string> namesIn(const fs::path& directory) {
        std::vector<std::string> names;
        if (fs::exists(directory))
            for (const auto& file : fs::directory_iterator(directory)) names.push_back(file.path().filename());
        return names;
    }

    ScratchDir scratch_;
    fs::path uploads_ = scratch_ / "uploads";
    EntryList list_;
};
}  // namespace

TEST_F(Multipart, FieldsLoseTheLineBreakBeforeTheBoundary) {
    struct Case { const char* name; std::string body; std::string contentType; int result; Pairs entries; };
    const std::string open = "--" + kBoundary + "\r\nContent-Disposition: ";
    const Case cases[] = {
        {"fields in order", field("a", "1") + field("b", "") + field("a", "2") + kEnd, kContentType, 3,
         {{"a", "1"}, {"b", ""}, {"a", "2"}}},
        {"name without closing quote ends at the line end", part("name=\"open", "v") + kEnd, kContentType, 1,
         {{"open", "v"}}},
        {"header line shorter than column 38", open + "x\r\n\r\nv\r\n" + kEnd, kContentType, 1, {{"", "v"}}},
        {"NUL byte ends a field value", field("z", std::string("a\0b", 3)) + kEnd, kContentType, 1, {{"z", "a"}}},
        {"body ends before the next boundary: the open field is dropped",
         field("a", "1") + open + "form-data; name=\"b\"\r\n\r\ncut", kContentType, 1, {{"a", "1"}}},
        // A header line whose line end falls into the next piece ends no headers.
        {"header line of 511 bytes before its CR LF",
         open + "form-data; name=\"h\"\r\nX: " + std::string(508, 'h') + "\r\n\r\nv\r\n" + kEnd, kContentType,
         1, {{"h", "v"}}},
        {"header line of 512 bytes before its CR LF",
         open + "form-data; name=\"h\"\r\nX: " + std::string(509, 'h') + "\r\n\r\nv\r\n" + kEnd, kContentType,
         1, {{"h", "v"}}},
        {"bare line feeds throughout", "--" + kBoundary + "\nContent-Disposition: form-data; name=\"n\"\n\nv\n" +
         "--" + kBoundary + "--\n", kContentType, 1, {{"n", "v"}}},
        {"only the opening boundary", "--" + kBoundary + "\r\n", kContentType, 0, {}},
        // Every line would "contain" an empty boundary: nothing is decoded.
        {"no boundary", field("q", "hello") + kEnd, "multipart/form-data", 0, {}},
    };
    for (const auto& c : cases) {
        fillList(list_, {{"stale", ""}});  // the decoder empties the list first
        EXPECT_EQ(decode(c.body, kOtherAgent, c.contentType), c.result) << c.name;
        EXPECT_EQ(pairsOf(list_), c.entries) << c.name;
    }
}

// The line end in front of a boundary belongs to the boundary, wherever the 512-byte
// pieces cut it: a value or a file arrives exactly as sent. Lengths are those of the
// last line; the second line of a two-line value starts a fresh piece.
TEST_F(Multipart, ValuesAndUploadsSurviveEveryPieceBoundary) {
    const std::string open = "--" + kBoundary + "\r\nContent-Disposition: form-data; ";
    for (std::size_t length : {1u, 510u, 511u, 512u, 513u, 1022u, 1023u, 1024u, 1025u}) {
        for (const char* ending : {"", "\r\n", "\n", "\r"}) {        // the value's own last bytes
            for (const char* delimiter : {"\r\n", "\n"}) {           // the line end before the boundary
                // "v\r" and a bare LF delimiter read as "v" and a CR LF: no sender can mean it.
                if (std::string_view(ending) == "\r" && std::string_view(delimiter) == "\n") continue;
                for (bool twoLines : {false, true}) {
                    const std::string value = (twoLines ? "first\r\n" : "") + std::string(length, 'v') + ending;
                    const std::string name = "length " + std::to_string(length) + ", ending " +
                                             ::testing::PrintToString(std::string(ending)) + ", delimiter " +
                                             ::testing::PrintToString(std::string(delimiter)) +
                                             (twoLines ? ", two lines" : "");
                    fs::remove_all(uploads_);
                    const std::string body =
                        open + "name=\"v\"\r\n\r\n" + value + delimiter +
                        open + "name=\"f\"; filename=\"f.bin\"\r\n\r\n" + value + delimiter + kEnd;
                    EXPECT_EQ(decode(body), 2) << name;
                    EXPECT_EQ(pairsOf(list_), (Pairs{{"v", value}, {"f", "f.bin"}})) << name;
                    EXPECT_EQ(readFile(uploads_ / "f.bin"), value) << name;
                }
            }
        }
    }
}

TEST_F(Multipart, UploadsBetweenFieldsInAPrivateDirectory) {
    const std::string bytes("bin\0ary\r\n\xFF", 10);
    EXPECT_EQ(decode(field("before", "x") + upload("file", "a.txt", bytes) + field("after", "y") + kEnd), 3);
    EXPECT_EQ(pairsOf(list_), (Pairs{{"before", "x"}, {"file", "a.txt"}, {"after", "y"}}));
    EXPECT_EQ(readFile(uploads_ / "a.txt"), bytes);
    struct stat info {};
    ASSERT_EQ(stat(uploads_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A later upload of the same name replaces the earlier one; a file name without its
    // closing quote ends at the line end.
    decode(part("name=\"file\"; filename=\"a.txt", "second") + kEnd);
    EXPECT_EQ(pairsOf(list_), (Pairs{{"file", "a.txt"}}));
    EXPECT_EQ(readFile(uploads_ / "a.txt"), "second");
}

TEST_F(Multipart, FileNamesByAgentAndSafeStoredNames) {
    struct Case {
        const char* name; const char* agent; std::string fileName;
        std::string entryValue; std::string storedAs;  // "" : not stored
    };
    const Case cases[] = {
        {"Windows path from another agent", kOtherAgent, "C:\\docs\\o.txt", "C:\\docs\\o.txt", "o.txt"},
        {"climbing with slashes", kOtherAgent, "../../escape.txt", "../../escape.txt", "escape.txt"},
        {"backslash kept by a Windows agent", kWindowsAgent, "..\\..\\bs.txt", "bs.txt", "bs.txt"},
        {"empty file name (no file chosen)", kOtherAgent, "", "", ""},
        {"dot dot", kOtherAgent, "..", "..", ""},
        {"too long for a file name", kOtherAgent, std::string(256, 'n'), std::string(256, 'n'), ""},
        {"NUL in the name", kOtherAgent, std::string("a\0b", 3), "a", "a"},
    };
    for (const auto& c : cases) {
        fs::remove_all(uploads_);
        EXPECT_EQ(decode(upload("f", c.fileName, "data") + kEnd, c.agent), 1) << c.name;
        EXPECT_EQ(pairsOf(list_), (Pairs{{"f", c.entryValue}})) << c.name;
        EXPECT_EQ(namesIn(uploads_), c.storedAs.empty() ? std::vector<std::string>{}
                                                        : std::vector<std::string>{c.storedAs})
            << c.name;
    }
    // Nothing ever lands next to the upload directory.
    EXPECT_EQ(namesIn(scratch_.path()), std::vector<std::string>{"uploads"});
}

TEST_F(Multipart, PlantedLinksAndForeignDirectoriesAreRefused) {
    const char* message = kUploadFailureMessage;
    writeFile(scratch_ / "victim", "keep\n");

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
    fs::permissions(uploads_, fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
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
