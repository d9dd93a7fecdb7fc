// The generated scripts: what is written (shell line, banner with this year,
// filled template, permission bits), what happens when a script cannot be
// opened or written, and how the queue scripts and a launcher call the
// package's programs when they run. Stand-ins in the tool directory record
// their name, arguments, working directory, the variables they receive and
// their standard input in /srv/calls; a run of the print system is played by
// starting the script with the environment, arguments, directory and input
// it would give.
#include "SysCmd.h"
#include "child.h"
#include "setup.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

char testerName[] = "tester";
char target[] = "/srv/target";
char appDir[] = "/srv/target/Zorvo/qvxx";
const std::string kApp = appDir;
const std::string kCalls = "/srv/calls";

void WriteText(const std::string& path, const std::string& text, mode_t mode = 0644) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), mode);
}

mode_t Mode(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return 07777 + 1;
    return st.st_mode & 07777;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int ThisYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

// A program of the package that records how it was called. `qvsf` fails as
// many times as /srv/failures.qvsf says before it succeeds.
const char* const kRecorder =
    "#!/bin/sh\n"
    "{\n"
    "echo \"call $0\"\n"
    "for a in \"$@\"; do echo \"arg $a\"; done\n"
    "echo \"pwd `pwd`\"\n"
    "for v in PATH PRINTER SPOOL_DIR OmbrinFileSourceDir OmbrinQueue OmbrinPrinter "
    "OmbrinHost_name OmbrinUser_name OmbrinJob_title OmbrinControl_file OmbrinRequest_id "
    "OmbrinTitle OmbrinCopies OmbrinOption_list; do\n"
    "  eval \"if [ -n \\\"\\${$v+set}\\\" ]; then echo \\\"env $v=\\$$v\\\"; fi\"\n"
    "done\n"
    "for a in \"$@\"; do if [ -f \"$a\" ]; then echo \"data $a: `cat \"$a\"`\"; fi; done\n"
    "echo \"stdin `cat`\"\n"
    "} >> /srv/calls\n"
    "f=/srv/failures.`basename $0`\n"
    "if [ -s $f ]; then\n"
    "  n=`cat $f`\n"
    "  if [ $n -gt 0 ]; then echo `expr $n - 1` > $f; exit 1; fi\n"
    "fi\n"
    "exit 0\n";

// What the recorder wrote, the process id in temporary file names
// ("lp1.1234") replaced by "PID".
std::string Calls() {
    std::string text = ReadFileText(kCalls);
    for (std::size_t at = text.find("/lp"); at != std::string::npos;
         at = text.find("/lp", at + 1)) {
        std::size_t digits = at + 5; // behind "/lpN."
        if (digits > text.size() || !std::isdigit(static_cast<unsigned char>(text[at + 3])) ||
            text[at + 4] != '.')
            continue;
        std::size_t end = digits;
        while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end])))
            ++end;
        if (end > digits)
            text.replace(digits, end - digits, "PID");
    }
    return text;
}

struct Run {
    std::string script;            // the script, or a link to it
    std::string cwd;               // the directory it is started in
    std::vector<std::string> args; // its arguments
    std::vector<std::string> env;  // besides PATH=/usr/bin:/bin
    std::string input;             // its standard input
};

