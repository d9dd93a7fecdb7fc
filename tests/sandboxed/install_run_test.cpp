// Whole installation runs from small install sites inside the sandbox: fresh
// installations, upgrades in place and with a move, the disks file, damaged
// sites, the work area in /tmp, refused paths; the steps of the install site
// run on their own; the Solaris package upgrade with a stub installf.
//
// Sites are built with tools/mksite from a package tree; stub df and du in
// /usr/sbin (searched first) report plenty of room on one file system.
#include "MemMgr.h"
#include "SysCmd.h"
#include "child.h"
#include "setup.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kSite = "/srv/site";
const std::string kSetup = kSite + "/setup";
const std::string kTree = "/srv/tree";
const std::string kWork = "/tmp/ZorvoInstall";
const std::string kLog = "/tmp/setup.log";
const std::string kCalls = "/srv/qvqadmin.calls";

const char* const kQuestion = "Would you like to:\n"
                              "1.  Wait 30 seconds for these processes to terminate\n"
                              "2.  Quit the installation\n"
                              "\nEnter a selection:  ";
const char* const kRunning =
    "\nThe following processes are running.\nThe installer can not continue until these "
    "terminate:\n";

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
}

std::string Mode(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return "missing";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%o", static_cast<unsigned>(st.st_mode & 07777));
    return buf;
}

bool IsLinkTo(const std::string& path, const std::string& target) {
    return fs::is_symlink(path) && fs::read_symlink(path) == target;
}

// One line of the run log ends with this tail (the tool's directory before it
// varies with the host).
bool Logged(const std::string& tail) {
    const std::string log = ReadFileText(kLog);
    return log.find("/" + tail + "\n") != std::string::npos;
}

void InstallDiskStubs() {
    WriteText("/usr/sbin/df",
              "#!/bin/sh\n"
              "echo 'Filesystem     1K-blocks    Used Available Use% Mounted on'\n"
              "echo 'root 100000000 0 100000000 0% /'\n",
              0755);
    WriteText("/usr/sbin/du", "#!/bin/sh\nfor a; do p=$a; done\nprintf '0\\t%s\\n' \"$p\"\n", 0755);
}

// The package of the fixture sites. qvqadmin records how the clean-up runs it;
// version marks the files of this package against those of an older one.
void WritePackage(const std::string& version = "new") {
    fs::remove_all(kTree);
    WriteText(kTree + "/pkg/pkg.list", "c qvrqvxxtty mode 755\n"
                                       "c qvsf mode 755\n"
                                       "c qvqadmin mode 755\n"
                                       "dir lib\n");
    WriteText(kTree + "/pkg/qvrqvxxtty", "#!/bin/sh\n# " + version + "\n", 0755);
    WriteText(kTree + "/pkg/qvsf", "#!/bin/sh\n# " + version + "\n", 0755);
    WriteText(kTree + "/pkg/qvqadmin", "#!/bin/sh\necho \"$0 $*\" >> " + kCalls + "\n", 0755);
    WriteText(kTree + "/pkg/lib/data.txt", version + "\n");
}

std::string Mksite() {
    for (const std::string& p : {BinaryDir() + "/bin/mksite", SourceDir() + "/tools/mksite/mksite"})
        if (fs::exists(p))
            return p;
    return "";
}

// Builds the install site from the package tree: extra mksite options, then
// the tree and the site.
void BuildSite(const std::vector<std::string>& options = {}) {
    const std::string mksite = Mksite();
    ASSERT_FALSE(mksite.empty()) << "no site builder";
    fs::remove_all(kSite);
    std::string command = mksite + " -q -p " + BinaryDir() + "/bin/setup";
    for (const std::string& o : options)
        command += " " + o;
    command += " " + kTree + " " + kSite + " 2>/srv/mksite.err";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << command << ": " << ReadFileText("/srv/mksite.err");
}

ChildResult RunSetup(std::vector<std::string> args, std::string_view input = {},
                     bool asNobody = false) {
    return RunInChild(
        [&] {
            std::vector<const char*> argv;
            if (asNobody)
                argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
            argv.push_back(kSetup.c_str());
            for (const std::string& a : args)
                argv.push_back(a.c_str());
            argv.push_back(nullptr);
            unsetenv("LANG");
            if (chdir(kSite.c_str()) != 0)
                _exit(126);
            execv(argv[0], const_cast<char* const*>(argv.data()));
            _exit(127);
        },
        input);
}

