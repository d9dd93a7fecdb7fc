// The package list interpreter on a work area /srv/work and an application
// directory /srv/app inside the sandbox. Each list runs in a child process;
// the results are looked for on disk, on the child's output and in the run
// log /tmp/setup.log, whose command lines are compared byte for byte.
#include "SysCmd.h"
#include "child.h"
#include "setup.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/personality.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kWork = "/srv/work";
const std::string kPkg = kWork + "/pkg";
const std::string kApp = "/srv/app";
const std::string kLog = "/tmp/setup.log";
const std::string kScratch = "/tmp/setup.tmp";

constexpr int kDone = 10; // the child's status when the list ran to its end
constexpr int kQuit = 11; // the child's status when a checkps line quit

char setupName[] = "setup";

// Entries of the command table.
constexpr int CHGRP = 4, CHMOD = 5, CHOWN = 6, CP = 9, CPR = 10, LN = 17, MV = 25, MKDIR = 26,
              TOUCH = 35, SED = 40;

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
}

mode_t ModeOf(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The line the run log shows for entry n with the caller's arguments.
std::string Cmd(int n, const std::string& args) {
    return std::string(ComList[31].pPath) + "/sh -c \"" + ComList[n].pPath + "/" +
           ComList[n].pCommand + " " + ComList[n].pFlags + " " + args + "\n";
}

std::string CopyLine(const std::string& file) {
    return Cmd(CP, kPkg + "/" + file + " " + kApp);
}

std::string SedLine(const std::string& script, const std::string& file) {
    return Cmd(SED,
               script + " " + kApp + "/" + file + " >> " + kScratch + " 2>> " + kLog + " && :");
}

std::string Warning(int line, const std::string& text) {
    return "WARNING_MSG: pkg.list line " + std::to_string(line) + ": " + text + ", skipped\n";
}

std::string Release() {
    struct utsname u;
    return uname(&u) == 0 ? u.release : "";
}

class PkgList : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(kPkg);
        fs::create_directories(kApp);
        my_name = setupName;
        flUseLog = 1;
        pZorvoInstallDir = const_cast<char*>(kWork.c_str());
        pAppDir = const_cast<char*>(kApp.c_str());
        InitSysCmdList();
        WriteText(kPkg + "/tool", "#!/bin/sh\necho \"$(pwd) $OmbrinFileSourceDir $*\"\n", 0755);
        WriteText(kPkg + "/data.txt", "data\n");
        WriteText(kPkg + "/conf", "path=OLD/a\nname=OLD\nc/d\n");
        WriteText(kPkg + "/bin/x", "x\n");
        WriteText(kPkg + "/share/readme", "readme\n");
    }

    // Runs the list text from an empty application directory and a fresh log;
    // before() prepares the application directory.
    ChildResult Run(const std::string& list, std::string_view input = {},
                    const std::function<void()>& before = {}) {
        WriteText(kPkg + "/pkg.list", list);
        fs::remove_all(kApp);
        fs::create_directories(kApp);
        if (before)
            before();
        fs::remove(kLog);
        return RunInChild([] { std::exit(kDone + ProcessPkgList("pkg")); }, input);
    }

    static std::string Log() { return ReadFileText(kLog); }
};

// ---------------------------------------------------------------------------
// The list itself.