ChildResult Start(const Run& run) {
    return RunInChild(
        [&] {
            if (chdir(run.cwd.c_str()) != 0)
                _exit(126);
            std::vector<char*> argv{const_cast<char*>(run.script.c_str())};
            for (const std::string& a : run.args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            std::vector<char*> envp{const_cast<char*>("PATH=/usr/bin:/bin")};
            for (const std::string& e : run.env)
                envp.push_back(const_cast<char*>(e.c_str()));
            envp.push_back(nullptr);
            execve(run.script.c_str(), argv.data(), envp.data());
            _exit(127);
        },
        run.input);
}

class Scripts : public ::testing::Test {
protected:
    void SetUp() override {
        my_name = testerName;
        flUseLog = 1;
        InitSysCmdList();
        pTargetInstallDir = target;
        pAppDir = appDir;
        for (const char* p : {"/srv/target", "/srv/calls", "/srv/failures.qvsf", "/srv/lp",
                              "/srv/work", "/var/spool/lpd", "/var/spool/Zorvo"})
            fs::remove_all(p);
        fs::create_directories(appDir);
        fs::create_directories("/srv/work");
        umask(022);
    }

    // Writes both queue scripts into the tool directory with its stand-ins.
    static void MakeQueueScripts() {
        for (const char* program : {"qvrqvxxtty", "qvsf", "AixInterface"})
            WriteText(kApp + "/" + program, kRecorder, 0755);
        const ChildResult r = RunInChild([] { createQueueScripts("/var/spool/Zorvo"); });
        ASSERT_EQ(r.status, 0);
        ASSERT_EQ(r.err, "");
    }
};

// The print-subsystem file; null removes it.
void Configure(const char* content) {
    const std::string cfg = kApp + "/.qv_cfg";
    fs::remove(cfg);
    if (content)
        WriteText(cfg, content);
}

// ---------------------------------------------------------------------------
// What is written.

// The shell line and the banner of this year, in lines.
std::vector<std::string> ExpectedHead() {
    const std::string full(63, '#');
    const std::string empty = "##" + std::string(59, ' ') + "##";
    return {"#!/bin/sh", full, empty, "(notice)", empty, full, ""};
}

void ExpectHead(const std::vector<std::string>& lines) {
    const std::vector<std::string> head = ExpectedHead();
    ASSERT_GE(lines.size(), head.size());
    for (std::size_t i = 0; i < head.size(); ++i) {
        if (i == 3) {
            EXPECT_EQ(lines[i].size(), 63u);
            EXPECT_EQ(lines[i].substr(0, 3), "## ");
            EXPECT_EQ(lines[i].substr(60), " ##");
            EXPECT_NE(lines[i].find(" " + std::to_string(ThisYear()) + " "), std::string::npos)
                << lines[i];
        } else {
            EXPECT_EQ(lines[i], head[i]) << "line " << i + 1;
        }
    }
}

TEST_F(Scripts, QueueScriptsCarryTheBannerOfThisYearAndTheirFills) {
    MakeQueueScripts();
    const std::string print = ReadFileText(kApp + "/ZorvoPrintqvxx");
    const std::string filter = ReadFileText(kApp + "/ZorvoQVSF");
    EXPECT_EQ(Mode(kApp + "/ZorvoPrintqvxx"), 0755u);
    EXPECT_EQ(Mode(kApp + "/ZorvoQVSF"), 0755u);

    const std::vector<std::string> p = Lines(print);
    ExpectHead(p);
    ASSERT_GT(p.size(), 8u);
    EXPECT_EQ(p[7], "ToolPath=\"/srv/target/Zorvo/qvxx\"");
    EXPECT_EQ(print.substr(print.size() - 5), "\nesac");

    const std::vector<std::string> f = Lines(filter);
    ExpectHead(f);
    ASSERT_GT(f.size(), 10u);
    EXPECT_EQ(f[7], "ToolPath=\"/srv/target/Zorvo/qvxx\"");
    EXPECT_EQ(f[9], "SpoolDir=\"/var/spool/Zorvo/qvxx\"");
    EXPECT_EQ(filter.substr(filter.size() - 5), "\nesac");
}

TEST_F(Scripts, AnOlderScriptIsReplacedWhole) {
    WriteText(kApp + "/ZorvoQVSF", std::string(20000, '#'), 0600);
    MakeQueueScripts();
    const std::string filter = ReadFileText(kApp + "/ZorvoQVSF");
    EXPECT_EQ(filter.substr(0, 10), "#!/bin/sh\n");
    EXPECT_EQ(filter.substr(filter.size() - 5), "\nesac");
    EXPECT_EQ(Mode(kApp + "/ZorvoQVSF"), 0755u);
}

TEST_F(Scripts, AQueueScriptThatCannotBeOpenedOrWrittenIsReported) {
    struct Case {
        const char* path;
        const char* err;
    };
    const Case cases[] = {
        {"/srv/missing/ZorvoPrintqvxx", "ERROR: can't open file, /srv/missing/ZorvoPrintqvxx\n"},
        {"/dev/full", "ERROR: /dev/full: No space left on device\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ChildResult r = RunInChild([&] {
            std::printf("[%d ",
                        generateZorvoPrintqvxxScript(c.path, ScriptShShell, ZorvoPrintqvxxScript));
            std::printf("%d]", generateZorvoQVSFScript(c.path, ScriptShShell, ZorvoQVSFScript,
                                                       "/var/spool/Zorvo/qvxx"));
        });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "[0 0]");
        EXPECT_EQ(r.err, std::string(c.err) + c.err);
    }
    EXPECT_FALSE(fs::exists("/srv/missing"));
}