// A package of an older installation at dir/Zorvo/qvxx, with a file of its own.
void OldInstallation(const std::string& dir) {
    WriteText(dir + "/Zorvo/qvxx/qvsf", "#!/bin/sh\n# old\n", 0755);
    WriteText(dir + "/Zorvo/qvxx/old.dat", "kept\n");
}

class InstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(getuid(), 0u) << "runs as root inside the sandbox";
        InstallDiskStubs();
        WritePackage();
        BuildSite();
    }
    void TearDown() override {
        for (pid_t pid : started_)
            kill(pid, SIGKILL);
    }

    // Checks that the new package lies complete in app and the run ended
    // normally with its clean-up, which runs the queue tool as the
    // application directory spells it (app unless given).
    static void ExpectInstalled(const ChildResult& r, const std::string& app,
                                std::string spelled = {}) {
        if (spelled.empty())
            spelled = app;
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(r.out.find("ERROR"), std::string::npos) << r.out;
        EXPECT_EQ(ReadFileText(app + "/qvsf"), "#!/bin/sh\n# new\n");
        EXPECT_EQ(ReadFileText(app + "/lib/data.txt"), "new\n");
        EXPECT_EQ(Mode(app + "/qvrqvxxtty"), "4755");
        EXPECT_EQ(Mode(app + "/qvsf"), "4755");
        EXPECT_EQ(ReadFileText(app + "/.qv_cfg"), " BSD ");
        EXPECT_EQ(Mode(app + "/.qv_cfg"), "644");
        EXPECT_EQ(Mode(app + "/ZorvoPrintqvxx"), "755");
        EXPECT_EQ(Mode(app + "/ZorvoQVSF"), "755");
        EXPECT_FALSE(fs::exists(kWork)) << "the clean-up removed the work area";
        EXPECT_EQ(ReadFileText(kCalls),
                  spelled + "/qvqadmin -upgrade\n" + spelled + "/qvqadmin -clean\n");
    }

    // Starts a copy of sleep under the given name.
    pid_t StartProgram(const std::string& name) {
        const pid_t pid = StartNamedSleep("/srv/bin/" + name, "300");
        started_.push_back(pid);
        return pid;
    }

    std::vector<pid_t> started_;
};

TEST_F(InstallRun, FreshInstallationToUsr) {
    const ChildResult r = RunSetup({});
    ExpectInstalled(r, "/usr/Zorvo/qvxx");
    EXPECT_FALSE(fs::is_symlink("/usr/Zorvo/qvxx"));
    EXPECT_EQ(Mode("/usr/Zorvo"), "755");
    EXPECT_EQ(Mode("/usr/Zorvo/qvxx"), "755");
    EXPECT_EQ(Mode("/var/spool/Zorvo"), "775");
    EXPECT_EQ(Mode("/var/spool/Zorvo/qvxx/__qva_download__"), "777");
    // The listed files came from the site, the pieces were joined, unpacked,
    // and the tar file removed.
    for (const char* name : {"disks", "pkg_tar.001", "isize", "tsize"})
        EXPECT_TRUE(Logged("cp -p /srv/site/" + std::string(name) + " /tmp/ZorvoInstall")) << name;
    EXPECT_TRUE(Logged("uncompress  /tmp/ZorvoInstall/LinuxppcQvxx.tar.Z"));
    EXPECT_TRUE(Logged("tar xvfp /tmp/ZorvoInstall/LinuxppcQvxx.tar"));
    EXPECT_TRUE(Logged("rm -rf /tmp/ZorvoInstall/LinuxppcQvxx.tar"));
    EXPECT_TRUE(Logged("chmod  4755 /usr/Zorvo/qvxx/qvrqvxxtty"));
    EXPECT_TRUE(Logged("chmod  4755 /usr/Zorvo/qvxx/qvsf"));
}

TEST_F(InstallRun, FreshInstallationToOptLinksUsr) {
    const ChildResult r = RunSetup({"install", "/opt/Zorvo/qvxx/"});
    ExpectInstalled(r, "/opt/Zorvo/qvxx");
    EXPECT_TRUE(IsLinkTo("/usr/Zorvo/qvxx", "/opt/Zorvo/qvxx"));
    EXPECT_EQ(Mode("/usr/Zorvo"), "775");
    EXPECT_EQ(Mode("/opt/Zorvo"), "755") << "the final permissions";
    EXPECT_EQ(Mode("/opt/Zorvo/qvxx"), "775");
    EXPECT_TRUE(Logged("ln  -s /opt/Zorvo/qvxx /usr/Zorvo/qvxx"));
}

