// Tests of the debug log: switching on and off, line format, appending.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "cgi/debug_log.h"

namespace {
std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string tempPath(const char* name) {
    return "/tmp/zgw_test_" + std::to_string(getpid()) + "_" + name;
}
}  // namespace

TEST(DebugLog, UnopenableFileLeavesDebuggingOff) {
    debugFileName = "/nonexistent-dir/zgw.log";
    openDebugLog();
    EXPECT_FALSE(debugOn());
    EXPECT_EQ(debugFile, nullptr);
}

TEST(DebugLog, LinesAreTimeStampedAndAppended) {
    std::string path = tempPath("debug.log");
    unlink(path.c_str());
    for (int request = 1; request <= 2; ++request) {
        debugFileName = path;
        openDebugLog();
        ASSERT_TRUE(debugOn());
        debugLog("request %d", request);
        closeDebugLog();
        EXPECT_FALSE(debugOn());
    }
    std::string text = readFile(path);
    EXPECT_TRUE(std::regex_match(text, std::regex("\\d\\d:\\d\\d:\\d\\d request 1\n"
                                                  "\\d\\d:\\d\\d:\\d\\d request 2\n")))
        << text;
    unlink(path.c_str());
}

TEST(DebugLog, LongMessagesAreCut) {
    std::string path = tempPath("long.log");
    unlink(path.c_str());
    debugFileName = path;
    openDebugLog();
    std::string longText(5000, 'x');
    debugLog("%s", longText.c_str());
    closeDebugLog();
    std::string text = readFile(path);
    EXPECT_EQ(text.size(), 9 + 2047 + 1);  // "HH:MM:SS " + cut message + newline
    unlink(path.c_str());
}

TEST(DebugLog, PrivateLogRefusesLinksAndIsCreatedPrivate) {
    std::string path = tempPath("private.log");
    std::string target = tempPath("target");
    unlink(path.c_str());
    { std::ofstream(target) << "keep\n"; }

    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
    debugFileName = path;
    openPrivateDebugLog();
    EXPECT_FALSE(debugOn());
    EXPECT_EQ(readFile(target), "keep\n");
    unlink(path.c_str());

    debugFileName = path;
    openPrivateDebugLog();
    ASSERT_TRUE(debugOn());
    debugLog("private");
    closeDebugLog();
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(readFile(path).find(" private\n"), std::string::npos);
    unlink(path.c_str());
    unlink(target.c_str());
}
