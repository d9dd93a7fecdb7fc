// File creation and removal through the command table, the one-text file
// writer and the direct shell runner, seen through the run log and the
// files they leave. Runs inside the sandbox; every case runs in a child.
#include "MemMgr.h"
#include "SysCmd.h"
#include "child.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kLog = "/tmp/zvtest.log";
constexpr const char* kHead = "initializing system\n";

struct stat StatOf(const std::string& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        st.st_mode = 0;
    return st;
}

// The command line the log shows for entry n with the caller's text.
std::string Logged(int n, const std::string& args) {
    return std::string(ComList[31].pPath) + "/sh -c \"" + ComList[n].pPath + "/" +
           ComList[n].pCommand + " " + ComList[n].pFlags + " " + args + "\n";
}

class FileOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove(kLog);
        fs::remove_all("/opt/x");
        fs::remove_all("/opt/d");
        fs::create_directories("/opt/d");
        chmod("/opt/d", 0700);
    }
    // Runs fn after the start of a logged run; the log lines the commands
    // are expected to give are formed in the child, where the table is full.
    ChildResult Run(const std::function<void()>& fn) {
        return RunInChild([&] {
            my_name = SaveStr_("zvtest");
            flUseLog = 1;
            InitSysCmdList();
            fn();
        });
    }
};

TEST_F(FileOpsTest, CreateFileMakesDirectoryFileAndMode) {
    std::string expected;
    const ChildResult r = Run([&] {
        umask(077);
        CreateFile("/opt/x/y", "f", "644", nullptr, nullptr);
        std::fprintf(
            stderr, "%s",
            (Logged(26, "/opt/x/y") + Logged(35, "/opt/x/y/f") + Logged(5, "644 /opt/x/y/f"))
                .c_str());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "...");
    EXPECT_EQ(ReadFileText(kLog), kHead + r.err);
    EXPECT_NE(r.err.find("mkdir -p /opt/x/y\n"), std::string::npos);
    EXPECT_EQ(StatOf("/opt/x/y/f").st_mode, S_IFREG | 0644);
}

TEST_F(FileOpsTest, CreateFileWithoutNameWorksOnTheDirectory) {
    const ChildResult r = Run([] {
        CreateFile("/opt/d", nullptr, "775", "1234", "5678");
        std::fprintf(stderr, "%s",
                     (Logged(5, "775 /opt/d") + Logged(6, "1234 /opt/d") + Logged(4, "5678 /opt/d"))
                         .c_str());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "...");
    EXPECT_EQ(ReadFileText(kLog), kHead + r.err);
    const struct stat st = StatOf("/opt/d");
    EXPECT_EQ(st.st_mode, S_IFDIR | 0775);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 5678u);
}

TEST_F(FileOpsTest, CreateFileEndsAtTheFirstFailure) {
    const ChildResult r = Run([] {
        CreateFile("/opt/d", "f", "999", "root", nullptr);
        std::puts("went on");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "..ERROR: exit status 1\n");
    const std::string log = ReadFileText(kLog);
    EXPECT_TRUE(log.ends_with("\nERROR: exit status 1\n")) << log;
    EXPECT_EQ(log.find("chown"), std::string::npos);
}

TEST_F(FileOpsTest, CreateFileRefusesAPathThatDoesNotFit) {
    const std::string name(600, 'n');
    const ChildResult r = Run([&] { CreateFile("/opt/d", name.c_str(), "644", nullptr, nullptr); });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: path too long (607 bytes, at most 511)\n");
    EXPECT_EQ(ReadFileText(kLog),
              std::string(kHead) + "ERROR: path too long (607 bytes, at most 511)\n");
    EXPECT_TRUE(fs::is_empty("/opt/d"));
}

TEST_F(FileOpsTest, MissingFilesRunNothing) {
    const ChildResult r = Run([] {
        DeleteFile(nullptr, "/tmp/gone");
        DeleteFile("/opt/d", "gone");
        DeleteFile(nullptr, nullptr);
        DeleteFile_("/opt/d/gone", nullptr);
        DeleteFile_("/opt/d", "gone");
        DeleteFile_(nullptr, "/opt/d");
        RenameFile("/opt/d", "gone", "new");
        RenameFile(nullptr, "/opt/d/gone", "/opt/d/new");
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFileText(kLog), kHead);
    EXPECT_TRUE(fs::exists("/opt/d"));
}

TEST_F(FileOpsTest, DeleteRemovesTreesAndRenameMovesUnlogged) {
    for (const char* dir : {"/opt/d/t1/a", "/opt/d/t2/b", "/opt/d/t3"})
        fs::create_directories(dir);
    std::FILE* f = std::fopen("/opt/d/old", "w");
    std::fclose(f);
    f = std::fopen("/opt/d/old2", "w");
    std::fclose(f);
    const ChildResult r = Run([] {
        DeleteFile("/opt/d", "t1");
        DeleteFile_("/opt/d/t2", nullptr);
        DeleteFile(nullptr, "/opt/d/t3");
        RenameFile("/opt/d", "old", "new");
        RenameFile(nullptr, "/opt/d/old2", "/opt/d/new2");
        std::fprintf(
            stderr, "%s",
            (Logged(30, "/opt/d/t1") + Logged(30, "/opt/d/t2") + Logged(30, "/opt/d/t3")).c_str());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "...");
    EXPECT_EQ(ReadFileText(kLog), kHead + r.err);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator("/opt/d"))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"new", "new2"}));
}