TEST_F(InstallRun, UpgradeInPlace) {
    OldInstallation("/usr");
    const ChildResult r = RunSetup({});
    ExpectInstalled(r, "/usr/Zorvo/qvxx");
    EXPECT_EQ(ReadFileText("/usr/Zorvo/qvxx/old.dat"), "kept\n");
    EXPECT_FALSE(fs::exists("/var/spool/Zorvo")) << "no spool directories on an upgrade";
    EXPECT_EQ(ReadFileText(kLog).find("mv -f"), std::string::npos) << "nothing moved";
}

TEST_F(InstallRun, UpgradeWithAMoveToANewTarget) {
    OldInstallation("/usr");
    const ChildResult r = RunSetup({"install", "/opt"});
    ExpectInstalled(r, "/opt/Zorvo/qvxx");
    EXPECT_EQ(ReadFileText("/opt/Zorvo/qvxx/old.dat"), "kept\n") << "moved, then upgraded";
    EXPECT_TRUE(IsLinkTo("/usr/Zorvo/qvxx", "/opt/Zorvo/qvxx"));
    EXPECT_EQ(Mode("/opt/Zorvo"), "755");
    EXPECT_FALSE(fs::exists("/var/spool/Zorvo"));
    for (const char* tail : {"rm -rf  /opt/Zorvo/qvxx", "mkdir -p /opt/Zorvo",
                             "chmod  755 /opt/Zorvo", "mv -f -f /usr/Zorvo/qvxx /opt/Zorvo",
                             "rm -f /usr/Zorvo/qvxx", "ln  -s /opt/Zorvo/qvxx /usr/Zorvo/qvxx"})
        EXPECT_TRUE(Logged(tail)) << tail;
}

TEST_F(InstallRun, AMoveBackToUsrReplacesTheLink) {
    OldInstallation("/opt");
    fs::create_directories("/usr/Zorvo");
    fs::create_symlink("/opt/Zorvo/qvxx", "/usr/Zorvo/qvxx");
    const ChildResult r = RunSetup({"install", "/usr"});
    ExpectInstalled(r, "/usr/Zorvo/qvxx");
    EXPECT_FALSE(fs::is_symlink("/usr/Zorvo/qvxx")) << "the package itself lives there now";
    EXPECT_EQ(ReadFileText("/usr/Zorvo/qvxx/old.dat"), "kept\n");
    EXPECT_FALSE(fs::exists("/opt/Zorvo/qvxx"));
    EXPECT_FALSE(Logged("ln  -s /usr/Zorvo/qvxx /usr/Zorvo/qvxx"));
}

TEST_F(InstallRun, PreviousInstallationsBehindLinks) {
    // The relative link is read relative to /usr: ../../opt from /usr is
    // /opt, as it is from /usr/Zorvo.
    for (const auto& [link, app] : std::map<std::string, std::string>{
             {"/opt/Zorvo/qvxx", "/opt/Zorvo/qvxx"},
             {"../../opt/Zorvo/qvxx", "/usr/../../opt/Zorvo/qvxx"}}) {
        SCOPED_TRACE(link);
        fs::remove_all("/usr/Zorvo");
        fs::remove_all("/opt");
        fs::remove(kCalls);
        OldInstallation("/opt");
        fs::create_directories("/usr/Zorvo");
        fs::create_symlink(link, "/usr/Zorvo/qvxx");
        const ChildResult r = RunSetup({});
        ExpectInstalled(r, "/opt/Zorvo/qvxx", app);
        EXPECT_EQ(ReadFileText("/opt/Zorvo/qvxx/old.dat"), "kept\n");
        EXPECT_TRUE(IsLinkTo("/usr/Zorvo/qvxx", link)) << "the link stays as it was";
        EXPECT_EQ(ReadFileText(kLog).find("mv -f"), std::string::npos) << "nothing moved";
    }
}

