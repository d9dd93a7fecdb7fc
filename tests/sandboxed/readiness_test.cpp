// The readiness check (root, the older-daemon question), the directories and
// the /usr link of a fresh installation, the print-subsystem file and the
// printconf link of the queue scripts. Stub lpd, cupsd and whoami in
// /usr/sbin stand for the host's tools.
#include "MemMgr.h"
#include "SysCmd.h"
#include "TextMenu.h"
#include "child.h"
#include "setup.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int CMD_CUPSD = 11;
constexpr int CMD_WHOAMI = 37;
constexpr int CMD_LPD = 43;

char testerName[] = "tester";
char target[] = "/srv/target";
char appDir[] = "/srv/target/Zorvo/qvxx";

const std::string kText35 = "nobody is logged in\nYou must become root to run tester\n";
const std::string kText62 =
    "\nIf you currently have Zorvo printer software installed that uses OmbrinD\n"
    "print daemon, you must delete all your Zorvo print queues prior to installing\n"
    "this package.\n"
    "\nNOTE: OmbrinD is located in <install directory>/Zorvo/qvxx\n";
const std::string kText63 = "\nDo You want to continue with the installation? [yn] ";

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
}

// A shell script in /usr/sbin as the tool of entry n.
void StubTool(int n, const std::string& body) {
    WriteText(std::string("/usr/sbin/") + ComList[n].pCommand, "#!/bin/sh\n" + body, 0755);
    ComList[n].pPath = "/usr/sbin";
}

// The table knows no such tool (it is not looked up again).
void NoTool(int n) {
    ComList[n].pPath = nullptr;
}

enum class Lpd { None, Bsd, Lprng };

void InstallSpooler(Lpd lpd, bool cups) {
    switch (lpd) {
    case Lpd::None:
        NoTool(CMD_LPD);
        break;
    case Lpd::Bsd:
        StubTool(CMD_LPD, "echo 'usage: lpd [-cdlsW] [-n maxchild] [port]' >&2\nexit 1\n");
        break;
    case Lpd::Lprng:
        StubTool(CMD_LPD, "echo 'lpd (LPRng-3.8.28) Copyright 1988-2003 Patrick Powell'\n");
        break;
    }
    if (cups)
        StubTool(CMD_CUPSD, "exit 0\n");
    else
        NoTool(CMD_CUPSD);
}

mode_t Mode(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return 07777 + 1; // no such file
    return st.st_mode & 07777;
}

class Readiness : public ::testing::Test {
protected:
    void SetUp() override {
        my_name = testerName;
        flUseLog = 1;
        InitSysCmdList();
        // Stubs of an earlier test in this process are gone.
        for (int n : {CMD_CUPSD, CMD_WHOAMI, CMD_LPD}) {
            fs::remove(std::string("/usr/sbin/") + ComList[n].pCommand);
            ComList[n].pPath = nullptr;
            FillCmdPath(n);
        }
        pTargetInstallDir = target;
        pAppDir = appDir;
        for (const char* p : {"/srv/target", "/usr/Zorvo", "/opt/Zorvo", "/usr/share/printconf"})
            fs::remove_all(p);
        fs::create_directories(appDir);
        umask(022);
    }
};

// ---------------------------------------------------------------------------
// Root and the older-daemon question.

// The result, or nothing when the process ended inside.
ChildResult Ready(const std::string& input = {}) {
    return RunInChild(
        [] {
            const int r = readyForInstallation();
            std::printf("[result %d flag %d]", r, flExitTextMenu);
        },
        input);
}

TEST_F(Readiness, NotRootIsRefusedWithText35AndTheMenuExitFlag) {
    WriteText(std::string(appDir) + "/OmbrinD", "");
    EXPECT_EQ(flExitTextMenu, 0);
    const ChildResult r = RunInChild([] {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(99);
        const int result = readyForInstallation();
        std::printf("[result %d flag %d]", result, flExitTextMenu);
    });
    EXPECT_EQ(r.status, 0);
    // No question about the older daemon.
    EXPECT_EQ(r.out, kText35 + "[result 0 flag 1]");
}

TEST_F(Readiness, AUserNameThatCannotBeHadIsRefusedAsTheUserId) {
    StubTool(CMD_WHOAMI, "exit 0\n"); // prints no name
    const ChildResult r = Ready();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "User ID:  0 is logged in\nYou must become root to run tester\n"
                     "[result 0 flag 1]");
}

TEST_F(Readiness, RootWithoutAnOlderDaemonGoesOnSilently) {
    const ChildResult r = Ready("no\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[result 1 flag 0]");
}

