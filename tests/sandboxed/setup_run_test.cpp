// The installer run from an install site inside the sandbox: the command
// line, the previous installation, the free-space check, the question about
// running programs and the language of its texts. Stub df and du in /usr/sbin
// (searched first) report the sizes; named copies of sleep stand for the
// package's programs.
#include "child.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kSite = "/srv/site";
const std::string kSetup = kSite + "/setup";

// The English texts the installer shows here.
const char* const kText3 = "ERROR: couldn't open %s";
const char* const kText49 =
    "There isn't enough space in %s to perform the installation activities. The temporary work "
    "area should be at least %e bytes. Restart the installation procedure using a work area that "
    "has enough space. \nie: 1. Use /new_work_area_path in place of /tmp\n    2. Run `setup "
    "/new_work_area_path`\n";
const char* const kText55 =
    "There isn't enough space in %s to perform the installation activities. The install area "
    "should be at least %e bytes. Restart the installation procedure using an install area that "
    "has enough space. \nie: 1. Use /new_install_path in place of the default location\n    2. "
    "Run 'setup install /new_install_path'\n";
const char* const kText56 =
    "There isn't enough space to perform the installation activities. As you are using a "
    "working directory, %s on the same partition as the install directory you have selected, %s "
    "this install requires %e bytes free. Please re-run the install specifing a different "
    "location for a working directory or install directory. Please see the readme if you need "
    "help with the syntax.";
const char* const kText65 =
    "Could not determine how much space needed for install, missing isize.\n";
const char* const kQuestion = "Would you like to:\n"
                              "1.  Wait 30 seconds for these processes to terminate\n"
                              "2.  Quit the installation\n"
                              "\nEnter a selection:  ";
const char* const kRunning =
    "\nThe following processes are running.\nThe installer can not continue until these "
    "terminate:\n";

template <typename... A> std::string Format(const char* fmt, A... args) {
    char buf[2048];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
}

// A disk-free report per path prefix: the longest prefix of the asked path
// that has an entry answers with its file system name and available space.
// A disk-usage report per path.
struct Disks {
    std::map<std::string, std::pair<std::string, long>> df; // prefix -> fs, avail
    std::map<std::string, long> du;

    void Install() const {
        std::string table;
        for (const auto& [prefix, entry] : df)
            table += prefix + " " + entry.first + " " + std::to_string(entry.second) + "\n";
        WriteText("/srv/stub/df.table", table);
        std::string usage;
        for (const auto& [path, size] : du)
            usage += path + " " + std::to_string(size) + "\n";
        WriteText("/srv/stub/du.table", usage);
        WriteText("/usr/sbin/df",
                  "#!/bin/sh\n"
                  "for a; do p=$a; done\n"
                  "echo \"$p\" >> /srv/stub/df.asked\n"
                  "best=; fs=; avail=\n"
                  "while read prefix f n; do\n"
                  "  case \"$p\" in \"$prefix\"*) if [ ${#prefix} -ge ${#best} ]; then "
                  "best=$prefix; fs=$f; avail=$n; fi;; esac\n"
                  "done < /srv/stub/df.table\n"
                  "echo 'Filesystem     1K-blocks    Used Available Use% Mounted on'\n"
                  "[ -n \"$fs\" ] && echo \"$fs 1000000 0 $avail 0% /$fs\"\n"
                  "exit 0\n",
                  0755);
        WriteText("/usr/sbin/du",
                  "#!/bin/sh\n"
                  "for a; do p=$a; done\n"
                  "while read path n; do [ \"$path\" = \"$p\" ] && { printf '%s\\t%s\\n' \"$n\" "
                  "\"$p\"; exit 0; }; done < /srv/stub/du.table\n"
                  "printf '0\\t%s\\n' \"$p\"\n",
                  0755);
    }
};

// An install site of a package without files (tools/mksite), with the given
// size files in place of those the site builder writes.
void MakeSite(const char* isize = "100\n", const char* tsize = "200\n") {
    fs::remove_all(kSite);
    WriteText("/srv/emptypkg/pkg/pkg.list", "# no files\n");
    std::string mksite = BinaryDir() + "/bin/mksite";
    if (!fs::exists(mksite))
        mksite = SourceDir() + "/tools/mksite/mksite";
    const std::string command = mksite + " -q -p " + BinaryDir() + "/bin/setup /srv/emptypkg " +
                                kSite + " 2>/srv/mksite.err";
    ASSERT_EQ(std::system(command.c_str()), 0)
        << command << ": " << ReadFileText("/srv/mksite.err");
    fs::remove(kSite + "/isize");
    fs::remove(kSite + "/tsize");
    if (isize)
        WriteText(kSite + "/isize", isize);
    if (tsize)
        WriteText(kSite + "/tsize", tsize);
}