TEST_F(Scripts, LauncherIsWrittenAndRunsTheProgramFromTheToolDirectory) {
    WriteText(kApp + "/bin/qvtool", kRecorder, 0755);
    const std::string program = kApp + "/bin/qvtool";
    const ChildResult r = RunInChild([] {
        GenSimpleScript("/usr/bin/qvtool", ScriptShShell, SimpleScript, appDir, appDir,
                        "bin/qvtool");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(Mode("/usr/bin/qvtool"), 0755u);
    const std::string text = ReadFileText("/usr/bin/qvtool");
    const std::vector<std::string> lines = Lines(text);
    ExpectHead(lines);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.end()),
              (std::vector<std::string>{
                  "", "OmbrinFileSourceDir=`pwd`", "export OmbrinFileSourceDir", "",
                  "cd /srv/target/Zorvo/qvxx", "exec /srv/target/Zorvo/qvxx/bin/qvtool $*"}));
    EXPECT_EQ(text.back(), '\n');

    const ChildResult run =
        Start({"/usr/bin/qvtool", "/srv/work", {"-x", "report.txt"}, {}, "typed\n"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Calls(), "call " + program +
                           "\narg -x\narg report.txt\npwd /srv/target/Zorvo/qvxx\n"
                           "env PATH=/usr/bin:/bin\nenv OmbrinFileSourceDir=/srv/work\n"
                           "stdin typed\n");
}

TEST_F(Scripts, ALauncherThatCannotBeOpenedIsLeftOutSilently) {
    const ChildResult r = RunInChild([] {
        GenSimpleScript("/srv/missing/qvtool", ScriptShShell, SimpleScript, appDir, appDir,
                        "bin/qvtool");
        std::printf("[went on]");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "[went on]");
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists("/srv/missing"));
}

// ---------------------------------------------------------------------------
// The queue scripts at work.

struct QueueCase {
    const char* name;
    const char* cfg; // the print-subsystem file, null for none
    Run run;
    int failures;         // times qvsf fails before it succeeds
    std::string expected; // what the programs recorded
    std::function<void()> after = [] {};
};

const std::string kLp1 = "/var/spool/lpd/lp1";
const std::string kCall = "call " + kApp;

void RunQueueCases(const std::vector<QueueCase>& cases) {
    for (const QueueCase& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(kCalls);
        fs::remove_all("/var/spool/Zorvo/qvxx/lp1");
        fs::create_directories("/var/spool/Zorvo/qvxx/lp1");
        fs::remove_all(kLp1);
        fs::create_directories(kLp1);
        fs::remove_all("/var/spool/lpd/lp7");
        fs::create_directories("/var/spool/lpd/lp7");
        WriteText("/srv/failures.qvsf", std::to_string(c.failures) + "\n");
        Configure(c.cfg);
        const ChildResult r = Start(c.run);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(Calls(), c.expected);
        c.after();
    }
}

TEST_F(Scripts, PrintQueueScriptCallsTheTtyProgramAsEachSpoolerNeedsIt) {
    MakeQueueScripts();
    fs::create_directories("/srv/lp/interfaces");
    fs::create_symlink(kApp + "/ZorvoPrintqvxx", "/srv/lp/interfaces/lp5");
    const std::string script = kApp + "/ZorvoPrintqvxx";
    const std::string control = "Hhost1\nPalice\nJreport.txt\nNreport.txt\nQlp2\n"
                                "Zduplex,landscape\nUdfA017host1\nldfA017host1\n";
    const std::vector<std::string> v5args = {"lp5-12",   "alice",        "Quarterly###1", "2",
                                             "nobanner", "/srv/work/f1", "/srv/work/f2"};
    const std::string v5 = kCall +
                           "/qvrqvxxtty\narg -dlp5\narg -i\narg /srv/work/f1\n"
                           "arg /srv/work/f2\npwd " +
                           kApp +
                           "\nenv PATH=/usr/sbin:/usr/bin\nenv OmbrinPrinter=lp5\n"
                           "env OmbrinUser_name=alice\nenv OmbrinRequest_id=lp5-12\n"
                           "env OmbrinTitle=Quarterly\nenv OmbrinCopies=2\n"
                           "env OmbrinOption_list=nobanner\ndata /srv/work/f1: page\n"
                           "data /srv/work/f2: page\nstdin \n";
    WriteText("/srv/work/f1", "page\n");
    WriteText("/srv/work/f2", "page\n");
    const std::vector<QueueCase> cases = {
        {"BSD: the queue directory names the printer; output into its log",
         " BSD ",
         {script, kLp1, {"-w132", "-l66", "-i0", "-n", "alice", "-h", "host1"}, {}, "job\n"},
         0,
         kCall + "/qvrqvxxtty\narg -dlp1\narg -f\npwd " + kLp1 +
             "\nenv PATH=/usr/bin:/bin\nstdin job\n",
         [] { EXPECT_TRUE(fs::exists(kLp1 + "/ombrinqvxx.log")); }},
        {"LPRng: the control file gives queue, options, title and job names",
         " LPRng ",
         {script,
          kLp1,
          {"-Apr@host1+17", "-Hhost1", "-Palice"},
          {"PRINTER=lp1", "SPOOL_DIR=" + kLp1, "CONTROL=" + control},
          "job\n"},
         0,
         kCall +
             "/qvrqvxxtty\narg -dlp2\narg -f\narg -oduplex\narg -olandscape\n"
             "arg report.txt\npwd " +
             kApp + "\nenv PATH=/usr/bin:/bin\nenv PRINTER=lp1\nenv SPOOL_DIR=" + kLp1 +
             "\nenv OmbrinFileSourceDir=" + kLp1 +
             "\nenv OmbrinQueue=lp2\nenv OmbrinHost_name=host1\nenv OmbrinUser_name=alice\n"
             "env OmbrinJob_title=report.txt\nenv OmbrinControl_file=cfA017host1\nstdin \n"},
        {"LPRng without a queue line: PRINTER names the queue",
         " LPRng ",
         {script, kLp1, {"-Apr@host1+18"}, {"PRINTER=lp4", "CONTROL=Hhost1\nPbob\n"}, ""},
         0,
         kCall + "/qvrqvxxtty\narg -dlp4\narg -f\npwd " + kApp +
             "\nenv PATH=/usr/bin:/bin\nenv PRINTER=lp4\nenv OmbrinFileSourceDir=" + kLp1 +
             "\nenv OmbrinHost_name=host1\nenv OmbrinUser_name=bob\nstdin \n"},
        {"LPRng without PRINTER: the spool directory names the queue",
         " LPRng ",
         {script, kLp1, {"-Apr@host1+19"}, {"SPOOL_DIR=/var/spool/lpd/lp3", "CONTROL=Pbob\n"}, ""},
         0,
         kCall + "/qvrqvxxtty\narg -dlp3\narg -f\npwd " + kApp +
             "\nenv PATH=/usr/bin:/bin\nenv SPOOL_DIR=/var/spool/lpd/lp3\n"
             "env OmbrinFileSourceDir=" +
             kLp1 + "\nenv OmbrinUser_name=bob\nstdin \n"},
        {"V5: the script's name is the printer's; the title loses its ### tail",
         " V5 ",
         {"/srv/lp/interfaces/lp5", "/srv/work", v5args, {}, ""},
         0,
         v5},
        {"no print-subsystem file: V5",
         nullptr,
         {"/srv/lp/interfaces/lp5", "/srv/work", v5args, {}, ""},
         0,
         v5},
        {"CUPS: PRINTER names the printer",
         " CUPS ",
         {script,
          "/srv/work",
          {"17", "bob", "Quarterly###1", "1", "media=A4", "/srv/work/f1"},
          {"PRINTER=lp6"},
          ""},
         0,
         kCall + "/qvrqvxxtty\narg -dlp6\narg -i\narg /srv/work/f1\npwd " + kApp +
             "\nenv PATH=/usr/sbin:/usr/bin\nenv PRINTER=lp6\nenv OmbrinPrinter=lp6\n"
             "env OmbrinUser_name=bob\nenv OmbrinRequest_id=17\nenv OmbrinTitle=Quarterly###1\n"
             "env OmbrinCopies=1\nenv OmbrinOption_list=media=A4\n"
             "data /srv/work/f1: page\nstdin \n"},
        {"AIX: the interface program gets the arguments",
         " AIX ",
         {script, "/srv/work", {"-x", "file 1"}, {}, "job\n"},
         0,
         kCall + "/AixInterface\narg -x\narg file\narg 1\npwd " + kApp +
             "\nenv PATH=/usr/bin:/bin\nstdin job\n"},
    };
    RunQueueCases(cases);
}

TEST_F(Scripts, SpoolFilterScriptCallsQvsfUntilItSucceeds) {
    MakeQueueScripts();
    fs::create_directories("/srv/lp/interfaces");
    fs::create_symlink(kApp + "/ZorvoQVSF", "/srv/lp/interfaces/lp5");
    const std::string script = kApp + "/ZorvoQVSF";
    const std::string lp7 = "/var/spool/lpd/lp7";
    const std::vector<std::string> v5args = {"lp5-12",   "alice",        "Quarterly###1", "2",
                                             "nobanner", "/srv/work/f1", "/srv/work/f2"};
    WriteText("/srv/work/f1", "page\n");
    WriteText("/srv/work/f2", "page\n");
    const std::string v5call = kCall + "/qvsf\narg /srv/work/f1\narg /srv/work/f2\npwd " + kApp +
                               "\nenv PATH=/usr/sbin:/usr/bin\nenv OmbrinPrinter=lp5\n"
                               "env OmbrinUser_name=alice\nenv OmbrinRequest_id=lp5-12\n"
                               "env OmbrinTitle=Quarterly###1\nenv OmbrinCopies=2\n"
                               "env OmbrinOption_list=nobanner\ndata /srv/work/f1: page\n"
                               "data /srv/work/f2: page\nstdin \n";
    const std::string bsdJob = "/var/spool/Zorvo/qvxx/lp1/lp1.PID";
    const std::string bsdCall = kCall + "/qvsf\narg " + bsdJob + "\npwd " + kLp1 +
                                "\nenv PATH=/usr/bin:/bin\ndata " + bsdJob + ": page 1\nstdin \n";
    const std::string lprngJob = lp7 + "/lp7.PID";
    const std::string lprngCall = kCall + "/qvsf\narg " + lprngJob + "\npwd " + lp7 +
                                  "\nenv PATH=/usr/bin:/bin\nenv SPOOL_DIR=" + lp7 + "\ndata " +
                                  lprngJob + ": page 2\nstdin \n";
    const auto empty = [](const std::string& dir) {
        return [dir] { EXPECT_TRUE(fs::is_empty(dir)) << dir; };
    };
    const std::vector<QueueCase> cases = {
        {"BSD: the job is kept in the spool queue directory while qvsf runs",
         " BSD ",
         {script, kLp1, {"-w132", "-l66"}, {}, "page 1\n"},
         1,
         bsdCall + bsdCall,
         empty("/var/spool/Zorvo/qvxx/lp1")},
        {"LPRng: the files of the -f options",
         " LPRng ",
         {script,
          lp7,
          {"-Plp7", "-fdoc1.ps", "-f", "doc2.ps", "-Jtitle"},
          {"SPOOL_DIR=" + lp7},
          "unread\n"},
         0,
         kCall + "/qvsf\narg doc1.ps\narg doc2.ps\npwd " + lp7 +
             "\nenv PATH=/usr/bin:/bin\nenv SPOOL_DIR=" + lp7 + "\nstdin unread\n"},
        {"LPRng: a job on standard input is kept in SPOOL_DIR while qvsf runs",
         " LPRng ",
         {script, lp7, {"-Plp7", "-f", "(stdin)", "-Jtitle"}, {"SPOOL_DIR=" + lp7}, "page 2\n"},
         2,
         lprngCall + lprngCall + lprngCall,
         empty(lp7)},
        {"V5: the script's name is the printer's, the files follow five arguments",
         " V5 ",
         {"/srv/lp/interfaces/lp5", "/srv/work", v5args, {}, ""},
         1,
         v5call + v5call},
        {"no print-subsystem file: V5",
         nullptr,
         {"/srv/lp/interfaces/lp5", "/srv/work", v5args, {}, ""},
         0,
         v5call},
        {"CUPS: PRINTER names the printer",
         " CUPS ",
         {script,
          "/srv/work",
          {"17", "bob", "Quarterly###1", "1", "media=A4", "/srv/work/f1"},
          {"PRINTER=lp6"},
          ""},
         1,
         [] {
             const std::string call =
                 kCall + "/qvsf\narg /srv/work/f1\npwd " + kApp +
                 "\nenv PATH=/usr/sbin:/usr/bin\nenv PRINTER=lp6\nenv OmbrinPrinter=lp6\n"
                 "env OmbrinUser_name=bob\nenv OmbrinRequest_id=17\n"
                 "env OmbrinTitle=Quarterly###1\nenv OmbrinCopies=1\n"
                 "env OmbrinOption_list=media=A4\ndata /srv/work/f1: page\nstdin \n";
             return call + call;
         }()},
        {"AIX: qvsf gets the arguments",
         " AIX ",
         {script, "/srv/work", {"-x", "/srv/work/f1"}, {}, "job\n"},
         1,
         kCall + "/qvsf\narg -x\narg /srv/work/f1\npwd " + kApp +
             "\nenv PATH=/usr/bin:/bin\ndata /srv/work/f1: page\nstdin job\n" + kCall +
             "/qvsf\narg -x\narg /srv/work/f1\npwd " + kApp +
             "\nenv PATH=/usr/bin:/bin\ndata /srv/work/f1: page\nstdin \n"},
    };
    RunQueueCases(cases);
}

} // namespace
