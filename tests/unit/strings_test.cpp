// Saved strings, the string helpers and the error reports.
#include "MemMgr.h"
#include "child.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int NodesOf(const void* p) {
    const MemBlock* b = FindBlock(p);
    return b->Nodes[(static_cast<const char*>(p) - b->pMemory) / 32].NodeCount;
}

TEST(SavedStrings, SaveStrTakesExactlyItsLengthPlusOne) {
    char* s = SaveStr("%s/%s", "a", "b");
    EXPECT_STREQ(s, "a/b");
    EXPECT_EQ(NodesOf(s), 1);
    PutMem(s);
    EXPECT_EQ(pMemB, nullptr) << "releasing it leaves the pool as it was";

    // 31 characters and the NUL need 32 bytes, GetMem(32) takes two nodes.
    char* t = SaveStr("%031d", 7);
    EXPECT_EQ(std::string(t), std::string(30, '0') + "7");
    EXPECT_EQ(NodesOf(t), 2);
    PutMem(t);
}

TEST(SavedStrings, LongTextsAreSavedWhole) {
    // Texts far beyond any scratch size, from a long format and from a long
    // argument.
    const std::string fmt(5000, 'f');
    char* a = SaveStr("%s", fmt.c_str());
    EXPECT_EQ(std::string(a), fmt);
    const std::string arg(100000, 'x');
    char* b = SaveStr("<%s>", arg.c_str());
    EXPECT_EQ(std::string(b), "<" + arg + ">");
    char* c = SaveStr__("%s%s", arg.c_str(), arg.c_str());
    EXPECT_EQ(std::string(c).size(), 200000u);
    PutMem(a);
    PutMem(b);
    PutMem(c);
    EXPECT_EQ(pMemB, nullptr);
}

TEST(SavedStrings, CopiesAndQueries) {
    EXPECT_EQ(SaveStr__(nullptr), nullptr);
    EXPECT_STREQ(SaveStr_("100%s"), "100%s");
    EXPECT_STREQ(SaveStr__("%d-%s", 4, "x"), "4-x");
    setenv("ZORVO_TEST_VAR", "value", 1);
    EXPECT_STREQ(GetEnv("ZORVO_TEST_VAR"), "value");
    unsetenv("ZORVO_TEST_VAR");
    EXPECT_EQ(GetEnv("ZORVO_TEST_VAR"), nullptr);
    char* host = GetHostname();
    ASSERT_NE(host, nullptr);
    EXPECT_GT(StrLen(host), 0);
}

