// Tests of the platform's path rules.

#include <gtest/gtest.h>

#include <unistd.h>

#include "cgi/platform.h"

TEST(Platform, JoinPathUsesSlash) {
    EXPECT_EQ(joinPath("/srv/app", "login.zgw"), "/srv/app/login.zgw");
    EXPECT_EQ(joinPath("/srv/app/", "login.zgw"), "/srv/app/login.zgw");
    EXPECT_EQ(joinPath("", "login.zgw"), "login.zgw");
}

TEST(Platform, DirectoryOfCutsAfterTheLastSlashOrBackslash) {
    struct Case { const char* path; const char* directory; };
    const Case cases[] = {
        {"/etc/zolt/zgw.conf", "/etc/zolt/"},
        {"C:\\zolt\\zgw.conf", "C:\\zolt\\"},
        {"/etc/zolt\\sub/zgw.conf", "/etc/zolt\\sub/"},
        {"/etc/zolt/sub\\zgw.conf", "/etc/zolt/sub\\"},
        {"zgw.conf", ""},
        {"", ""},
        {"/", "/"},
    };
    for (const auto& c : cases) EXPECT_EQ(directoryOf(c.path), c.directory) << c.path;
}

TEST(Platform, CurrentDirectoryEndsInSlash) {
    char buffer[4096];
    ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
    EXPECT_EQ(currentDirectory(), joinPath(buffer, ""));
}