TEST_F(InstallRun, ATargetThatNamesThePreviousPlaceOtherwiseIsNoMove) {
    // /usr/../../opt and /opt are one directory: moving it onto itself would
    // remove it first.
    OldInstallation("/opt");
    fs::create_directories("/usr/Zorvo");
    fs::create_symlink("../../opt/Zorvo/qvxx", "/usr/Zorvo/qvxx");
    for (const char* target : {"/opt", "//opt"}) {
        SCOPED_TRACE(target);
        fs::remove(kCalls);
        const ChildResult r = RunSetup({"install", target});
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(ReadFileText("/opt/Zorvo/qvxx/old.dat"), "kept\n");
        EXPECT_EQ(ReadFileText("/opt/Zorvo/qvxx/qvsf"), "#!/bin/sh\n# new\n");
        EXPECT_EQ(ReadFileText(kLog).find("mv -f"), std::string::npos);
    }
}

TEST_F(InstallRun, NotRootInstallsNothingAndCleansUp) {
    const ChildResult r = RunSetup({}, {}, true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "...." // the copies of disks, the piece, isize and tsize
                     "nobody is logged in\nYou must become root to run setup\n"
                     "...\n"); // the clean-up
    EXPECT_FALSE(fs::exists("/usr/Zorvo"));
    EXPECT_FALSE(fs::exists("/var/spool/Zorvo"));
    EXPECT_FALSE(fs::exists(kWork));
    EXPECT_TRUE(Logged("rm -rf  /tmp/ZorvoInstall"));
}

TEST_F(InstallRun, AnUpperCaseDisksSite) {
    BuildSite({"-U"});
    ASSERT_FALSE(fs::exists(kSite + "/disks"));
    const ChildResult r = RunSetup({});
    ExpectInstalled(r, "/usr/Zorvo/qvxx");
    for (const char* name : {"DISKS", "PKG_TAR.001", "ISIZE", "TSIZE"})
        EXPECT_TRUE(Logged("cp -p /srv/site/" + std::string(name) + " /tmp/ZorvoInstall")) << name;
}

TEST_F(InstallRun, TheStopWordInsideALineEndsOnlyThatLine) {
    // c does not exist: a copy of it would end the run with status 1.
    WriteText(kSite + "/a", "a\n");
    WriteText(kSite + "/d", "d\n");
    WriteText(kSite + "/disks", "disks pkg_tar.001 a end_of_list c\n"
                                "\n"
                                "d isize\ttsize\n"
                                "end_of_list\n"
                                "e\n");
    const ChildResult r = RunSetup({});
    ExpectInstalled(r, "/usr/Zorvo/qvxx");
    for (const char* name : {"disks", "pkg_tar.001", "a", "d", "isize", "tsize"})
        EXPECT_TRUE(Logged("cp -p /srv/site/" + std::string(name) + " /tmp/ZorvoInstall")) << name;
    const std::string log = ReadFileText(kLog);
    EXPECT_EQ(log.find("/srv/site/c "), std::string::npos);
    EXPECT_EQ(log.find("/srv/site/e "), std::string::npos);
}

