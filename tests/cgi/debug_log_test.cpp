// Tests of the debug log: the line format, appending, the cut of long lines, and the
// private log that must not follow a planted link.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>

#include "cgi/debug_log.h"
#include "support/scratch_dir.h"

TEST(DebugLog, LinesAreTimeStampedAppendedAndCut) {
    ScratchDir scratch;
    const std::string path = scratch / "debug.log";
    for (const std::string& text : {std::string("request 1"), std::string(5000, 'x')}) {
        debugFileName = path;
        openDebugLog();
        ASSERT_TRUE(debugOn());
        debugLog("%s", text.c_str());
        closeDebugLog();
        EXPECT_FALSE(debugOn());
    }
    // A line holds "HH:MM:SS ", at most 2,047 characters of the message and a newline.
    const std::string log = readFile(path);
    EXPECT_TRUE(std::regex_match(log, std::regex("\\d\\d:\\d\\d:\\d\\d request 1\n"
                                                 "\\d\\d:\\d\\d:\\d\\d x{2047}\n")))
        << log.substr(0, 100);
}

TEST(DebugLog, PrivateLogRefusesLinksAndIsCreatedPrivate) {
    ScratchDir scratch;
    const std::string path = scratch / "private.log";
    writeFile(scratch / "target", "keep\n");
    ASSERT_EQ(symlink((scratch / "target").c_str(), path.c_str()), 0);
    debugFileName = path;
    openPrivateDebugLog();
    EXPECT_FALSE(debugOn());
    EXPECT_EQ(readFile(scratch / "target"), "keep\n");

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
}
