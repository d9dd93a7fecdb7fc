// The command table, the runner and the pipe readers on the host: command
// lines are captured by a stand-in shell in a scratch directory, the run log
// stays off.
#include "MemMgr.h"
#include "SysCmd.h"
#include "child.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

constexpr int kCat = 3;
constexpr int kCopy = 9;
constexpr int kRemoveTree = 30;
constexpr int kShell = 31;
constexpr int kCheckpc = 42;
constexpr int kPs = 55;

void WriteScript(const std::string& path, const std::string& body) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(body.c_str(), f);
    std::fclose(f);
    ASSERT_EQ(chmod(path.c_str(), 0755), 0);
}

std::vector<std::string> ResponseTexts(ResponseLine* head) {
    std::vector<std::string> texts;
    for (ResponseLine* p = head; p; p = p->pNext)
        texts.emplace_back(p->pText);
    FreeResponseList(head);
    return texts;
}

// Keeps the table and the runner's flags of the test program as they were.
class SysCmdTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::copy(std::begin(ComList), std::end(ComList), saved_.begin());
        flUseLog = 0;
        flSysCmdLog = 0;
        flInitSysCmd = 0;
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "";
    }
    void TearDown() override {
        std::copy(saved_.begin(), saved_.end(), std::begin(ComList));
        flInitSysCmd = 1;
        FullSearchPath = nullptr;
        setenv("PATH", savedPath_.c_str(), 1);
    }

    // A stand-in shell at ComList[31]: it writes its arguments, one a line,
    // to the file "args" and ends with the status written into "status".
    void UseRecordingShell() {
        WriteScript(scratch_ / "sh", "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + (scratch_ / "args") +
                                         "'\nexit $(cat '" + (scratch_ / "status") +
                                         "' 2>/dev/null || echo 0)\n");
        shellDir_ = scratch_.path();
        ComList[kShell].pPath = shellDir_.c_str();
    }
    std::string Recorded() const {
        const std::string path = scratch_ / "args";
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? ReadFileText(path) : "(not run)";
    }
    void ShellEndsWith(int status) const { scratch_.Write("status", std::to_string(status)); }

    std::array<SysCmdEntry, SYSCMD_ENTRIES> saved_{};
    std::string savedPath_;
    ScratchDir scratch_;
    std::string shellDir_;
};

