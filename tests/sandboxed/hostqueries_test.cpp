// Host queries against the sandbox's own process table and host tools: named
// copies of sleep stand for the package's programs, stub scripts in /usr/sbin
// (the first directory searched) for df, du, whoami, lpd and cupsd.
#include "MemMgr.h"
#include "SysCmd.h"
#include "child.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int CMD_CUPSD = 11;
constexpr int CMD_WHOAMI = 37;
constexpr int CMD_DU = 41;
constexpr int CMD_LPD = 43;
constexpr int CMD_DF = 57;

char testerName[] = "tester";

// A saved string as text, released; null gives "(null)".
std::string Take(char* saved) {
    if (!saved)
        return "(null)";
    std::string text(saved);
    PutMem(saved);
    return text;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Writes an executable shell script as the tool of entry n in /usr/sbin and
// makes the table look the tool up again.
void StubTool(int n, const std::string& body) {
    const std::string path = std::string("/usr/sbin/") + ComList[n].pCommand;
    WriteText(path, "#!/bin/sh\n" + body);
    chmod(path.c_str(), 0755);
    ComList[n].pPath = nullptr;
}

// Removes the tool of entry n from every directory it is looked up in.
void RemoveTool(int n) {
    std::string dirs = "/usr/sbin:/usr/bin:/bin:/sbin:/etc:/usr/etc:";
    if (const char* path = std::getenv("PATH"))
        dirs += path;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        if (end > start)
            unlink((dirs.substr(start, end - start) + "/" + ComList[n].pCommand).c_str());
        start = end + 1;
    }
    ComList[n].pPath = nullptr;
}

// A copy of sleep running under a chosen name; killed and reaped at the end
// of its scope.
class Program {
public:
    explicit Program(const std::string& name) : pid_(StartNamedSleep("/tmp/" + name, "600")) {}
    ~Program() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }

    // The signal that ended the process, 0 while it runs.
    int EndSignal() {
        if (pid_ <= 0)
            return endSignal_;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) != pid_)
            return 0;
        pid_ = -1;
        endSignal_ = WIFSIGNALED(status) ? WTERMSIG(status) : -1;
        return endSignal_;
    }

private:
    pid_t pid_ = -1;
    int endSignal_ = 0;
};

// "name ( id id ... )\n", the report line of the programs.
std::string ReportLine(const std::string& name, const std::vector<Program*>& programs) {
    std::string line = name + " (";
    for (const Program* p : programs)
        line += " " + std::to_string(p->pid());
    return line + " )\n";
}

// Gives up root in a forked child.
void BecomeUser(uid_t uid) {
    if (setgroups(0, nullptr) != 0 || setgid(uid) != 0 || setuid(uid) != 0)
        _exit(99);
}

class HostQueries : public ::testing::Test {
protected:
    void SetUp() override { my_name = testerName; }
};

// ---------------------------------------------------------------------------
// Process reports and killing by name.

TEST_F(HostQueries, ReportsTheRunningProgramsOfTheList) {
    EXPECT_EQ(Take(CheckProcTableForExecs(",qvadmin,ombrin,")), "(null)");

    Program ombrin("ombrin");
    EXPECT_EQ(Take(CheckProcTableForExecs(",qvadmin,ombrin,")),
              "ombrin ( " + std::to_string(ombrin.pid()) + " )\n");

    // Two of one program, and one whose name only begins with a listed one.
    Program qv1("qvadmin"), qv2("qvadmin"), old("ombrin.old");
    EXPECT_EQ(Take(CheckProcTableForExecs("ombrin,,qvadmin,lpd")),
              ReportLine("ombrin", {&ombrin}) + ReportLine("qvadmin", {&qv1, &qv2}));
    EXPECT_EQ(Take(CheckProcTableForExecs(",lpd,cupsd,")), "(null)");
    EXPECT_EQ(Take(CheckProcTableForExecs(",,,")), "(null)");
    EXPECT_EQ(Take(CheckProcTableForExecs("")), "(null)");
}

