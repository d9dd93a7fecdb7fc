// Path-name surgery: StripExt, StripPath, StripPathExt, StripFn,
// StripPathName and SkipSpace.
#include "utils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* in;
    const char* out;
};

using PathFn = char* (*)(const char*);

void ExpectTable(PathFn fn, const char* fnName, std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(fnName) + "(" + (c.in ? "'" + std::string(c.in) + "'" : "null") +
                     ")");
        const char* const got = fn(c.in);
        ASSERT_NE(got, nullptr);
        EXPECT_STREQ(got, c.out);
    }
}

TEST(StripExt, CutsAtFirstDotAfterName) {
    ExpectTable(StripExt, "StripExt",
                {{"a.b.c", "a"},
                 {"file.txt", "file"},
                 {"noext", "noext"},
                 {".profile", ".profile"},
                 {"..a.b", "..a"},
                 {"...", "..."},
                 {"a..b", "a"},
                 {"dir.d/file", "dir"},
                 {"", ""},
                 {nullptr, ""}});
}

TEST(StripPath, LastComponent) {
    ExpectTable(StripPath, "StripPath",
                {{"a/b/c", "c"},
                 {"a/b/", "b"},
                 {"/usr/lib/", "lib"},
                 {"/usr//lib//", "lib"},
                 {"name", "name"},
                 {"/", "/"},
                 {"///", "///"},
                 {"", ""},
                 {nullptr, ""}});
}

TEST(StripPathExt, LastComponentWithoutExtension) {
    ExpectTable(StripPathExt, "StripPathExt",
                {{"dir/file.tar.gz", "file"},
                 {"dir/.profile", ".profile"},
                 {"a.d/b", "b"},
                 {"x.y/", "x"},
                 {"plain", "plain"},
                 {"//", "//"},
                 {"", ""},
                 {nullptr, ""}});
}

TEST(StripFn, DirectoryPart) {
    ExpectTable(StripFn, "StripFn",
                {{"/usr/lib/x", "/usr/lib"},
                 {"a/b/c", "a/b"},
                 {"a/b/", "a/b"},
                 {"/x", "/"},
                 {"/", "/"},
                 {"//x", "/"},
                 {"x", "."},
                 {"./x", "."},
                 {"", "."},
                 {nullptr, "."}});
}

TEST(StripPathName, PieceBeforeTheFirstPathLikePiece) {
    ExpectTable(StripPathName, "StripPathName",
                {{"file.txt", "file.txt"},
                 {"dir/file.txt", "txt"},
                 {"./file", "file"},
                 {"a/b/c", "a"},
                 {"dir/a.b.c", "c"},
                 {".", ""},
                 {"..", ""},
                 {"", ""},
                 {nullptr, ""}});
}

// A result handed back to its own function is read before it is overwritten.
TEST(PathResults, CanBeFedBackToTheirOwnFunction) {
    EXPECT_STREQ(StripFn(StripFn("/a/b/c")), "/a");
    EXPECT_STREQ(StripPath(StripPath("a/b/")), "b");
    EXPECT_STREQ(StripExt(StripExt("x.y.z")), "x");
    EXPECT_STREQ(StripPathName(StripPathName("d/x.y")), "y");
}

TEST(PathResults, EachFunctionKeepsItsOwnBuffer) {
    const char* const dir = StripFn("/one/two");
    const char* const base = StripPath("/three/four");
    EXPECT_STREQ(dir, "/one");
    EXPECT_STREQ(base, "four");
}

// Paths beyond the old 128-byte results come back whole; a path too long for
// any result buffer gives the empty string rather than a cut path.
TEST(PathResults, LongPathsWholeAndTooLongPathsEmpty) {
    const std::string dir = "/" + std::string(300, 'd') + "/" + std::string(300, 'e');
    const std::string fits = dir + "/" + std::string(200, 'f') + ".tar.gz";
    EXPECT_EQ(StripFn(fits.c_str()), dir);
    EXPECT_EQ(StripPath(fits.c_str()), std::string(200, 'f') + ".tar.gz");
    EXPECT_EQ(StripPathExt(fits.c_str()), std::string(200, 'f'));
    EXPECT_EQ(StripExt((std::string(500, 'n') + ".x").c_str()), std::string(500, 'n'));

    const std::string longest = "/" + std::string(4092, 'p') + "/q"; // 4095 characters
    ASSERT_EQ(longest.size(), 4095u);
    EXPECT_EQ(StripFn(longest.c_str()), longest.substr(0, 4093));
    EXPECT_STREQ(StripPath(longest.c_str()), "q");

    const std::string tooLong = longest + "r"; // 4096 characters
    for (PathFn fn : {StripExt, StripPath, StripPathExt, StripFn, StripPathName})
        EXPECT_STREQ(fn(tooLong.c_str()), "");
}

TEST(SkipSpace, FirstNonSpace) {
    char text[] = " \t\n\v\f\rword rest";
    EXPECT_EQ(SkipSpace(text), text + 6);
    char blank[] = "   ";
    EXPECT_EQ(SkipSpace(blank), blank + 3);
    char none[] = "x y";
    EXPECT_EQ(SkipSpace(none), none);
    char high[] = "\xe9t\xe9"; // a byte above 127 is not a space
    EXPECT_EQ(SkipSpace(high), high);
    EXPECT_EQ(SkipSpace(nullptr), nullptr);
}

} // namespace
