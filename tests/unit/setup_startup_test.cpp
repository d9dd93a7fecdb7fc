// Start-up steps of the installer that need no host: the shortening of a
// target to the directory under which the package's directories lie.
#include "MemMgr.h"
#include "setup.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StripToBaseName, CutsAtTheProductThenAtTheMaker) {
    struct Case {
        const char* path;
        const char* base;
    } cases[] = {
        {"/opt/Zorvo/qvxx/", "/opt"},
        {"/opt/Zorvo/qvxx", "/opt"},
        {"/opt/Zorvo", "/opt"},
        {"/opt/", "/opt"},
        {"/opt", "/opt"},
        {"/", "/"},
        {"/a/qvxxb/Zorvo", "/a"},
        {"/srv/Zorvo/x/qvxx", "/srv"},
        {"", ""},
        {"Zorvo", ""},
        {"//", "/"},
    };
    for (const Case& c : cases) {
        char* p = SaveStr_(c.path);
        EXPECT_EQ(StripToBaseName(p), p) << "shortened in place";
        EXPECT_STREQ(p, c.base) << c.path;
        PutMem(p);
    }
    EXPECT_EQ(StripToBaseName(nullptr), nullptr);
}

} // namespace