TEST_F(InstallRun, AMissingDisksFileEndsWithStatusOne) {
    fs::remove(kSite + "/disks");
    const ChildResult r = RunSetup({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "ERROR: can't open file, ZorvoInstall/disks\n");
    EXPECT_FALSE(fs::exists("/usr/Zorvo"));
}

TEST_F(InstallRun, DamagedSitesEndWithStatusOne) {
    struct Case {
        const char* what;
        void (*damage)();
        std::string failing; // the command line that fails
    } cases[] = {
        {"a piece that is no compressed data",
         [] { WriteText(kSite + "/pkg_tar.001", "this is no archive\n"); },
         "uncompress  /tmp/ZorvoInstall/LinuxppcQvxx.tar.Z"},
        {"a compressed text that is no tar archive",
         [] {
             WriteText("/srv/plain", std::string(2000, 'x'));
             ASSERT_EQ(std::system("compress -c /srv/plain > /srv/site/pkg_tar.001"), 0);
         },
         "tar xvfp /tmp/ZorvoInstall/LinuxppcQvxx.tar"},
        {"a listed file missing from the site",
         [] {
             const std::string disks = ReadFileText(kSite + "/disks");
             WriteText(kSite + "/disks", "nothing.here\n" + disks);
         },
         "cp -p /srv/site/nothing.here /tmp/ZorvoInstall"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        BuildSite();
        c.damage();
        fs::remove_all(kWork);
        const ChildResult r = RunSetup({});
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_NE(r.out.find("ERROR: exit status "), std::string::npos) << r.out;
        const std::string log = ReadFileText(kLog);
        const std::size_t at = log.find("/" + c.failing + "\n");
        ASSERT_NE(at, std::string::npos) << log;
        EXPECT_EQ(log.find(" -c \"", at + 1), std::string::npos) << "nothing ran after it";
        EXPECT_NE(log.find("ERROR: exit status ", at), std::string::npos) << log;
        EXPECT_FALSE(fs::exists("/usr/Zorvo"));
        EXPECT_FALSE(fs::exists(kCalls)) << "a fatal failure ends the run at once";
    }
}

TEST_F(InstallRun, QuitAtTheProcessQuestionMovesAndInstallsNothing) {
    OldInstallation("/usr");
    // A link planted at the work area's name is removed as a link.
    WriteText("/srv/victim/precious", "precious\n");
    fs::create_symlink("/srv/victim", kWork);
    const pid_t pid = StartProgram("qvadmin");
    const ChildResult r = RunSetup({"install", "/opt"}, "2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(kRunning) + "qvadmin ( " + std::to_string(pid) + " )\n\n" +
                         kQuestion + "...\n");
    EXPECT_EQ(ReadFileText("/usr/Zorvo/qvxx/qvsf"), "#!/bin/sh\n# old\n");
    EXPECT_FALSE(fs::exists("/opt/Zorvo"));
    EXPECT_FALSE(fs::exists(kWork) || fs::is_symlink(kWork));
    EXPECT_EQ(ReadFileText("/srv/victim/precious"), "precious\n");
}

TEST_F(InstallRun, APlantedLinkAtTheWorkAreaIsNeverFollowed) {
    WriteText("/srv/victim/precious", "precious\n");
    for (const char* target : {"/srv/victim", "/srv/victim/", "/srv/nothing"}) {
        SCOPED_TRACE(target);
        fs::remove(kCalls);
        fs::remove_all("/usr/Zorvo");
        fs::create_symlink(target, kWork);
        const ChildResult r = RunSetup({});
        ExpectInstalled(r, "/usr/Zorvo/qvxx");
        EXPECT_EQ(ReadFileText("/srv/victim/precious"), "precious\n");
        EXPECT_FALSE(fs::exists("/srv/victim/disks"));
        EXPECT_FALSE(fs::exists("/srv/nothing"));
    }
}

TEST_F(InstallRun, PathsTheShellWouldInterpretAreRefused) {
    const std::string shell = "' holds characters the installer cannot pass to the shell\n";
    const std::string relative = "' is not a full path (beginning with '/')\n";
    struct Case {
        std::vector<std::string> args;
        std::string path; // as the message names it
        bool relative = false;
    } cases[] = {
        {{"install", "/opt/my dir"}, "/opt/my dir"},
        {{"install", "/opt/a;reboot"}, "/opt/a;reboot"},
        {{"install", "/opt/$(id)/Zorvo/qvxx"}, "/opt/$(id)"},
        {{"/var/tmp/w`id`"}, "/var/tmp/w`id`"},
        {{"/var/tmp/a'b"}, "/var/tmp/a'b"},
        {{"/var/tmp/a\"b"}, "/var/tmp/a\"b"},
        {{"/var/tmp/a\\b"}, "/var/tmp/a\\b"},
        {{"/var/tmp/a&b"}, "/var/tmp/a&b"},
        {{"/var/tmp/a|b"}, "/var/tmp/a|b"},
        {{"/var/tmp/a>b"}, "/var/tmp/a>b"},
        {{"/var/tmp/a<b"}, "/var/tmp/a<b"},
        {{"/var/tmp/a*"}, "/var/tmp/a*"},
        {{"/var/tmp/a?"}, "/var/tmp/a?"},
        {{"/var/tmp/a(b)"}, "/var/tmp/a(b)"},
        {{"/var/tmp/a\tb"}, "/var/tmp/a\tb"},
        {{"-v", "/var/tmp/x y"}, ""}, // -v ends the run before
        // Relative paths would be taken relative to the work area.
        {{"install", "opt"}, "opt", true},
        {{"install", "Zorvo/qvxx"}, "", true},
        {{"work"}, "work", true},
        {{"./"}, "./", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        const ChildResult r = RunSetup(c.args);
        if (c.path.empty() && !c.relative) {
            EXPECT_EQ(r.status, 0);
            continue;
        }
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "setup: the path '" + c.path + (c.relative ? relative : shell));
        EXPECT_FALSE(fs::exists(kWork));
        EXPECT_FALSE(fs::exists(kSite + "/ZorvoInstall"));
        if (!c.relative) {
            EXPECT_FALSE(fs::exists(c.path)) << "the work-area directory was not made";
        }
        EXPECT_FALSE(fs::exists("/opt/Zorvo"));
        EXPECT_FALSE(fs::exists("/usr/Zorvo"));
    }
    // A previous installation behind a link to such a place.
    fs::create_directories("/usr/Zorvo");
    fs::create_symlink("/srv/a b/Zorvo/qvxx", "/usr/Zorvo/qvxx");
    const ChildResult r = RunSetup({});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "setup: the path '/srv/a b" + shell);
    EXPECT_FALSE(fs::exists(kWork));
}

// --- The steps of the install site, run on their own ---------------------------

// Sets the globals of a run with the work area /tmp/ZorvoInstall and the site.
void StartUpFor(const std::string& site) {
    flUseLog = 1;
    my_name = SaveStr_("setup");
    pZorvoInstallDir = SaveStr_(kWork.c_str());
    pPathToSetup = SaveStr_(site.c_str());
    InitSysCmdList();
}

TEST(InstallSite, GenZFileJoinsTheListedPiecesInOrder) {
    // The pieces pkg_tar.00N hold N, PKG_TAR.00N hold NN.
    struct Case {
        const char* file;
        const char* disks;
        std::string archive;
    } cases[] = {
        {"disks", "disks pkg_tar.002 pkg_tar.001\nend_of_list\n", "21"},
        {"disks", "pkg_tar.001 end_of_list pkg_tar.002\n", "1"},        // the stop word ends it all
        {"disks", "pkg_tar.001\n\npkg_tar.002 end_of_list\n", "12"},    // lines do not count
        {"disks", "pkg_tar.001\tpkg_tar.002 pkg_tar.003\n", "3"},       // no tabs: one name
        {"disks", "pkg_tar.009 pkg_tar.003 other pkg_tar.001\n", "31"}, // missing: skipped
        {"disks", "PKG_TAR.002 pkg_tar.001 pkg_tar.0011\n", "221"},
        {"DISKS", "DISKS pkg_tar.002 PKG_TAR.001 end_of_list pkg_tar.003\n", "2211"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.disks);
        fs::remove_all(kWork);
        WriteText(kWork + "/" + c.file, c.disks);
        for (const char* n : {"1", "2", "3"}) {
            WriteText(kWork + "/pkg_tar.00" + n, n);
            WriteText(kWork + "/PKG_TAR.00" + n, std::string(n) + n);
        }
        WriteText(kWork + "/other", "x");
        const ChildResult r = RunInChild([] {
            StartUpFor(kSite);
            genZFile();
        });
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_EQ(ReadFileText(kWork + "/LinuxppcQvxx.tar.Z"), c.archive);
    }
}

TEST(InstallSite, AnUpperCaseDisksFileIsConvertedUpToTheStopWord) {
    ScratchDir dir;
    dir.Write("DISKS", "disks pkg_tar.001 end_of_list Tail end_of_list x\n");
    const ChildResult r = RunInChild([&] {
        GetDisksData(dir.path().c_str());
        std::printf("%s", LineBuf);
    });
    EXPECT_EQ(r.out, "DISKS PKG_TAR.001 end_of_list Tail end_of_list x\n");
    dir.Write("disks", "lower pkg_tar.001\n");
    const ChildResult lower = RunInChild([&] {
        GetDisksData(dir.path().c_str());
        std::printf("%s", LineBuf);
    });
    EXPECT_EQ(lower.out, "lower pkg_tar.001\n") << "disks comes first and stays as it is";
}

TEST(InstallSite, AWorkAreaThatReappearsStopsTheRun) {
    // A remover that leaves the planted link in place, as if it had come back
    // at once: the work area is not made through it.
    WriteText("/srv/victim/precious", "precious\n");
    fs::create_symlink("/srv/victim", kWork);
    WriteText("/srv/fake/rm", "#!/bin/sh\nexit 0\n", 0755);
    WriteText("/srv/emptysite/disks", "disks\nend_of_list\n");
    const ChildResult r = RunInChild([] {
        StartUpFor("/srv/emptysite");
        ComList[30].pPath = "/srv/fake";
        installFromSite(kWork.c_str());
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "\nsetup: can't make the work area /tmp/ZorvoInstall afresh : File exists\n");
    EXPECT_FALSE(fs::exists("/srv/victim/disks"));
    EXPECT_TRUE(IsLinkTo(kWork, "/srv/victim"));
}

// --- The Solaris package upgrade ------------------------------------------------

class SolarisUpgrade : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(getuid(), 0u);
        // installf records its arguments; it is found first on the search path.
        WriteText("/usr/sbin/installf", "#!/bin/sh\necho \"$*\" >> /srv/installf.calls\n", 0755);
        WriteText("/srv/pkgs/TDRLqvxx/pkgmap",
                  ": 1 2048\n"
                  "1 d none bin 0755 root sys\n"
                  "1 f none /etc/init.d/qvd 0755 root sys 1234 5678 90\n"
                  "1 i pkginfo 123 4567 890\n"
                  "1 s none /usr/bin/qv=../Zorvo/qvxx/qv\n"
                  "1 f none bin/qvadmin 4755 root sys\n"
                  "1 e none /etc/qv.conf 0644 root sys\n"
                  "1 f none short 0644 root\n");
        WriteText(kWork + "/TDRLqvxx/root/etc/init.d/qvd", "daemon\n");
        WriteText(kWork + "/TDRLqvxx/reloc/bin/qvadmin", "admin\n");
        fs::create_directories("/etc/init.d");
        fs::create_directories("/srv/target/Zorvo/bin");
        WriteText("/var/sadm/pkg/TDRLqvxx/pkginfo",
                  "PKG=TDRLqvxx\nVERSION=3.00.12\nNAME=qv\nVERSION=beta\nARCH=sparc\n");
    }

    static ChildResult Upgrade(const char* pkgDir) {
        return RunInChild([pkgDir] {
            setenv("PATH", "/usr/sbin:/usr/bin:/bin", 1);
            StartUpFor(kSite);
            pTargetInstallDir = SaveStr_("/srv/target");
            std::exit(upgradeSolarisPackage("TDRLqvxx", pkgDir) == 1 ? 0 : 3);
        });
    }
};