TEST(SavedStrings, OutOfMemoryEndsTheProcess) {
    const ChildResult r = RunInChild([] {
        my_name = SaveStr_("prog");
        errno = ENOMEM;
        MemMapFailures = 100;
        GetMem(70000); // a fresh dedicated block cannot be had
        errno = ENOMEM;
        SaveStr("%s", std::string(70000, 'z').c_str());
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: Unable to allocate memory\nERROR: Unable to allocate memory\n"
                     "\nprog: Unable to allocate memory : Cannot allocate memory\n");
}

TEST(Searches, LibraryRules) {
    const char* abcabc = "abcabc";
    EXPECT_EQ(StrStr("abc", ""), nullptr);
    EXPECT_EQ(StrStr("", "a"), nullptr);
    EXPECT_EQ(StrStr(nullptr, "a"), nullptr);
    EXPECT_EQ(StrStr(abcabc, "ca"), abcabc + 2);
    EXPECT_EQ(StrStr(abcabc, "abcd"), nullptr);
    const char* ct = "Content-TYPE";
    EXPECT_EQ(StrCaseStr(ct, "type"), ct + 8);
    EXPECT_EQ(StrCaseStr(ct, ""), nullptr);
    const char* esc = "a\\,b,c";
    EXPECT_EQ(StrChr(esc, ','), esc + 4);
    EXPECT_EQ(StrChr("ab\\", 'x'), nullptr);
    EXPECT_EQ(StrChr("ab", 0), nullptr);
    const char* x = "xaxax";
    EXPECT_EQ(StrNStr(x, "xa", 2), x + 2);
    EXPECT_EQ(StrNStr(x, "xa", 3), nullptr);
    const char* aaa = "aaa";
    EXPECT_EQ(StrNStr(aaa, "aa", 2), aaa + 1) << "overlapping matches count";
    EXPECT_EQ(StrNStr(x, "xa", 0), nullptr);
    const char* abc = "a,b,c";
    EXPECT_EQ(StrNChr(abc, ',', 2), abc + 3);
    EXPECT_EQ(StrNChr(abc, ',', 0), nullptr);
    EXPECT_EQ(StrNChr(abc, ',', 3), nullptr);
    EXPECT_EQ(StrLen("four"), 4);
}

TEST(Helpers, ConversionsAndCleaners) {
    const unsigned char in[] = {1, 2, 3, 4};
    unsigned char out[4];
    SetVarContent(out, in, 4, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), "\x04\x03\x02\x01");
    SetVarContent(out, in, 4, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 4), "\x01\x02\x03\x04");

    EXPECT_EQ(MaxD(1.5, 2.5), 2.5);
    EXPECT_EQ(MaxD(3, -1), 3);

    struct Case {
        int from, to;
        float value, result;
    } cases[] = {{0, 2, 1.5f, 108.0f}, {1, 1, 3.0f, 3.0f},   {1, 0, 2.54f, 1.0f},
                 {2, 0, 36.0f, 0.5f},  {0, 1, 2.0f, 5.08f},  {2, 1, 72.0f, 2.54f},
                 {1, 2, 2.54f, 72.0f}, {-1, 12, 7.0f, 7.0f}, {3, 0, 7.0f, 7.0f}};
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(CvtFloatFormat(c.from, c.to, c.value), c.result) << c.from << "->" << c.to;

    char s1[] = "a\\\\b\\c";
    EXPECT_STREQ(StripAllBackslashes(s1), "abc");
    char s2[] = "a\tb\r\n";
    EXPECT_STREQ(StripNonPrint(s2, 0), "ab");
    char s3[] = "a\tb\r\n";
    EXPECT_STREQ(StripNonPrint(s3, 1), "ab\r\n");
    EXPECT_EQ(StripNonPrint(nullptr, 0), nullptr);
}

TEST(ErrorReports, Levels) {
    const ChildResult quiet = RunInChild([] {
        ErrorMsg(0, 3, "kept %d", 1);
        std::printf("%s", Line);
    });
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "kept 1");
    EXPECT_EQ(quiet.err, "");

    const ChildResult warn = RunInChild([] { ErrorMsg(1, 3, "careful %s", "now"); });
    EXPECT_EQ(warn.status, 0);
    EXPECT_EQ(warn.err, "WARNING: careful now\n");

    const ChildResult fatal0 = RunInChild([] {
        ErrorMsg(2, 0, "stop %d", 2);
        std::printf("not reached");
    });
    EXPECT_EQ(fatal0.status, 0);
    EXPECT_EQ(fatal0.out, "");
    EXPECT_EQ(fatal0.err, "ERROR: stop 2\n");

    const ChildResult fatal1 = RunInChild([] { ErrorMsg(2, 1, "stop"); });
    EXPECT_EQ(fatal1.status, 1);

    const ChildResult plain = RunInChild([] {
        my_name = SaveStr_("setup");
        errormsg("note %d", 5);
    });
    EXPECT_EQ(plain.err, "setup: note 5\n");

    EXPECT_EQ(RunInChild([] { exit_app(7); }).status, 7);
}

TEST(ErrorReports, SysErrorAddsTheSystemText) {
    const ChildResult r = RunInChild([] {
        my_name = SaveStr_("setup");
        if (!std::fopen("/nonexistent/file", "r"))
            SysError("can't open file, %s", "/nonexistent/file");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "\nsetup: can't open file, /nonexistent/file : No such file or directory\n");

    const ChildResult none = RunInChild([] {
        my_name = SaveStr_("setup");
        errno = 0;
        SysError("plain");
    });
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "\nsetup: plain : Success\n");
}

} // namespace