// Plenty of room everywhere, on one file system.
Disks Roomy() {
    Disks d;
    d.df["/"] = {"root", 1000000};
    return d;
}

ChildResult RunSetup(std::vector<std::string> args, std::string_view input = {},
                     const char* lang = nullptr) {
    return RunInChild(
        [&] {
            std::vector<char*> argv{const_cast<char*>(kSetup.c_str())};
            for (std::string& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            if (lang)
                setenv("LANG", lang, 1);
            else
                unsetenv("LANG");
            if (chdir(kSite.c_str()) != 0)
                _exit(126);
            execv(kSetup.c_str(), argv.data());
            _exit(127);
        },
        input);
}

class SetupRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(getuid(), 0u) << "runs as root inside the sandbox";
        MakeSite();
        Roomy().Install();
    }
    void TearDown() override {
        for (pid_t pid : started_)
            kill(pid, SIGKILL);
    }

    // Starts a copy of sleep under the given name.
    pid_t StartProgram(const std::string& name) {
        const pid_t pid = StartNamedSleep("/srv/bin/" + name, "300");
        started_.push_back(pid);
        return pid;
    }

    static void Stop(pid_t pid) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }

    std::vector<pid_t> started_;
};

TEST_F(SetupRun, VersionEndsTheRun) {
    const ChildResult r = RunSetup({"-v"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "setup 3.01.67\n");
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists("/tmp/ZorvoInstall")) << "nothing was made";
}