TEST_F(HostQueries, ReportIsCompleteForLongListsAndManyPrograms) {
    // A list longer than 512 bytes whose running program comes last, and
    // one program with enough processes for a report beyond 1024 bytes.
    std::string list;
    for (int i = 0; i < 30; ++i)
        list += ",absent-program-" + std::to_string(1000 + i);
    list += ",ombrin,";
    ASSERT_GT(list.size(), 512u);
    std::vector<std::unique_ptr<Program>> ombrins;
    std::vector<Program*> ids;
    for (int i = 0; i < 400; ++i) {
        ombrins.push_back(std::make_unique<Program>("ombrin"));
        ids.push_back(ombrins.back().get());
    }
    const std::string expected = ReportLine("ombrin", ids);
    ASSERT_GT(expected.size(), 1024u);
    EXPECT_EQ(Take(CheckProcTableForExecs(list.c_str())), expected);
    ombrins.clear();

    // A hundred programs, one line each, in the order of the list.
    std::vector<std::unique_ptr<Program>> programs;
    std::string names, report;
    for (int i = 0; i < 100; ++i) {
        const std::string name = "prog" + std::to_string(100 + i);
        programs.push_back(std::make_unique<Program>(name));
        names = name + "," + names;
        report = ReportLine(name, {programs.back().get()}) + report;
    }
    EXPECT_EQ(Take(CheckProcTableForExecs(names.c_str())), report);
}