TEST_F(Readiness, OlderDaemonQuestion) {
    const std::string goesOn = "[result 1 flag 0]";
    const std::string eof = "\n"; // the prompt's line is ended
    struct Case {
        const char* name;
        std::string input;
        int asks;         // times text 63 is written
        std::string tail; // after the last text 63
    };
    const Case cases[] = {
        {"yes", "yes\n", 1, goesOn},
        {"y", "y\n", 1, goesOn},
        {"blanks and a tab before yes", "  \tyes\n", 1, goesOn},
        {"more words behind y", "y please\n", 1, goesOn},
        {"no ends", "no\n", 1, ""},
        {"no without a line feed", "no", 1, ""},
        {"n ends like no", "n\n", 1, ""},
        {"Y asks again", "Y\nyes\n", 2, goesOn},
        {"YES, an empty line, another word ask again", "YES\n\nmaybe\ny\n", 4, goesOn},
        {"no after a refused answer", "Yes\nno\n", 2, ""},
        {"end of input", "", 1, eof},
        {"end of input after a refused answer", "maybe\n", 2, eof},
        {"yes filling the 511 characters", std::string(508, ' ') + "yes\n", 1, goesOn},
        {"yes cut at 511 characters", std::string(509, ' ') + "yes\ny\n", 2, goesOn},
        {"an over-long line is one answer", std::string(600, 'x') + "\nyes\n", 2, goesOn},
        {"no behind 511 characters is not read", std::string(511, ' ') + "no\nyes\n", 2, goesOn},
    };
    WriteText(std::string(appDir) + "/OmbrinD", "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ChildResult r = Ready(c.input);
        EXPECT_EQ(r.status, 0);
        std::string expected = kText62;
        for (int i = 0; i < c.asks; ++i)
            expected += kText63;
        EXPECT_EQ(r.out, expected + c.tail);
        EXPECT_EQ(r.err, "");
    }
}

