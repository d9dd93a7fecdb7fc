// The runner with its run log in /tmp, the waits and the process-id list on
// real processes. Runs inside the sandbox; every case runs in a child process
// so that the log starts afresh with each one.
#include "MemMgr.h"
#include "SysCmd.h"
#include "child.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kLog = "/tmp/zvtest.log";
constexpr const char* kStubs = "/opt/stub";

void WriteFile(const std::string& path, const std::string& text, mode_t mode) {
    std::FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr) << path;
    std::fputs(text.c_str(), f);
    std::fclose(f);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

mode_t ModeOf(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0 ? st.st_mode : 0;
}

bool Exists(const char* path) {
    struct stat st;
    return lstat(path, &st) == 0;
}

// The start of the installer: log on, table filled.
void StartLogged(const char* name = "zvtest") {
    my_name = SaveStr_(name);
    flUseLog = 1;
    InitSysCmdList();
}

class RunLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove(kLog);
        fs::create_directories(kStubs);
        // A stand-in "cat" that writes on both streams and fails.
        WriteFile(std::string(kStubs) + "/cat", "#!/bin/sh\necho out\necho err >&2\nexit 3\n",
                  0755);
    }
};

TEST_F(RunLogTest, ComposesTheShellLineByteForByte) {
    // A recording /bin/sh in front of the real one sees what each shell is
    // given. A table command whose quoted part holds nothing the outer shell
    // would change goes straight to the table's shell; one with a '$' goes
    // through system() and the outer shell as the whole line.
    fs::remove("/usr/bin/sh");
    WriteFile("/usr/bin/sh",
              "#!/usr/bin/dash\nprintf '[%s]' \"$@\" >>/tmp/sh.args; echo >>/tmp/sh.args\n"
              "exec /usr/bin/dash \"$@\"\n",
              0755);
    fs::remove("/tmp/setup.log");
    const ChildResult r = RunInChild([] {
        StartLogged("setup");
        ComList[30].pPath = "/bin";
        ComList[31].pPath = "/bin";
        SysCmd(30, SYSCMD_WARN, " %s", "/usr/Zorvo/qvxx");
        SysCmd(0, SYSCMD_QUIET, "ls /tmp");
        SysCmd(1, SYSCMD_WARN, "echo %s", "hi");
        SysCmd(-3, SYSCMD_FATAL, " %s >/dev/null", "/etc/hostname");
        setenv("ZV", "/etc/hostname", 1);
        SysCmd(-3, SYSCMD_FATAL, " %s >/dev/null", "$ZV");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "..");
    EXPECT_EQ(ReadFileText("/tmp/sh.args"),
              "[-c][/bin/rm -rf  /usr/Zorvo/qvxx 1>>/tmp/setup.log 2>>/tmp/setup.log]\n"
              "[-c][ls /tmp 1>/dev/null 2>/dev/null]\n"
              "[-c][echo hi 1>>/tmp/setup.log 2>>/tmp/setup.log]\n"
              "[-c][/usr/bin/cat   /etc/hostname >/dev/null]\n"
              "[-c][/bin/sh -c \"/usr/bin/cat   $ZV >/dev/null\"]\n"
              "[-c][/usr/bin/cat   /etc/hostname >/dev/null]\n");
    EXPECT_EQ(ReadFileText("/tmp/setup.log"), "initializing system\n"
                                              "/bin/sh -c \"/bin/rm -rf  /usr/Zorvo/qvxx\n"
                                              "echo hi\n"
                                              "hi\n");
}

TEST_F(RunLogTest, AStraightRunIsJudgedAndShieldedLikeSystem) {
    // The table's shell started directly: its exit status is judged as
    // through system(), and the caller ignores SIGINT while it waits.
    const ChildResult r = RunInChild([] {
        StartLogged("setup");
        std::printf("%d ", SysCmd(-13, SYSCMD_QUIET, " x >/dev/null; exit 4"));
        std::printf("%d", SysCmd(-13, SYSCMD_QUIET, " x >/dev/null; kill -INT %d; exit 0",
                                 static_cast<int>(getpid())));
    });
    EXPECT_EQ(r.status, 0) << "SIGINT sent to the caller during the command is ignored";
    EXPECT_EQ(r.out, "4 0");
}

TEST_F(RunLogTest, FirstMessageStartsTheLogAndAnExistingOneKeepsItsMode) {
    WriteFile(kLog, "earlier run\n", 0640);
    const ChildResult r = RunInChild([] {
        StartLogged();
        PutLogMsg("%s %d\n", "second", 2);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFileText(kLog), "initializing system\nsecond 2\n");
    EXPECT_EQ(ModeOf(kLog), S_IFREG | 0640);
}

TEST_F(RunLogTest, NewLogIsReadableAndWritableByEverybody) {
    for (const mode_t mask : {mode_t{077}, mode_t{0}, mode_t{022}}) {
        fs::remove(kLog);
        const ChildResult r = RunInChild([mask] {
            umask(mask);
            StartLogged();
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(ModeOf(kLog), S_IFREG | 0666) << mask;
    }
}

TEST_F(RunLogTest, NoLogWhileTheLogIsOff) {
    const ChildResult r = RunInChild([] {
        my_name = SaveStr_("zvtest");
        InitSysCmdList();
        PutLogMsg("lost\n");
        SysCmd(3, SYSCMD_WARN, " %s", "/etc/hostname");
        ComList[3].pPath = kStubs;
        SysCmd(3, SYSCMD_WARN, " %s", "x");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(Exists(kLog));
}

// A failing command in each mode: the log holds the command line, the
// command's own output and the failure line.
TEST_F(RunLogTest, FailingCommandInEachMode) {
    struct Case {
        int mode;
        int status;
        const char* out;
        const char* tail;
    };
    const Case cases[] = {
        {SYSCMD_QUIET, 0, "3\n", ""},
        {SYSCMD_WARN, 0, ".3\n", "\"/opt/stub/cat   x\nout\nerr\nWARNING_MSG: exit status 3\n"},
        {SYSCMD_FATAL, 1, ".ERROR: exit status 3\n",
         "\"/opt/stub/cat   x\nout\nerr\nERROR: exit status 3\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        fs::remove(kLog);
        const ChildResult r = RunInChild([&] {
            StartLogged();
            ComList[3].pPath = kStubs;
            std::printf("%d\n", SysCmd(3, c.mode, " %s", "x"));
        });
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        const std::string log = ReadFileText(kLog);
        const std::string head = "initializing system\n";
        ASSERT_EQ(log.substr(0, head.size()), head);
        const std::string rest = log.substr(head.size());
        if (*c.tail == '\0')
            EXPECT_EQ(rest, "");
        else
            EXPECT_TRUE(rest.ends_with(c.tail) && rest.find("/sh -c \"") != std::string::npos)
                << rest;
    }
}

TEST_F(RunLogTest, RefusedLineIsAWarningInTheLog) {
    const ChildResult r = RunInChild([] {
        StartLogged();
        const std::string huge(9000, 'a');
        std::printf("%d\n", SysCmd(1, SYSCMD_WARN, "echo %s", huge.c_str()));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "-1\n");
    EXPECT_EQ(ReadFileText(kLog),
              "initializing system\n"
              "WARNING_MSG: command line too long (9043 bytes, at most 8191), not run\n");
}

// The log's file name must fit in 256 bytes with its NUL.
TEST_F(RunLogTest, ProgramNameTooLongForTheLog) {
    const std::string fits(251, 'p'); // 251 + ".log" + NUL
    const std::string longer = fits + "q";
    const ChildResult r = RunInChild([&] {
        StartLogged(fits.c_str());
        my_name = SaveStr_(longer.c_str());
        PutLogMsg("lost\n");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: couldn't open /tmp/" + longer + ".log\n");
    EXPECT_EQ(ReadFileText("/tmp/" + fits + ".log"), "initializing system\n");
}

// Whatever stands at the log's name, the file it leads to stays untouched
// and a fresh log of mode 666 takes its place.
TEST_F(RunLogTest, NeverWritesThroughWhatWasPlantedAtTheName) {
    struct Plant {
        const char* what;
        void (*make)();
    };
    const Plant plants[] = {
        {"symbolic link", [] { fs::create_symlink("/tmp/victim", kLog); }},
        {"dangling link", [] { fs::create_symlink("/tmp/absent", kLog); }},
        {"hard link", [] { fs::create_hard_link("/tmp/victim", kLog); }},
        {"fifo", [] { mkfifo(kLog, 0666); }},
        {"directory", [] { fs::create_directory(kLog); }},
        {"file of another user",
         [] {
             WriteFile(kLog, "planted\n", 0666);
             ASSERT_EQ(chown(kLog, 1234, 1234), 0);
         }},
    };
    // Planted before the run, between two messages, and between two commands
    // whose lines are not logged (only the shell's redirection writes).
    for (int when = 0; when < 3; ++when) {
        for (const Plant& p : plants) {
            SCOPED_TRACE(testing::Message() << p.what << " at time " << when);
            fs::remove(kLog);
            fs::remove("/tmp/absent");
            WriteFile("/tmp/victim", "victim\n", 0600);
            if (when == 0)
                p.make();
            const ChildResult r = RunInChild([&] {
                StartLogged();
                if (when > 0) {
                    fs::remove(kLog);
                    p.make();
                }
                if (when == 2)
                    flSysCmdLog = 0;
                SysCmd(1, SYSCMD_WARN, "echo %s", "hi");
            });
            EXPECT_EQ(r.status, 0);
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(ReadFileText("/tmp/victim"), "victim\n");
            EXPECT_EQ(ModeOf("/tmp/victim"), S_IFREG | 0600);
            EXPECT_FALSE(Exists("/tmp/absent"));
            EXPECT_EQ(ModeOf(kLog), S_IFREG | 0666);
            const char* expected[] = {"initializing system\necho hi\nhi\n", "echo hi\nhi\n",
                                      "hi\n"};
            EXPECT_EQ(ReadFileText(kLog), expected[when]);
        }
    }
}

double SecondsOf(const std::function<void()>& fn) {
    const auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(RunLogTest, WaitsForTheDaemonOrTimesOut) {
    fs::copy_file("/usr/bin/sleep", "/tmp/lpd");
    WriteFile(std::string(kStubs) + "/lpd", "#!/bin/sh\n/tmp/lpd 30 </dev/null >/dev/null 2>&1 &\n",
              0755);
    WriteFile(std::string(kStubs) + "/cancel", "#!/bin/sh\n", 0755);
    WriteFile(std::string(kStubs) + "/cupsd", "#!/bin/sh\n", 0755);
    const ChildResult r = RunInChild([] {
        StartLogged();
        for (const int n : {2, 11, 43})
            ComList[n].pPath = kStubs;
        ComList[11].Wait = -1;
        ComList[43].Wait = -1;
        std::printf("%.0f ", SecondsOf([] { SysCmd(43, SYSCMD_WARN, "%s", ""); }));
        std::printf("%.0f ", SecondsOf([] { SysCmd(2, SYSCMD_QUIET, "%s", ""); }));
        std::printf("%.0f\n", SecondsOf([] { SysCmd(11, SYSCMD_QUIET, "%s", ""); }));
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ".0 2 10\n");
    const std::string log = ReadFileText(kLog);
    EXPECT_TRUE(log.ends_with("/opt/stub/lpd  \nERROR: Time out for command cupsd\n")) << log;
}

pid_t Start(const std::vector<std::string>& argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

TEST(ProcessIdList, CountsOnlyTheCommandOfThatName) {
    fs::copy_file("/usr/bin/sleep", "/tmp/lpd", fs::copy_options::overwrite_existing);
    fs::copy_file("/usr/bin/sleep", "/tmp/lpd.old", fs::copy_options::overwrite_existing);
    const pid_t lpd = Start({"/tmp/lpd", "30"});
    const pid_t old = Start({"/tmp/lpd.old", "30"});
    const pid_t other = Start({"/usr/bin/sh", "-c", "sleep 30", "lpd"});
    char* list = nullptr;
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) {
        ResponseLine* head = GetCmdResponse(55, "lpd", "%s", "");
        lines.clear();
        for (ResponseLine* p = head; p; p = p->pNext)
            lines.emplace_back(p->pText);
        FreeResponseList(head);
        if (lines.size() == 2)
            break;
        usleep(100000);
    }
    list = GetSysPsIdList("lpd");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(std::string(list), " " + std::to_string(lpd) + " ");
    PutMem(list);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].ends_with(" lpd\n")) << lines[0];
    EXPECT_TRUE(lines[1].ends_with(" lpd.old\n")) << lines[1];
    EXPECT_EQ(GetSysPsIdList("lpd.ol"), nullptr);
    for (const pid_t pid : {lpd, old, other}) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(GetSysPsIdList("lpd"), nullptr);
}

} // namespace