TEST_F(SolarisUpgrade, RegistersCopiesAndRewritesTheVersion) {
    const ChildResult r = Upgrade("/srv/pkgs");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ".....") << "a dot per file, for the version and for two logged commands";
    EXPECT_EQ(ReadFileText("/srv/installf.calls"),
              "-c none TDRLqvxx /etc/init.d/qvd f 0755 root sys\n"
              "-c none TDRLqvxx /srv/target/Zorvo/bin/qvadmin f 4755 root sys\n"
              "-f TDRLqvxx\n");
    EXPECT_EQ(ReadFileText("/etc/init.d/qvd"), "daemon\n");
    EXPECT_EQ(ReadFileText("/srv/target/Zorvo/bin/qvadmin"), "admin\n");
    EXPECT_EQ(ReadFileText("/var/sadm/pkg/TDRLqvxx/pkginfo"),
              "PKG=TDRLqvxx\nVERSION=3.01.67\nNAME=qv\nVERSION=beta\nARCH=sparc\n");
    EXPECT_FALSE(fs::exists("/var/sadm/pkg/TDRLqvxx/pkginfo.tmp"));
    EXPECT_TRUE(Logged("rm -f /var/sadm/pkg/TDRLqvxx/pkginfo.tmp"));
    EXPECT_TRUE(Logged("mv -f /var/sadm/pkg/TDRLqvxx/pkginfo.tmp /var/sadm/pkg/TDRLqvxx/pkginfo"));
}

TEST_F(SolarisUpgrade, AnOldScratchCopyIsReplaced) {
    WriteText("/var/sadm/pkg/TDRLqvxx/pkginfo.tmp", "stale\n");
    const ChildResult r = Upgrade("/srv/pkgs");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ReadFileText("/var/sadm/pkg/TDRLqvxx/pkginfo").find("stale"), std::string::npos);
}

TEST_F(SolarisUpgrade, AMissingPackageMapEndsWithStatusZero) {
    const ChildResult r = Upgrade("/srv/none");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: can't open file, /srv/none/TDRLqvxx/pkgmap\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists("/srv/installf.calls"));
}

} // namespace