TEST_F(FileOpsTest, CreateTextFileSetsItsPermissionWhateverTheMask) {
    struct Case {
        mode_t mask;
        int perm;
        mode_t mode;
    };
    const Case cases[] = {{077, 0644, 0644}, {0, 0644, 0644}, {022, 0600, 0600}, {027, 0, 0640}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        fs::remove("/opt/d/cfg");
        const ChildResult r = RunInChild([&] {
            umask(c.mask);
            std::printf("%d", CreateTextFile("/opt/d/cfg", "w", c.perm, "%s=%d\n", "lpd", 1));
        });
        EXPECT_EQ(r.out, "1");
        EXPECT_EQ(ReadFileText("/opt/d/cfg"), "lpd=1\n");
        EXPECT_EQ(StatOf("/opt/d/cfg").st_mode, S_IFREG | c.mode);
    }
    const ChildResult r = RunInChild(
        [] { std::printf("%d", CreateTextFile("/opt/none/cfg", "w", 0644, "%s", "x")); });
    EXPECT_EQ(r.out, "0");
    EXPECT_EQ(r.err, "ERROR: couldn't open /opt/none/cfg\n");
}

TEST(SysCmdP, JudgesTheStatusAndPauses) {
    struct Case {
        int level;
        const char* line;
        int status;
        const char* out;
        const char* err;
    };
    const std::string huge = "echo " + std::string(600, 'a');
    const Case cases[] = {
        {1, "true", 0, "true\n0\n", ""},
        {1, "exit 3", 0, "exit 3\n3\n", "ERROR: exit status 3\n"},
        {0, "exit 3", 0, "3\n", ""},
        {5, "echo hi", 0, "hi\n0\n", ""},
        {2, "/usr/bin/false -x", 1, "/usr/bin/false -x\n",
         "ERROR: unable to locate system command '/usr/bin/false': exit status 1\n"},
        {2, "kill -9 $$", 1, "kill -9 $$\n",
         "ERROR: unable to locate system command 'kill': killed by signal 9\n"},
        {1, huge.c_str(), 0, "-1\n",
         "ERROR: command line too long (605 bytes, at most 511), not run\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        double seconds = 0;
        const ChildResult r = RunInChild([&] {
            errno = c.level == 1 ? EIO : 0;
            const auto start = std::chrono::steady_clock::now();
            const int code = SysCmdP(c.level, "%s", c.line);
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::printf("%d\n", code);
            std::exit(seconds >= 1.0 ? 0 : 9);
        });
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
    }
}

} // namespace