TEST_F(HostQueries, KillProcessByNameEndsOnlyThatProgram) {
    Program a("ombrin"), b("ombrin"), other("qvadmin"), similar("ombrin.old");
    KillProcessByName("ombrin");
    EXPECT_EQ(a.EndSignal(), SIGKILL);
    EXPECT_EQ(b.EndSignal(), SIGKILL);
    EXPECT_EQ(other.EndSignal(), 0);
    EXPECT_EQ(similar.EndSignal(), 0);
    EXPECT_EQ(Take(CheckProcTableForExecs("ombrin")), "(null)");

    // Without the permission it gives up and returns.
    Program root("ombrin");
    const ChildResult r = RunInChild([] {
        BecomeUser(65534);
        KillProcessByName("ombrin");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(root.EndSignal(), 0);
}

TEST_F(HostQueries, KillProcessByNameSignalsNoProcessGroup) {
    // The header of the process listing names its last column "CMD"; its
    // first field is no process id and must not become a kill of id 0.
    const ChildResult r = RunInChild([] {
        setpgid(0, 0);
        KillProcessByName("CMD");
        std::printf("survived");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "survived");
}

// ---------------------------------------------------------------------------
// Disk space and usage.

struct DfCase {
    const char* what;
    std::string report; // what df prints
    int result;
    double avail;
    std::string dfLine;
};

TEST_F(HostQueries, GetDiskSpaceReadsTheAvailColumnOfTheDataLine) {
    const std::string linuxHeader = "Filesystem     1K-blocks     Used Available Use% Mounted on\n";
    const std::string linuxData = "/dev/vda       264212084 16831616  83505572  17% /\n";
    const std::string longDevice(600, 'd');
    const std::string longData = longDevice + " 5000 4000 777 80% /data\n";
    const std::vector<DfCase> cases = {
        {"Linux report", linuxHeader + linuxData, 1, 83505572, linuxData},
        {"only the first data line counts", linuxHeader + linuxData + "/dev/vdb 1 1 5 50% /b\n", 1,
         83505572, linuxData},
        {"avail column in capitals",
         "Filesystem kbytes used AVAIL capacity Mounted on\n"
         "/dev/dsk/c0 100 60 40 60% /\n",
         1, 40, "/dev/dsk/c0 100 60 40 60% /\n"},
        {"Avail header, no data line", "Filesystem 1024-blocks Used Avail Capacity Mounted on\n", 1,
         0, ""},
        {"no avail column", "Filesystem 1K-blocks Used Free Use% Mounted on\n/dev/a 1 2 3 4% /\n",
         0, 0, ""},
        {"wrapped data line",
         linuxHeader +
             "/dev/mapper/a-very-long-volume-name\n  264212084 16831616  83505572  17% /\n",
         0, 0, ""},
        {"nothing printed", "", 0, 0, ""},
        {"data line longer than DfLine", linuxHeader + longData, 1, 777,
         longData.substr(0, DF_LINE_SIZE - 1)},
    };
    StubTool(CMD_DF, "cat /tmp/df.out\n");
    for (const DfCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText("/tmp/df.out", c.report);
        DiskSpaceInfo info;
        std::memset(&info, 'x', sizeof info);
        EXPECT_EQ(GetDiskSpace("/data", &info), c.result);
        EXPECT_EQ(info.Avail, c.avail);
        ASSERT_NE(std::memchr(info.DfLine, '\0', sizeof info.DfLine), nullptr);
        EXPECT_EQ(std::string(info.DfLine), c.dfLine);
    }
}

TEST_F(HostQueries, PathsReachDfAndDuAsOneArgument) {
    StubTool(CMD_DF, "printf '%s|' \"$@\" >>/tmp/df.args\n"
                     "printf 'Filesystem 1K-blocks Used Available Use%% Mounted on\\n'\n"
                     "printf '/dev/a 10 5 5 50%% /\\n'\n");
    StubTool(CMD_DU, "printf '%s|' \"$@\" >>/tmp/du.args\nprintf '12\\t%s\\n' \"$2\"\n");
    const char* path = "/tmp/it's a $HOME `dir`;";
    DiskSpaceInfo info{};
    EXPECT_EQ(GetDiskSpace(path, &info), 1);
    EXPECT_EQ(DUPath(path), 12);
    EXPECT_EQ(ReadFileText("/tmp/df.args"), std::string(path) + "|");
    EXPECT_EQ(ReadFileText("/tmp/du.args"), std::string("-s|") + path + "|");
}

TEST_F(HostQueries, GetDiskSpaceWithTheHostsDf) {
    DiskSpaceInfo info{};
    ASSERT_EQ(GetDiskSpace("/", &info), 1);
    EXPECT_GT(info.Avail, 0);
    EXPECT_TRUE(std::string(info.DfLine).ends_with(" /\n")) << info.DfLine;
    EXPECT_EQ(GetDiskSpace("/no/such/dir", &info), 0);
    EXPECT_EQ(info.Avail, 0);
    EXPECT_EQ(std::string(info.DfLine), "");
}

TEST_F(HostQueries, DUPathTakesTheNumberAtTheStartOfTheFirstLine) {
    const struct {
        std::string report;
        double usage;
    } cases[] = {
        {"1234\t/data/x\n", 1234},
        {"  42\t/data/x\n7\t/data/y\n", 42},
        {"", 0},
        {"du: cannot read directory\n", 0},
    };
    StubTool(CMD_DU, "cat /tmp/du.out\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.report);
        WriteText("/tmp/du.out", c.report);
        EXPECT_EQ(DUPath("/data/x"), c.usage);
    }
}

// The host's du counts kilobytes.
TEST_F(HostQueries, DUPathWithTheHostsDu) {
    fs::create_directory("/tmp/usage");
    WriteText("/tmp/usage/data", std::string(100 * 1024, 'u'));
    EXPECT_EQ(DUPath("/tmp/usage"), 100);
    EXPECT_EQ(DUPath("/tmp/usage/data"), 100);
    EXPECT_EQ(DUPath("/tmp/no-such-file"), 0);
}

TEST_F(HostQueries, AvailSpaceCountsTheReplacedFileAndClimbsToExistingDirs) {
    // df knows existing paths only, each with 1000 available; du says 300.
    StubTool(CMD_DF,
             "printf '%s|' \"$@\" >>/tmp/df.args\n"
             "[ -e \"$1\" ] || { echo \"df: $1: No such file or directory\" >&2; exit 1; }\n"
             "printf 'Filesystem 1K-blocks Used Available Use%% Mounted on\\n'\n"
             "printf '/dev/a 5000 4000 1000 80%% /tmp\\n'\n");
    StubTool(CMD_DU, "printf '300\\t%s\\n' \"$2\"\n");
    fs::create_directory("/tmp/area");
    WriteText("/tmp/area/old.bin", "old");

    EXPECT_EQ(AvailSpace("/tmp/area", "old.bin", 1300), 1);
    EXPECT_EQ(AvailSpace("/tmp/area", "old.bin", 1300.5), 0);
    EXPECT_EQ(AvailSpace("/tmp/area", "absent", 1000), 1);
    EXPECT_EQ(AvailSpace("/tmp/area", "absent", 1000.5), 0);
    EXPECT_EQ(AvailSpace("/tmp/area", nullptr, 1000), 1);
    EXPECT_EQ(AvailSpace("/tmp/area", nullptr, 1001), 0);

    unlink("/tmp/df.args");
    EXPECT_EQ(AvailSpace("/tmp/area/new/sub", nullptr, 1000), 1);
    EXPECT_EQ(ReadFileText("/tmp/df.args"), "/tmp/area/new/sub|/tmp/area/new|/tmp/area|");
    EXPECT_EQ(AvailSpace("/tmp/area/new/sub", nullptr, 1001), 0);
}

TEST_F(HostQueries, AvailSpaceEndsWhenNoDirectoryAnswers) {
    StubTool(CMD_DF, "printf '%s|' \"$@\" >>/tmp/df.args\n");
    const struct {
        const char* dir;
        std::string asked;
    } cases[] = {
        {"/tmp/area/new", "/tmp/area/new|/tmp/area|/tmp|/|"},
        {"a/b", "a/b|a|.|"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dir);
        unlink("/tmp/df.args");
        const ChildResult r = RunInChild([&] {
            alarm(20);
            std::printf("%d", AvailSpace(c.dir, nullptr, 0));
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "0");
        EXPECT_EQ(ReadFileText("/tmp/df.args"), c.asked);
    }
}

// ---------------------------------------------------------------------------
// The user.

std::string UserNameAs(uid_t uid) {
    const ChildResult r = RunInChild([uid] {
        BecomeUser(uid);
        std::printf("%s", Take(GetUserName()).c_str());
    });
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

TEST_F(HostQueries, GetUserNameAsksWhoami) {
    EXPECT_EQ(Take(GetUserName()), "root");
    EXPECT_EQ(UserNameAs(65534), "nobody");
}

TEST_F(HostQueries, GetUserNameWithoutWhoamiNamesTheUserId) {
    flInitSysCmd = 0;
    ComList[CMD_WHOAMI].pPath = nullptr;
    EXPECT_EQ(Take(GetUserName()), "root");
    EXPECT_EQ(UserNameAs(500), "User ID:  500");
}

TEST_F(HostQueries, GetUserNameTakesTheFirstLineOfWhoami) {
    const struct {
        std::string printed;
        std::string name;
    } cases[] = {
        {"alice\n", "alice"}, {"bob", "bob"}, {"carol\r\nsecond\n", "carol"},
        {"\n", ""},           {"", "(null)"}, {std::string(300, 'x') + "\n", std::string(255, 'x')},
    };
    StubTool(CMD_WHOAMI, "cat /tmp/whoami.out\n");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printed);
        WriteText("/tmp/whoami.out", c.printed);
        EXPECT_EQ(Take(GetUserName()), c.name);
    }
}

// ---------------------------------------------------------------------------
// The print spooler.

TEST_F(HostQueries, SniffLprngLooksForLprngInTheVersionOfLpd) {
    RemoveTool(CMD_LPD);
    EXPECT_EQ(SniffLprng(), 0);

    const struct {
        const char* lpd;
        int result;
    } cases[] = {
        {"echo 'lpd (LPRng) 3.8.28' >&2\n", 1},
        {"echo 'LPRng-3.8.C'\n", 1},
        {"echo 'lpd: BSD lpd 5.1'\n", 0},
        {"exit 1\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lpd);
        StubTool(CMD_LPD, std::string("printf '%s|' \"$@\" >/tmp/lpd.args\n") + c.lpd);
        EXPECT_EQ(SniffLprng(), c.result);
        EXPECT_EQ(ReadFileText("/tmp/lpd.args"), "-V|");
    }
}

TEST_F(HostQueries, SniffCupsOnlyLooksForCupsd) {
    RemoveTool(CMD_CUPSD);
    EXPECT_EQ(SniffCUPS(), 0);
    StubTool(CMD_CUPSD, "touch /tmp/cupsd.ran\n");
    EXPECT_EQ(SniffCUPS(), 1);
    EXPECT_FALSE(fs::exists("/tmp/cupsd.ran"));
}

TEST_F(HostQueries, HostWithLprngAndCupsAnswersBoth) {
    StubTool(CMD_LPD, "echo 'lpd (LPRng) 3.8.28'\n");
    StubTool(CMD_CUPSD, "exit 0\n");
    EXPECT_EQ(SniffLprng(), 1);
    EXPECT_EQ(SniffCUPS(), 1);
}

} // namespace