TEST_F(PkgList, WithoutAListTheRunEndsWithAnErrorAndStatus0) {
    fs::remove(kPkg + "/pkg.list");
    const ChildResult r = RunInChild([] { std::exit(kDone + ProcessPkgList("pkg")); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: can't open file, /srv/work/pkg/pkg.list\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(PkgList, CopiesTouchesAndSkipsComments) {
    fs::create_directories("/srv/other");
    struct Case {
        std::string list;
        std::string log;
        std::string installed; // a file the line makes, with its content
        std::string content;
    };
    const std::vector<Case> cases = {
        {"c data.txt\n", CopyLine("data.txt"), kApp + "/data.txt", "data\n"},
        {"c bin/x\n", CopyLine("bin/x"), kApp + "/x", "x\n"},
        {"dir share\n", Cmd(CPR, kPkg + "/share " + kApp), kApp + "/share/readme", "readme\n"},
        {"dirto share /srv/other/docs\n", Cmd(CPR, kPkg + "/share /srv/other/docs"),
         "/srv/other/docs/readme", "readme\n"},
        {"t stamp\n", Cmd(TOUCH, kApp + "/stamp"), kApp + "/stamp", ""},
        // A word that is no command copies its operand; "#" is a comment only
        // when it stands alone.
        {"install data.txt\n", CopyLine("data.txt"), kApp + "/data.txt", "data\n"},
        {"#comment data.txt\n", CopyLine("data.txt"), kApp + "/data.txt", "data\n"},
        {"# c data.txt\n", "", "", ""},
        {"\n   \n", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const ChildResult r = Run(c.list);
        EXPECT_EQ(r.status, kDone);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Log(), c.log);
        EXPECT_EQ(r.out, c.log.empty() ? "" : ".");
        if (!c.installed.empty()) {
            EXPECT_EQ(ReadFileText(c.installed), c.content);
        }
    }
}

TEST_F(PkgList, AttributesAddressTheOperandInTheApplicationDirectory) {
    fs::create_directories("/srv/links");
    const passwd* nobody = getpwnam("nobody");
    const group* nogroup = getgrnam("nogroup");
    ASSERT_TRUE(nobody && nogroup);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nogroup->gr_gid;
    struct Case {
        std::string list;
        std::string log; // behind the copy's line
        std::function<void()> check;
    };
    const std::string tool = kApp + "/tool";
    auto owner = [](const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? st.st_uid : 0;
    };
    auto groupOf = [](const std::string& path) {
        struct stat st;
        return stat(path.c_str(), &st) == 0 ? st.st_gid : 0;
    };
    const std::vector<Case> cases = {
        {"c tool mode 751\n", Cmd(CHMOD, "751 " + tool), [&] { EXPECT_EQ(ModeOf(tool), 0751u); }},
        {"c tool owner nobody\n", Cmd(CHOWN, "-R nobody " + tool),
         [&] { EXPECT_EQ(owner(tool), uid); }},
        {"c tool group nogroup\n", Cmd(CHGRP, "-R nogroup " + tool),
         [&] { EXPECT_EQ(groupOf(tool), gid); }},
        {"c tool link /srv/links/tool\n", Cmd(LN, "-s " + tool + " /srv/links/tool"),
         [&] { EXPECT_EQ(fs::read_symlink("/srv/links/tool"), tool); }},
        {"c tool name qvtool\n", Cmd(MV, tool + " " + kApp + "/qvtool"),
         [&] {
             EXPECT_FALSE(Exists(tool));
             EXPECT_EQ(ModeOf(kApp + "/qvtool"), 0755u);
         }},
        // Pairs in order; an unknown key is dropped with its value.
        {"c tool colour blue mode 700 owner nobody\n",
         Cmd(CHMOD, "700 " + tool) + Cmd(CHOWN, "-R nobody " + tool),
         [&] {
             EXPECT_EQ(ModeOf(tool), 0700u);
             EXPECT_EQ(owner(tool), uid);
         }},
        // A key without a value does nothing.
        {"c tool mode 700 owner\n", Cmd(CHMOD, "700 " + tool), [&] { EXPECT_EQ(owner(tool), 0u); }},
        {"c tool mode\n", "", [&] { EXPECT_EQ(ModeOf(tool), 0755u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        fs::remove("/srv/links/tool");
        const ChildResult r = Run(c.list);
        EXPECT_EQ(r.status, kDone);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Log(), CopyLine("tool") + c.log);
        c.check();
    }
}

TEST_F(PkgList, TheCopyLandsUnderItsLastNameButAttributesGoToTheWholePath) {
    // A/bin/x exists: it gets the mode, the copy A/x keeps the package's.
    ChildResult r = Run("c bin/x mode 755\n", {}, [] { WriteText(kApp + "/bin/x", "old\n"); });
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(Log(), CopyLine("bin/x") + Cmd(CHMOD, "755 " + kApp + "/bin/x"));
    EXPECT_EQ(ReadFileText(kApp + "/x"), "x\n");
    EXPECT_EQ(ModeOf(kApp + "/x"), 0644u);
    EXPECT_EQ(ModeOf(kApp + "/bin/x"), 0755u);

    // Without A/bin/x the mode fails, which ends the installation.
    r = Run("c bin/x mode 755\nt after\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "..ERROR: exit status 1\n");
    const std::string log = Log();
    EXPECT_EQ(log.rfind(CopyLine("bin/x") + Cmd(CHMOD, "755 " + kApp + "/bin/x"), 0), 0u) << log;
    EXPECT_TRUE(log.ends_with("\nERROR: exit status 1\n")) << log;
    EXPECT_FALSE(Exists(kApp + "/after"));
}

TEST_F(PkgList, FailingAttributesEndTheInstallationWithStatus1) {
    const std::vector<std::string> lines = {
        "c tool mode 99x\n",
        "c tool owner nosuchuser\n",
        "c tool group nosuchgroup\n",
        "c tool link /srv/nodir/tool\n",
        "c tool name nodir/qvtool\n",
        "c conf sed s/unterminated\n",
        "c conf mode 644 sed s/a/b/q\n",
    };
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        const ChildResult r = Run(line + "t after\n");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.ends_with(".ERROR: exit status 1\n")) << r.out;
        EXPECT_TRUE(Log().ends_with("\nERROR: exit status 1\n")) << Log();
        EXPECT_FALSE(Exists(kApp + "/after"));
    }
}

TEST_F(PkgList, FailingCopiesTouchesAndDirectoriesAreWarnings) {
    struct Case {
        std::string line;
        std::string log;
        std::function<void()> before;
    };
    const std::vector<Case> cases = {
        {"c missing.dat\n", CopyLine("missing.dat"), {}},
        {"dir nodir\n", Cmd(CPR, kPkg + "/nodir " + kApp), {}},
        {"dirto nodir /srv/x\n", Cmd(CPR, kPkg + "/nodir /srv/x"), {}},
        {"t nodir/stamp\n", Cmd(TOUCH, kApp + "/nodir/stamp"), {}},
        // A file in the way of the directory: the mode is not applied.
        {"newdir plain/spool mode 777\n", Cmd(MKDIR, kApp + "/plain/spool"),
         [] { WriteText(kApp + "/plain", ""); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ChildResult r = Run(c.line + "t after\n", {}, c.before);
        EXPECT_EQ(r.status, kDone);
        const std::string log = Log();
        EXPECT_EQ(log.rfind(c.log, 0), 0u) << log;
        EXPECT_TRUE(log.ends_with("WARNING_MSG: exit status 1\n" + Cmd(TOUCH, kApp + "/after")))
            << log;
        EXPECT_EQ(r.out, "..");
        EXPECT_TRUE(Exists(kApp + "/after"));
    }
}

TEST_F(PkgList, MarksApplyTheirAttributesOnlyToExistingEntries) {
    for (const char* command : {"m", "s"}) {
        SCOPED_TRACE(command);
        const std::string line = std::string(command) + " config.dat mode 600\n";
        ChildResult r = Run(line);
        EXPECT_EQ(r.status, kDone);
        EXPECT_EQ(Log(), "");
        EXPECT_FALSE(Exists(kApp + "/config.dat"));

        r = Run(line, {}, [] { WriteText(kApp + "/config.dat", "c\n"); });
        EXPECT_EQ(r.status, kDone);
        EXPECT_EQ(Log(), Cmd(CHMOD, "600 " + kApp + "/config.dat"));
        EXPECT_EQ(ModeOf(kApp + "/config.dat"), 0600u);
    }
}

TEST_F(PkgList, NewdirMakesMissingDirectoriesOnly) {
    ChildResult r = Run("newdir spool mode 777\n", {}, [] {
        fs::create_directories(kApp + "/spool");
        chmod((kApp + "/spool").c_str(), 0700);
    });
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(ModeOf(kApp + "/spool"), 0700u);

    r = Run("newdir spool/qvxx mode 777\nnewdir work\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(Log(), Cmd(MKDIR, kApp + "/spool/qvxx") + Cmd(CHMOD, "775 " + kApp + "/spool/qvxx") +
                         Cmd(CHMOD, "777 " + kApp + "/spool/qvxx") + Cmd(MKDIR, kApp + "/work") +
                         Cmd(CHMOD, "775 " + kApp + "/work"));
    EXPECT_EQ(ModeOf(kApp + "/spool/qvxx"), 0777u);
    EXPECT_EQ(ModeOf(kApp + "/work"), 0775u);
}

TEST_F(PkgList, MissingOperandsAreSkippedWithAWarning) {
    const std::string list = "c\n"
                             "dir\n"
                             "dirto share\n"
                             "dirto\n"
                             "t\n"
                             "m\n"
                             "s\n"
                             "newdir\n"
                             "checkps\n"
                             "unknown\n"
                             "v\n"
                             "v >=\n"
                             "v >= 0 c\n"
                             "c\tdata.txt\n" // tabs belong to words
                             "c data.txt\n";
    const ChildResult r = Run(list);
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Log(),
              Warning(1, "'c' without a file") + Warning(2, "'dir' without a file") +
                  Warning(3, "'dirto' without a destination") +
                  Warning(4, "'dirto' without a file") + Warning(5, "'t' without a file") +
                  Warning(6, "'m' without a file") + Warning(7, "'s' without a file") +
                  Warning(8, "'newdir' without a file") +
                  Warning(9, "'checkps' without a program list") +
                  Warning(10, "'unknown' without a file") + Warning(11, "'v' without a condition") +
                  Warning(12, "'v' without a condition") + Warning(13, "'c' without a file") +
                  Warning(14, "'c\tdata.txt' without a file") + CopyLine("data.txt"));
}

// ---------------------------------------------------------------------------
// Release conditions.

// The list runs with the release as the kernel reports it for programs of the
// old 2.6 series (2.6.N with N of two or more digits).
ChildResult RunAs26(const std::string& list) {
    WriteText(kPkg + "/pkg.list", list);
    fs::remove(kLog);
    return RunInChild([] {
        const int current = personality(0xffffffff);
        if (current == -1 || personality(static_cast<unsigned long>(current) | UNAME26) == -1)
            std::exit(99);
        std::printf("[%s]", Release().c_str());
        std::exit(kDone + ProcessPkgList("pkg"));
    });
}

TEST_F(PkgList, ConditionsCompareTheReleaseAsText) {
    const std::string release = Release();
    ASSERT_FALSE(release.empty());
    const std::string above = release + "~";                         // sorts after it
    const std::string below = release.substr(0, release.size() - 1); // a prefix sorts before
    struct Case {
        const char* op;
        const std::string* r;
        bool holds;
    };
    const std::vector<Case> cases = {
        {"<", &release, false},  {"<=", &release, true}, {"=", &release, true},
        {">", &release, false},  {">=", &release, true}, {"<", &above, true},
        {"<=", &above, true},    {"=", &above, false},   {">", &above, false},
        {">=", &above, false},   {"<", &below, false},   {"<=", &below, false},
        {"=", &below, false},    {">", &below, true},    {">=", &below, true},
        {"==", &release, false}, {"=>", &below, false},  {"!=", &above, false},
    };
    std::string list;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        WriteText(kPkg + "/f" + std::to_string(i), "f\n");
        list +=
            std::string("v ") + cases[i].op + " " + *cases[i].r + " c f" + std::to_string(i) + "\n";
    }
    const ChildResult r = Run(list);
    EXPECT_EQ(r.status, kDone);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(Exists(kApp + "/f" + std::to_string(i)), cases[i].holds)
            << "release " << release << " " << cases[i].op << " " << *cases[i].r;
    }
}

TEST_F(PkgList, ConditionsChainAndFollowTextOrder) {
    for (const char* f : {"a", "b", "c", "d", "e", "g"})
        WriteText(kPkg + "/" + f, "f\n");
    const ChildResult r = RunAs26("v >= 2.2 c a\n"
                                  "v >= 2.10 c b\n"
                                  "v < 2.10 c c\n"
                                  "v >= 2.2 v < 2.4 c d\n"
                                  "v >= 2.2 v < 2.7 c e mode 600\n"
                                  "v >= 2.6 v = 2.6 c g\n"
                                  "v >= 2.2 # c a\n"
                                  "v >= 2.2\n");
    ASSERT_NE(r.status, 99) << "no 2.6 personality";
    ASSERT_TRUE(r.out.starts_with("[2.6.")) << r.out;
    EXPECT_EQ(r.status, kDone);
    // 2.6.N sorts after 2.10 although the number is smaller.
    EXPECT_TRUE(Exists(kApp + "/a"));
    EXPECT_TRUE(Exists(kApp + "/b"));
    EXPECT_FALSE(Exists(kApp + "/c"));
    EXPECT_FALSE(Exists(kApp + "/d"));
    EXPECT_TRUE(Exists(kApp + "/e"));
    EXPECT_EQ(ModeOf(kApp + "/e"), 0600u);
    EXPECT_FALSE(Exists(kApp + "/g"));
    EXPECT_EQ(Log(),
              CopyLine("a") + CopyLine("b") + CopyLine("e") + Cmd(CHMOD, "600 " + kApp + "/e"));
}

// ---------------------------------------------------------------------------
// Edits with the stream editor.

TEST_F(PkgList, SedRightAfterTheOperandTakesTheRestOfTheLine) {
    // The whole rest is the editor's arguments: "mode" and "755" are files to
    // it, which it cannot read, and the installation ends.
    ChildResult r = Run("c conf sed s/OLD/NEW/g mode 755\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "..ERROR: exit status 2\n");
    std::string log = Log();
    EXPECT_EQ(log.rfind(CopyLine("conf") + SedLine("s/OLD/NEW/g mode 755", "conf"), 0), 0u) << log;
    EXPECT_EQ(ModeOf(kApp + "/conf"), 0644u);
    EXPECT_EQ(ReadFileText(kApp + "/conf"), "path=OLD/a\nname=OLD\nc/d\n");

    // Several scripts in the rest, blanks and all.
    r = Run("c conf sed -e s/OLD/NEW/g  -e s/name/key/\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(Log(), CopyLine("conf") + SedLine("-e s/OLD/NEW/g  -e s/name/key/", "conf"));
    EXPECT_EQ(ReadFileText(kApp + "/conf"), "path=NEW/a\nkey=NEW\nc/d\n");
    EXPECT_FALSE(Exists(kScratch));
}

TEST_F(PkgList, SedInALaterPairTakesOneWord) {
    const ChildResult r = Run("c conf mode 751 sed s/OLD/NEW/g owner nobody\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(r.out, "....");
    EXPECT_EQ(Log(), CopyLine("conf") + Cmd(CHMOD, "751 " + kApp + "/conf") +
                         SedLine("s/OLD/NEW/g", "conf") +
                         Cmd(CHOWN, "-R nobody " + kApp + "/conf"));
    EXPECT_EQ(ReadFileText(kApp + "/conf"), "path=NEW/a\nname=NEW\nc/d\n");
    // The edited file keeps its permission bits.
    EXPECT_EQ(ModeOf(kApp + "/conf"), 0751u);
    EXPECT_FALSE(Exists(kScratch));
}

TEST_F(PkgList, SedNeverWritesThroughWhatIsPlantedAtTheScratchName) {
    struct Case {
        const char* what;
        std::function<void()> plant;
    };
    const std::vector<Case> cases = {
        {"a link to a file", [] { fs::create_symlink("/srv/victim", kScratch); }},
        {"a dangling link", [] { fs::create_symlink("/srv/created", kScratch); }},
        {"a file of another user",
         [] {
             WriteText(kScratch, "planted\n", 0666);
             (void)chown(kScratch.c_str(), 65534, 65534);
         }},
        {"an empty directory", [] { fs::create_directory(kScratch); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText("/srv/victim", "victim\n");
        fs::remove("/srv/created");
        fs::remove_all(kScratch);
        c.plant();
        const ChildResult r = Run("c conf sed s/OLD/NEW/\n");
        EXPECT_EQ(r.status, kDone);
        EXPECT_EQ(ReadFileText("/srv/victim"), "victim\n");
        EXPECT_FALSE(Exists("/srv/created"));
        EXPECT_EQ(ReadFileText(kApp + "/conf"), "path=NEW/a\nname=NEW\nc/d\n");
        EXPECT_FALSE(Exists(kScratch));
    }

    // What cannot be removed ends the installation before anything is edited.
    fs::remove_all(kScratch);
    WriteText(kScratch + "/inside", "x");
    const ChildResult r = Run("c conf sed s/OLD/NEW/\nt after\n");
    EXPECT_EQ(r.status, 1);
    const std::string error =
        "ERROR: cannot remove the scratch file /tmp/setup.tmp: Directory not empty\n";
    EXPECT_EQ(r.out, "." + error);
    EXPECT_EQ(Log(), CopyLine("conf") + error);
    EXPECT_EQ(ReadFileText(kApp + "/conf"), "path=OLD/a\nname=OLD\nc/d\n");
    EXPECT_FALSE(Exists(kApp + "/after"));
}

// ---------------------------------------------------------------------------
// Words, continued lines and long lines.

TEST_F(PkgList, ContinuedLinesSplitAtTheContinuation) {
    const ChildResult r =
        Run("c tool\\\nmode 700 \\\n"
            "owner nobody\n"
            "c conf sed s/OLD/NEW/g \\\n"
            "  s/c\\/d/x/\n" // the value goes on: a second file to sed, which fails
            "t\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ModeOf(kApp + "/tool"), 0700u);
    const std::string log = Log();
    EXPECT_EQ(log.rfind(CopyLine("tool") + Cmd(CHMOD, "700 " + kApp + "/tool") +
                            Cmd(CHOWN, "-R nobody " + kApp + "/tool") + CopyLine("conf") +
                            SedLine("s/OLD/NEW/g    s/c\\/d/x/", "conf"),
                        0),
              0u)
        << log;

    // A backslash inside a word stays in it; line numbers count physical lines.
    const ChildResult ok = Run("c conf \\\n"
                               "  sed 's/c\\/d/x/'\n"
                               "t\n");
    EXPECT_EQ(ok.status, kDone);
    EXPECT_EQ(Log(), CopyLine("conf") + SedLine("'s/c\\/d/x/'", "conf") +
                         Warning(3, "'t' without a file"));
    EXPECT_EQ(ReadFileText(kApp + "/conf"), "path=OLD/a\nname=OLD\nx\n");
}

TEST_F(PkgList, ALineLongerThanALineMayBeIsSkipped) {
    const std::string longLine = "c data.txt mode " + std::string(600, '7') + "\n";
    const ChildResult r = Run(longLine + "c tool\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(Log(), "WARNING_MSG: pkg.list line 1: longer than a line may be, skipped\n" +
                         CopyLine("tool"));
    EXPECT_FALSE(Exists(kApp + "/data.txt"));

    // 510 characters and the line feed still fit.
    const std::string fits = "c data.txt" + std::string(500, ' ') + "\n";
    ASSERT_EQ(fits.size(), 511u);
    EXPECT_EQ(Run(fits).status, kDone);
    EXPECT_EQ(Log(), CopyLine("data.txt"));
}

// ---------------------------------------------------------------------------
// Launchers.

TEST_F(PkgList, BatWritesALauncherThatRunsTheProgram) {
    const ChildResult r = Run("c tool bat qvtool\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(Log(), CopyLine("tool"));
    const std::string launcher = ReadFileText("/usr/bin/qvtool");
    EXPECT_TRUE(launcher.starts_with("#!/bin/sh\n")) << launcher;
    EXPECT_TRUE(launcher.ends_with("\nOmbrinFileSourceDir=`pwd`\nexport OmbrinFileSourceDir\n\n"
                                   "cd /srv/app\nexec /srv/app/tool $*\n"))
        << launcher;
    EXPECT_EQ(ModeOf("/usr/bin/qvtool"), 0755u);

    const ChildResult run = RunInChild([] {
        if (chdir("/srv") != 0)
            std::exit(98);
        execl("/usr/bin/qvtool", "qvtool", "one", "two", static_cast<char*>(nullptr));
        std::exit(97);
    });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "/srv/app /srv one two\n");
}

// ---------------------------------------------------------------------------
// Running programs.

const char* const kRunning =
    "\nThe following processes are running.\nThe installer can not continue until these "
    "terminate:\n";
const char* const kQuestion = "Would you like to:\n"
                              "1.  Wait 30 seconds for these processes to terminate\n"
                              "2.  Quit the installation\n"
                              "\nEnter a selection:  ";

// The question about the running program pid.
std::string Question(pid_t pid) {
    return kRunning + ("qvadmin ( " + std::to_string(pid) + " )\n\n") + kQuestion;
}

// A copy of sleep running as /srv/bin/qvadmin for the given seconds; reaped
// when it ends, killed at the end of its scope.
class Qvadmin {
public:
    explicit Qvadmin(const char* seconds) : pid_(StartNamedSleep("/srv/bin/qvadmin", seconds)) {
        reaper_ = std::thread([this] {
            waitpid(pid_, nullptr, 0);
            ended_ = true;
        });
    }
    ~Qvadmin() {
        if (!ended_)
            kill(pid_, SIGKILL);
        reaper_.join();
    }
    Qvadmin(const Qvadmin&) = delete;
    Qvadmin& operator=(const Qvadmin&) = delete;
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    std::atomic<bool> ended_ = false;
    std::thread reaper_;
};

TEST_F(PkgList, CheckpsQuitsWhileTheProgramRuns) {
    const Qvadmin qvadmin("600");
    const ChildResult r = Run("c data.txt\ncheckps ,qvadmin,\nc tool\n", "2\n");
    EXPECT_EQ(r.status, kQuit);
    EXPECT_EQ(r.out, "." + Question(qvadmin.pid()));
    EXPECT_EQ(Log(), CopyLine("data.txt"));
    EXPECT_FALSE(Exists(kApp + "/tool"));
}

TEST_F(PkgList, CheckpsGoesOnOnceTheProgramHasEnded) {
    // Nothing runs: no question.
    ChildResult r = Run("checkps ,qvadmin,\nc tool\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(r.out, ".");
    EXPECT_EQ(Log(), CopyLine("tool"));

    // The program ends while the user waits.
    const Qvadmin qvadmin("1");
    r = Run("checkps ,qvadmin,\nc tool\n", "1\n");
    EXPECT_EQ(r.status, kDone);
    EXPECT_EQ(r.out, Question(qvadmin.pid()) + ".");
    EXPECT_EQ(Log(), CopyLine("tool"));
    EXPECT_TRUE(Exists(kApp + "/tool"));
}

} // namespace