TEST_F(Readiness, TheStopProgramAloneAsksToo) {
    WriteText(std::string(appDir) + "/OmbrinDStop", "");
    const ChildResult r = Ready("Y\ny\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kText62 + kText63 + kText63 + "[result 1 flag 0]");
}

TEST_F(Readiness, NLeavesTheOlderDaemonsLinksAlone) {
    WriteText(std::string(appDir) + "/OmbrinD", "");
    fs::create_directories("/etc/rc2.d");
    for (const char* link : {"/etc/rc2.d/KZorvoPrintD", "/etc/rc2.d/SZorvoPrintD"}) {
        fs::remove(link);
        fs::create_symlink("/srv/target/Zorvo/qvxx/OmbrinD", link);
    }
    const ChildResult r = Ready("n\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kText62 + kText63);
    EXPECT_TRUE(fs::is_symlink("/etc/rc2.d/KZorvoPrintD"));
    EXPECT_TRUE(fs::is_symlink("/etc/rc2.d/SZorvoPrintD"));
}

// ---------------------------------------------------------------------------
// Directories and the /usr link.

TEST_F(Readiness, TargetUsrMakesOnlyTheApplicationDirectory) {
    char usrApp[] = "/usr/Zorvo/qvxx";
    pAppDir = usrApp;
    const ChildResult r = RunInChild([] { createInstallationDirectories("/usr"); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, ".."); // mkdir, chmod
    EXPECT_EQ(fs::symlink_status(usrApp).type(), fs::file_type::directory);
    EXPECT_EQ(Mode(usrApp), 0755u);
    EXPECT_TRUE(fs::is_empty(usrApp));
    std::vector<std::string> entries;
    for (const auto& e : fs::directory_iterator("/usr/Zorvo"))
        entries.push_back(e.path().string());
    EXPECT_EQ(entries, std::vector<std::string>{usrApp});
}

TEST_F(Readiness, OtherTargetMakesItsDirectoriesAndTheUsrLink) {
    const ChildResult r = RunInChild([] { createInstallationDirectories("/opt"); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "....."); // mkdir, chmod; mkdir, chmod; ln
    EXPECT_EQ(fs::symlink_status("/opt/Zorvo/qvxx").type(), fs::file_type::directory);
    EXPECT_EQ(Mode("/opt/Zorvo/qvxx"), 0775u);
    EXPECT_EQ(fs::symlink_status("/usr/Zorvo").type(), fs::file_type::directory);
    EXPECT_EQ(Mode("/usr/Zorvo"), 0775u);
    ASSERT_TRUE(fs::is_symlink("/usr/Zorvo/qvxx"));
    EXPECT_EQ(fs::read_symlink("/usr/Zorvo/qvxx"), "/opt/Zorvo/qvxx");
}

TEST_F(Readiness, AnExistingUsrMakerDirectoryIsKept) {
    fs::create_directories("/usr/Zorvo");
    chmod("/usr/Zorvo", 0700);
    const ChildResult r = RunInChild([] { createInstallationDirectories("/opt"); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "...");
    EXPECT_EQ(Mode("/usr/Zorvo"), 0700u);
    EXPECT_EQ(fs::read_symlink("/usr/Zorvo/qvxx"), "/opt/Zorvo/qvxx");
}

TEST_F(Readiness, AFailingUsrLinkEndsTheInstaller) {
    WriteText("/usr/Zorvo/qvxx", "in the way\n");
    const ChildResult r = RunInChild([] {
        createInstallationDirectories("/opt");
        std::printf("[went on]");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "...ERROR: exit status 1\n");
    EXPECT_EQ(ReadFileText("/usr/Zorvo/qvxx"), "in the way\n");
}

// ---------------------------------------------------------------------------
// The print-subsystem file.

TEST_F(Readiness, PrintSubsystemFileNamesTheSpooler) {
    struct Case {
        const char* name;
        Lpd lpd;
        bool cups;
        const char* content;
    };
    const Case cases[] = {
        {"no spooler", Lpd::None, false, " BSD "},
        {"BSD lpd", Lpd::Bsd, false, " BSD "},
        {"LPRng", Lpd::Lprng, false, " LPRng "},
        {"CUPS", Lpd::None, true, " CUPS "},
        {"BSD lpd and CUPS", Lpd::Bsd, true, " CUPS "},
        {"LPRng and CUPS", Lpd::Lprng, true, " CUPS "},
    };
    const std::string cfg = std::string(appDir) + "/.qv_cfg";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // An older, longer file with other permissions is replaced.
        WriteText(cfg, " something older and longer\n", 0600);
        InstallSpooler(c.lpd, c.cups);
        const ChildResult r = RunInChild([] {
            umask(077);
            createPrintingSubsystemFile(appDir);
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(ReadFileText(cfg), c.content);
        EXPECT_EQ(Mode(cfg), 0644u);
    }
}

TEST_F(Readiness, APrintSubsystemFileThatCannotBeWrittenIsReported) {
    InstallSpooler(Lpd::None, false);
    const ChildResult r = RunInChild([] {
        createPrintingSubsystemFile("/srv/missing");
        std::printf("[went on]");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[went on]");
    EXPECT_EQ(r.err, "ERROR: couldn't open /srv/missing/.qv_cfg\n");
}

// ---------------------------------------------------------------------------
// The queue scripts and printconf.

TEST_F(Readiness, QueueScriptsAreLinkedIntoPrintconfOnLprngHosts) {
    const std::string util = "/usr/share/printconf/util";
    const std::string entry = util + "/ZorvoPrintqvxx";
    enum class Util { Missing, Empty, HoldsScript };
    struct Case {
        const char* name;
        Lpd lpd;
        Util util;
        bool link; // a new link to the print queue script
    };
    const Case cases[] = {
        {"LPRng host", Lpd::Lprng, Util::Empty, true},
        {"LPRng host already holding the script", Lpd::Lprng, Util::HoldsScript, false},
        {"LPRng host without printconf", Lpd::Lprng, Util::Missing, false},
        {"BSD host", Lpd::Bsd, Util::Empty, false},
        {"no spooler", Lpd::None, Util::Empty, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("/usr/share/printconf");
        if (c.util != Util::Missing)
            fs::create_directories(util);
        if (c.util == Util::HoldsScript)
            WriteText(entry, "printconf's own\n");
        InstallSpooler(c.lpd, false);

        const ChildResult r = RunInChild([] { createQueueScripts("/var/spool/Zorvo"); });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, c.link ? "." : "");
        for (const char* script : {"ZorvoPrintqvxx", "ZorvoQVSF"})
            EXPECT_EQ(Mode(std::string(appDir) + "/" + script), 0755u) << script;
        if (c.link) {
            ASSERT_TRUE(fs::is_symlink(entry));
            EXPECT_EQ(fs::read_symlink(entry), "/srv/target/Zorvo/qvxx/ZorvoPrintqvxx");
        } else if (c.util == Util::HoldsScript) {
            EXPECT_FALSE(fs::is_symlink(entry));
            EXPECT_EQ(ReadFileText(entry), "printconf's own\n");
        } else {
            EXPECT_FALSE(fs::exists(fs::symlink_status(entry)));
        }
        if (c.util == Util::Missing) {
            EXPECT_FALSE(fs::exists(util));
        }
    }
}

} // namespace