TEST_F(SetupRun, VersionAfterAWorkAreaDirectoryThatIsMadeFirst) {
    ASSERT_FALSE(fs::exists("/var/tmp/work"));
    const ChildResult r = RunSetup({"/var/tmp/work/", "-v"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "setup 3.01.67\n");
    EXPECT_TRUE(fs::is_directory("/var/tmp/work"));
    EXPECT_FALSE(fs::exists("/var/tmp/work/ZorvoInstall"));
}

TEST_F(SetupRun, AWorkAreaThatCannotBeMadeEndsWithStatusTwo) {
    const ChildResult r = RunSetup({"/etc/passwd/work"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "." + Format(kText3, "/etc/passwd/work") + "\n\n")
        << "the dot of the logged mkdir, then the text";
}

TEST_F(SetupRun, TheLogStartsWithTheSystemInitialisation) {
    const ChildResult r = RunSetup({"-v"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(ReadFileText("/tmp/setup.log"), "initializing system\n");
    struct stat st {};
    ASSERT_EQ(stat("/tmp/setup.log", &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0666u);
}

// The target that the installer settles on shows in the free-space text of
// the target's file system.
std::string TargetNamedBy(std::vector<std::string> args) {
    Disks d;
    d.df["/"] = {"root", 100};
    d.df["/tmp"] = {"tmpfs", 1000000};
    d.df["/usr"] = {"usrfs", 100};
    d.df["/opt"] = {"optfs", 100};
    d.Install();
    const ChildResult r = RunSetup(std::move(args));
    EXPECT_EQ(r.status, 0);
    const std::string prefix = "There isn't enough space in ";
    if (r.out.rfind(prefix, 0) != 0)
        return "unexpected: " + r.out;
    return r.out.substr(prefix.size(), r.out.find(" to perform") - prefix.size());
}

TEST_F(SetupRun, TheCommandLineSettlesTheTarget) {
    fs::create_directories("/opt");
    struct Case {
        std::vector<std::string> args;
        std::string target;
    } cases[] = {
        {{}, "/usr"},
        {{"install"}, "/usr"}, // install with nothing after it is ignored
        {{"install", "/opt/Zorvo/qvxx/"}, "/opt"},
        {{"install", "/opt/"}, "/opt"},
        {{"install", "/usr", "install", "/opt"}, "/opt"}, // the last one wins
        {{"install", "/"}, "/"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TargetNamedBy(c.args), c.target) << ::testing::PrintToString(c.args);
}

TEST_F(SetupRun, APreviousInstallationSettlesTheTarget) {
    fs::create_directories("/opt/Zorvo/qvxx");
    fs::create_directories("/usr/Zorvo");
    struct Case {
        const char* link; // null: a real directory
        std::string target;
    } cases[] = {
        {"/opt/Zorvo/qvxx", "/opt"},
        {"../opt/Zorvo/qvxx", "/usr/../opt"}, // read relative to /usr
        {nullptr, "/usr"},
    };
    for (const Case& c : cases) {
        fs::remove_all("/usr/Zorvo/qvxx");
        if (c.link)
            fs::create_symlink(c.link, "/usr/Zorvo/qvxx");
        else
            fs::create_directories("/usr/Zorvo/qvxx");
        EXPECT_EQ(TargetNamedBy({}), c.target) << (c.link ? c.link : "directory");
        EXPECT_EQ(TargetNamedBy({"install", "/opt"}), "/opt") << "the command line comes first";
    }
}

TEST_F(SetupRun, MissingSizeFilesRefuse) {
    for (const auto& [isize, tsize] :
         std::vector<std::pair<const char*, const char*>>{{nullptr, "200"}, {"100", nullptr}}) {
        MakeSite(isize, tsize);
        const ChildResult r = RunSetup({});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, kText65) << "the text speaks of isize in both cases";
    }
}

TEST_F(SetupRun, OneFileSystemNeedsBothSizesTogether) {
    // I = 100 + 40, T = 200 + 40: 380 in all.
    for (const auto& [avail, refused] :
         std::vector<std::pair<long, bool>>{{379, true}, {380, false}}) {
        Disks d;
        d.df["/"] = {"root", avail};
        d.Install();
        const ChildResult r = RunSetup({});
        EXPECT_EQ(r.status, 0);
        if (refused)
            EXPECT_EQ(r.out, Format(kText56, "/tmp/ZorvoInstall", "/usr", 380.0));
        else
            EXPECT_EQ(r.out.find("There isn't"), std::string::npos) << r.out;
    }
    EXPECT_EQ(Format("%e", 380.0), "3.800000e+02");
}

TEST_F(SetupRun, ReclaimableSpaceCountsOnOneFileSystem) {
    // 300 free, an old work area of 50 and a previous installation of 40.
    fs::create_directories("/tmp/ZorvoInstall");
    fs::create_directories("/usr/Zorvo/qvxx");
    Disks d;
    d.df["/"] = {"root", 300};
    d.du["/tmp/ZorvoInstall"] = 50;
    d.du["/usr/Zorvo/qvxx"] = 40;
    d.Install();
    ChildResult r = RunSetup({}, "2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("There isn't"), std::string::npos) << "300 + 50 + 40 >= 380: " << r.out;

    d.du["/usr/Zorvo/qvxx"] = 29;
    d.Install();
    r = RunSetup({}, "2\n");
    EXPECT_EQ(r.out, Format(kText56, "/tmp/ZorvoInstall", "/usr", 380.0)) << "300 + 50 + 29 < 380";
}

TEST_F(SetupRun, TwoFileSystemsAreCheckedApart) {
    fs::create_directories("/opt");
    struct Case {
        long work, target;
        std::string out;
    } cases[] = {
        {239, 1000, Format(kText49, "/tmp/ZorvoInstall", 240.0)}, // T = 240
        {240, 139, Format(kText55, "/opt", 140.0)},               // I = 140
        {240, 140, ""},
    };
    for (const Case& c : cases) {
        Disks d;
        d.df["/"] = {"root", 1000};
        d.df["/tmp"] = {"tmpfs", c.work};
        d.df["/opt"] = {"optfs", c.target};
        d.Install();
        const ChildResult r = RunSetup({"install", "/opt"});
        EXPECT_EQ(r.status, 0);
        if (c.out.empty())
            EXPECT_EQ(r.out.find("There isn't"), std::string::npos) << r.out;
        else
            EXPECT_EQ(r.out, c.out);
    }
}

TEST_F(SetupRun, AFullTargetFileSystemRefuses) {
    fs::create_directories("/opt");
    for (const auto& [avail, refused] :
         std::vector<std::pair<long, bool>>{{17, true}, {18, false}}) {
        Disks d;
        d.df["/"] = {"root", 1000};
        d.df["/opt"] = {"optfs", avail};
        d.Install();
        const ChildResult r = RunSetup({"install", "/opt"});
        EXPECT_EQ(r.status, 0);
        if (refused)
            EXPECT_EQ(r.out, Format(kText56, "/tmp/ZorvoInstall", "/opt", 380.0));
        else
            EXPECT_EQ(r.out, Format(kText55, "/opt", 140.0)) << "18 is not full, but too small";
    }
}

TEST_F(SetupRun, AMissingTargetIsMeasuredAtTheRoot) {
    Disks d;
    d.df["/"] = {"root", 100};
    d.df["/tmp"] = {"tmpfs", 1000};
    d.df["/var"] = {"varfs", 1000};
    d.Install();
    const ChildResult r = RunSetup({"install", "/var/new/place"});
    EXPECT_EQ(r.out, Format(kText55, "/var/new/place", 140.0))
        << "neither the target nor target/Zorvo exists: / is measured, not /var";
    const std::string asked = ReadFileText("/srv/stub/df.asked");
    EXPECT_EQ(asked.find("/var"), std::string::npos) << asked;
}

TEST_F(SetupRun, QuitAtTheProcessQuestion) {
    fs::create_directories("/usr/Zorvo/qvxx");
    const pid_t pid = StartProgram("qvadmin");
    const ChildResult r = RunSetup({}, "2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(kRunning) + "qvadmin ( " + std::to_string(pid) + " )\n\n" +
                         kQuestion + "...\n");
}

TEST_F(SetupRun, EndOfInputAtTheProcessQuestionQuits) {
    fs::create_directories("/usr/Zorvo/qvxx");
    const pid_t pid = StartProgram("ombrin");
    const ChildResult r = RunSetup({}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(kRunning) + "ombrin ( " + std::to_string(pid) + " )\n\n" +
                         kQuestion + "...\n");
}

TEST_F(SetupRun, OtherAnswersAskAgain) {
    fs::create_directories("/usr/Zorvo/qvxx");
    const pid_t pid = StartProgram("qvsf");
    const std::string shown =
        std::string(kRunning) + "qvsf ( " + std::to_string(pid) + " )\n\n" + kQuestion;
    const ChildResult r = RunSetup({}, "x\n2\n");
    EXPECT_EQ(r.out, shown + shown + "...\n");
}

TEST_F(SetupRun, ProgramsThatEndDuringTheWaitLetTheRunGoOn) {
    fs::create_directories("/usr/Zorvo/qvxx");
    const pid_t pid = StartProgram("qvadmin");
    std::thread stopper([pid] {
        sleep(2);
        Stop(pid);
    });
    const auto start = std::chrono::steady_clock::now();
    const ChildResult r = RunSetup({}, "1\n");
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count();
    stopper.join();
    EXPECT_EQ(r.status, 0);
    const std::string shown =
        std::string(kRunning) + "qvadmin ( " + std::to_string(pid) + " )\n\n" + kQuestion;
    EXPECT_EQ(r.out.substr(0, shown.size()), shown);
    EXPECT_EQ(r.out.find(kRunning, 1), std::string::npos) << "the question is not shown again";
    EXPECT_TRUE(fs::exists("/usr/Zorvo/qvxx/.qv_cfg")) << "the installation went on";
    EXPECT_GE(seconds, 5) << "the first look comes after 5 seconds";
    EXPECT_LT(seconds, 10);
}

TEST_F(SetupRun, NoQuestionWithoutAPreviousInstallation) {
    StartProgram("qvadmin");
    const ChildResult r = RunSetup({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find(kRunning), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists("/usr/Zorvo/qvxx/.qv_cfg")) << "installed";
}

TEST_F(SetupRun, CleanUpRemovesTheWorkAreaAndRunsTheQueueTool) {
    fs::create_directories("/tmp/ZorvoInstall/old");
    WriteText("/usr/Zorvo/qvxx/qvqadmin", "#!/bin/sh\necho \"$0 $*\" >> /srv/qvqadmin.calls\n",
              0755);
    const ChildResult r = RunSetup({}, "2\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_FALSE(fs::exists("/tmp/ZorvoInstall"));
    EXPECT_EQ(ReadFileText("/srv/qvqadmin.calls"),
              "/usr/Zorvo/qvxx/qvqadmin -upgrade\n/usr/Zorvo/qvxx/qvqadmin -clean\n");
    const std::string log = ReadFileText("/tmp/setup.log");
    EXPECT_NE(log.find("rm -rf  /tmp/ZorvoInstall\n"), std::string::npos) << log;
}

TEST_F(SetupRun, TextsInTheLanguageOfLang) {
    MakeSite(nullptr, "200");
    const ChildResult english = RunSetup({}, {}, "de_DE");
    EXPECT_EQ(english.out, kText65) << "de_DE is no known code";
    const ChildResult french = RunSetup({}, {}, "fr_FR.ISO8859-1");
    EXPECT_NE(french.out, kText65);
    EXPECT_FALSE(french.out.empty());
    const ChildResult french2 = RunSetup({}, {}, "fr_FR");
    EXPECT_EQ(french.out, french2.out) << "the part after the '.' does not count";
}

} // namespace