TEST_F(SysCmdTest, TableKeepsItsNumbering) {
    struct Case {
        int n;
        const char* command;
        const char* flags;
        int wait;
    };
    const Case cases[] = {{0, "", "", 0},        {1, "", "", 0},         {2, "cancel", "", 2},
                          {10, "cp", "-pr", 0},  {14, "eject", "-f", 1}, {24, "kill", "-KILL", 0},
                          {31, "sh", "", 0},     {33, "tar", "cvfp", 0}, {41, "du", "-s", 0},
                          {55, "ps", "-ace", 0}, {58, "lpq", "-P", 0},   {79, "startsrc", "", 1},
                          {81, "lssrc", "", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_STREQ(ComList[c.n].pCommand, c.command);
        EXPECT_STREQ(ComList[c.n].pFlags, c.flags);
        EXPECT_EQ(ComList[c.n].Wait, c.wait);
    }
    EXPECT_EQ(ComList[82].pCommand, nullptr);
    for (int n = 2; n < 82; ++n)
        EXPECT_TRUE(ComList[n].pCommand && *ComList[n].pCommand) << n;
}

// Every mode and kind of entry: what the shell receives after "-c".
TEST_F(SysCmdTest, ComposesCommandLinesByMode) {
    UseRecordingShell();
    // A directory that does not exist: nothing real can be removed.
    ComList[kRemoveTree].pPath = "/zv-none";
    ComList[kCopy].pPath = "/usr/bin";
    struct Case {
        int n;
        int mode;
        const char* arg;
        const char* expected;
    };
    const Case cases[] = {
        {kRemoveTree, SYSCMD_WARN, "/usr/Zorvo/qvxx",
         "/zv-none/rm -rf  /usr/Zorvo/qvxx 1>>/dev/null 2>>/dev/null"},
        {kRemoveTree, SYSCMD_FATAL, "/usr/Zorvo/qvxx",
         "/zv-none/rm -rf  /usr/Zorvo/qvxx 1>>/dev/null 2>>/dev/null"},
        {kRemoveTree, SYSCMD_QUIET, "/usr/Zorvo/qvxx",
         "/zv-none/rm -rf  /usr/Zorvo/qvxx 1>/dev/null 2>/dev/null"},
        {-kRemoveTree, SYSCMD_WARN, "/usr/Zorvo/qvxx", "/zv-none/rm -rf  /usr/Zorvo/qvxx"},
        {-kRemoveTree, SYSCMD_QUIET, "/usr/Zorvo/qvxx",
         "/zv-none/rm -rf  /usr/Zorvo/qvxx 1>/dev/null 2>/dev/null"},
        {kRemoveTree, 7, "/usr/Zorvo/qvxx", "/zv-none/rm -rf  /usr/Zorvo/qvxx"},
        {kCopy, SYSCMD_WARN, "a b", "/usr/bin/cp -p  a b 1>>/dev/null 2>>/dev/null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        std::remove((scratch_ / "args").c_str());
        EXPECT_EQ(SysCmd(c.n, c.mode, " %s", c.arg), 0);
        EXPECT_EQ(Recorded(), std::string("-c\n") + c.expected + "\n");
    }
}

// Raw entries: the formatted text is the whole command line.
TEST_F(SysCmdTest, RawEntriesRunTheTextAsItStands) {
    struct Case {
        int n;
        int mode;
        const char* out;
    };
    const Case cases[] = {{0, SYSCMD_QUIET, ""}, {0, SYSCMD_WARN, "raw\n"},  {1, SYSCMD_WARN, ""},
                          {1, SYSCMD_FATAL, ""}, {-1, SYSCMD_WARN, "raw\n"}, {1, SYSCMD_QUIET, ""},
                          {1, 5, "raw\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.n << " mode " << c.mode);
        const ChildResult r = RunInChild([&] { std::exit(SysCmd(c.n, c.mode, "echo %s", "raw")); });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
}

// A command is judged by its own end, whatever errno holds before the call.
TEST_F(SysCmdTest, JudgesTheCommandByItsStatus) {
    UseRecordingShell();
    ComList[kCat].pPath = "/usr/bin";
    ShellEndsWith(0);
    errno = EIO;
    EXPECT_EQ(SysCmd(kCat, SYSCMD_FATAL, " %s", "x"), 0);

    ShellEndsWith(3);
    errno = 0;
    EXPECT_EQ(SysCmd(kCat, SYSCMD_QUIET, " %s", "x"), 3);
    EXPECT_EQ(SysCmd(kCat, SYSCMD_WARN, " %s", "x"), 3);
    EXPECT_EQ(SysCmd(0, SYSCMD_QUIET, "kill -9 $$"), 128 + 9);
}

TEST_F(SysCmdTest, FatalFailureEndsWithStatusOne) {
    UseRecordingShell();
    ComList[kCat].pPath = "/usr/bin";
    ShellEndsWith(3);
    struct Case {
        int n;
        const char* fmt;
        const char* out;
    };
    const Case cases[] = {
        {kCat, " x", "ERROR: exit status 3\n"},
        {-kCat, " x", "ERROR: exit status 3\n"}, // unlogged, still fatal
        {0, "kill -9 $$", "ERROR: killed by signal 9\n"},
        {1, "exit 7", "ERROR: exit status 7\n"},
        {90, "x", "ERROR: no such command table entry: 90\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fmt);
        const ChildResult r = RunInChild([&] {
            SysCmd(c.n, SYSCMD_FATAL, "%s", c.fmt);
            std::puts("went on");
        });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "");
    }
    const ChildResult warn =
        RunInChild([] { std::printf("%d\n", SysCmd(kCat, SYSCMD_WARN, " x")); });
    EXPECT_EQ(warn.status, 0);
    EXPECT_EQ(warn.out, "3\n");
}

TEST_F(SysCmdTest, MissingToolEndsWithStatusZero) {
    UseRecordingShell();
    ComList[kCheckpc].pPath = nullptr;
    const std::function<void()> calls[] = {
        [] { SysCmd(kCheckpc, SYSCMD_WARN, " -f"); },
        [] { SysCmd(-kCheckpc, SYSCMD_QUIET, " -f"); },
        [] { GetCmdResponse(kCheckpc, nullptr, " -f"); },
        [] { GetCmdResponseStr(kCheckpc, nullptr, " -f"); },
    };
    for (const auto& call : calls) {
        const ChildResult r = RunInChild([&] {
            call();
            std::puts("went on");
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "ERROR: unable to locate system command 'checkpc'\n");
    }
    EXPECT_EQ(Recorded(), "(not run)");
    EXPECT_EQ(TestCmd(kCheckpc), 0);
    EXPECT_EQ(GetCmd(kCheckpc), nullptr);
    EXPECT_EQ(GetCmdNoFlags(kCheckpc), nullptr);
}

// The whole line, redirections and closing quote included, must fit in 8192
// bytes with its NUL; a longer one is not run.
TEST_F(SysCmdTest, RefusesACommandLineThatDoesNotFit) {
    UseRecordingShell();
    ComList[kRemoveTree].pPath = "/zv-none";
    const std::string fixed =
        shellDir_ + "/sh -c \"/zv-none/rm -rf " + " 1>/dev/null 2>/dev/null\"";
    const std::string fits(SYSCMD_LINE_SIZE - 1 - fixed.size(), 'a');
    EXPECT_EQ(SysCmd(kRemoveTree, SYSCMD_QUIET, "%s", fits.c_str()), 0);
    EXPECT_EQ(Recorded(), "-c\n/zv-none/rm -rf " + fits + " 1>/dev/null 2>/dev/null\n");

    std::remove((scratch_ / "args").c_str());
    const std::string longer = fits + "b";
    errno = 0;
    EXPECT_EQ(SysCmd(kRemoveTree, SYSCMD_QUIET, "%s", longer.c_str()), -1);
    EXPECT_EQ(errno, E2BIG);
    const ChildResult r =
        RunInChild([&] { SysCmd(kRemoveTree, SYSCMD_FATAL, "%s", longer.c_str()); });
    EXPECT_EQ(r.status, 1);
    // Mode 2 appends ">>" redirections, two bytes more than mode 0.
    EXPECT_EQ(r.out, "ERROR: command line too long (8194 bytes, at most 8191), not run\n");
    EXPECT_EQ(Recorded(), "(not run)");
}

TEST_F(SysCmdTest, AnswersForSingleEntries) {
    ComList[kCopy].pPath = "/usr/bin";
    auto text = [](char* s) {
        std::string t = s ? s : "(null)";
        if (s)
            PutMem(s);
        return t;
    };
    EXPECT_EQ(text(GetCmd(kCopy)), "/usr/bin/cp -p");
    EXPECT_EQ(text(GetCmdNoFlags(kCopy)), "/usr/bin/cp");
    EXPECT_EQ(text(GetCmdNoFlags(82)), "(null)");
    EXPECT_EQ(text(GetCmd(-kCopy)), "(null)");
    EXPECT_EQ(TestCmd(kCopy), 1);
    EXPECT_EQ(TestCmd(0), 0);
    EXPECT_EQ(TestCmd(1), 0);
    EXPECT_EQ(TestCmd(82), 0);
}

// Lazy lookup: the built-in directories come before PATH, the first
// directory that holds the tool wins, and PATH unset leaves only the
// built-in ones.
TEST_F(SysCmdTest, LooksToolsUpOnFirstUse) {
    ScratchDir first, second;
    WriteScript(first / "cat", "#!/bin/sh\n");
    WriteScript(first / "checkpc", "#!/bin/sh\n");
    WriteScript(second / "checkpc", "#!/bin/sh\n");
    WriteScript(second / "piomkpq", "#!/bin/sh\n");
    setenv("PATH", (first.path() + ":" + second.path()).c_str(), 1);
    flInitSysCmd = 1;
    FullSearchPath = nullptr;
    ComList[kCat].pPath = ComList[kCheckpc].pPath = ComList[67].pPath = nullptr;

    EXPECT_EQ(TestCmd(kCheckpc), 1);
    EXPECT_EQ(std::string(ComList[kCheckpc].pPath), first.path());
    EXPECT_EQ(TestCmd(67), 1);
    EXPECT_EQ(std::string(ComList[67].pPath), second.path());
    EXPECT_EQ(TestCmd(kCat), 1);
    EXPECT_STREQ(ComList[kCat].pPath, "/usr/bin");
    EXPECT_EQ(std::string(FullSearchPath),
              "/usr/sbin:/usr/bin:/bin:/sbin:/etc:/usr/etc:" + first.path() + ":" + second.path());

    // Without the lazy mode nothing more is looked up.
    flInitSysCmd = 0;
    ComList[67].pPath = nullptr;
    EXPECT_EQ(TestCmd(67), 0);

    unsetenv("PATH");
    flInitSysCmd = 1;
    FullSearchPath = nullptr;
    ComList[kCheckpc].pPath = nullptr;
    EXPECT_EQ(TestCmd(kCheckpc), 0);
    EXPECT_STREQ(FullSearchPath, "/usr/sbin:/usr/bin:/bin:/sbin:/etc:/usr/etc:");
}

TEST_F(SysCmdTest, StartUpSearchFillsTheTable) {
    ScratchDir first, second;
    WriteScript(first / "cat", "#!/bin/sh\n");
    WriteScript(second / "checkpc", "#!/bin/sh\n");
    const std::string path = first.path() + ":" + second.path();
    const ChildResult r = RunInChild([&] {
        setenv("PATH", path.c_str(), 1);
        for (SysCmdEntry& e : ComList)
            e.pPath = nullptr;
        InitSysCmdList();
        std::printf("%d %d %s %s %s|%s|%s\n", flInitSysCmd, flSysCmdLog, ComList[kCat].pPath,
                    ComList[kShell].pPath, std::getenv("SHELL"), SearchPaths, FullSearchPath);
        std::printf("%s\n", ComList[kCheckpc].pPath == nullptr ? "none" : ComList[kCheckpc].pPath);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0 0 /usr/bin /usr/bin /usr/bin/sh "
                     "|/usr/sbin|/usr/sbin:/usr/bin:/bin:/sbin:/etc:/usr/etc:" +
                         path + "\n" + second.path() + "\n");
    EXPECT_EQ(r.err, "");
}

class ResponseTest : public SysCmdTest {};

TEST_F(ResponseTest, KeepsTheLinesThatContainTheFilter) {
    const char* out = "printf 'a1\\nb2\\nxa3\\nlast a'";
    EXPECT_EQ(ResponseTexts(GetCmdResponse(0, "a", "%s", out)),
              (std::vector<std::string>{"a1\n", "xa3\n", "last a"}));
    EXPECT_EQ(ResponseTexts(GetCmdResponse(0, nullptr, "%s", out)).size(), 4u);
    EXPECT_EQ(ResponseTexts(GetCmdResponse(0, "", "%s", out)).size(), 4u);
    EXPECT_EQ(GetCmdResponse(0, "A", "%s", out), nullptr);
    EXPECT_EQ(GetCmdResponse(0, nullptr, "%s", "true"), nullptr);

    char* text = GetCmdResponseStr(0, "a", "%s", out);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "a1\nxa3\nlast a\n");
    PutMem(text);
    EXPECT_EQ(GetCmdResponseStr(0, "zz", "%s", out), nullptr);
}

TEST_F(ResponseTest, LongLinesArriveInPieces) {
    const std::string cmd = "printf '%05000d\\nend\\n' 0";
    const auto texts = ResponseTexts(GetCmdResponse(0, nullptr, "%s", cmd.c_str()));
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], std::string(4095, '0'));
    EXPECT_EQ(texts[1], std::string(905, '0') + "\n");
    EXPECT_EQ(texts[2], "end\n");

    char* text = GetCmdResponseStr(0, nullptr, "%s", cmd.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), std::string(4095, '0') + "\n" + std::string(905, '0') + "\nend\n");
    PutMem(text);
}

TEST_F(ResponseTest, UsesTheToolWithItsFlags) {
    WriteScript(scratch_ / "ps", "#!/bin/sh\nprintf '[%s]' \"$@\"; echo\n");
    ComList[kPs].pPath = scratch_.path().c_str();
    EXPECT_EQ(ResponseTexts(GetCmdResponse(kPs, nullptr, "%s", "x 'y z'")),
              (std::vector<std::string>{"[-ace][x][y z]\n"}));
}

TEST_F(ResponseTest, RefusesACommandLineThatDoesNotFit) {
    const std::string fits = "echo " + std::string(SYSCMD_RESPONSE_SIZE - 1 - 5, 'a');
    EXPECT_EQ(ResponseTexts(GetCmdResponse(0, nullptr, "%s", fits.c_str())).size(), 1u);
    const ChildResult r = RunInChild([&] {
        const std::string longer = fits + "b";
        std::printf("%p %p\n", static_cast<void*>(GetCmdResponse(0, nullptr, "%s", longer.c_str())),
                    static_cast<void*>(GetCmdResponseStr(0, nullptr, "%s", longer.c_str())));
    });
    EXPECT_EQ(r.out, "(nil) (nil)\n");
    EXPECT_EQ(r.err, "ERROR: command line too long (4096 bytes, at most 4095), not run\n"
                     "ERROR: command line too long (4096 bytes, at most 4095), not run\n");
}

// The process listing comes from a stand-in ps; only a sixth field equal to
// the name counts.
TEST_F(ResponseTest, ProcessIdListMatchesTheCommandNameExactly) {
    scratch_.Write("listing", "    PID CLS PRI TTY          TIME CMD\n"
                              "      1 TS   19 ?        00:00:00 init\n"
                              "     40 TS   19 ?        00:00:00 lpd\n"
                              "     41 TS   19 ?        00:00:00 lpd.old\n"
                              "     42 TS   19 ?        00:00:00 sleep lpd\n"
                              "     43 TS   19 pts/0    00:00:01 xlpd\n"
                              "\t77\tTS 19 ? 00:00:00 lpd\n");
    WriteScript(scratch_ / "ps", "#!/bin/sh\ncat '" + (scratch_ / "listing") + "'\n");
    ComList[kPs].pPath = scratch_.path().c_str();
    char* list = GetSysPsIdList("lpd");
    ASSERT_NE(list, nullptr);
    EXPECT_STREQ(list, " 40 77 ");
    EXPECT_EQ(FindToken("77", list), 2);
    PutMem(list);
    EXPECT_EQ(GetSysPsIdList("cupsd"), nullptr);
    EXPECT_EQ(GetSysPsIdList(""), nullptr);
    EXPECT_EQ(GetSysPsIdList(nullptr), nullptr);
}

} // namespace
