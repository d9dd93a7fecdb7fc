// Openers, file metadata, directory listings, file lookup, the current input
// file, whole-file readers and the paths of the running system.
#include "MemMgr.h"
#include "child.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace {

char testerName[] = "tester";

void NameProgram() {
    my_name = testerName;
}

// Gives up root in a child, so that permission bits apply to it.
void DropRoot() {
    if (geteuid() != 0)
        return;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
        _exit(99);
}

// Ends a child with status, its output flushed.
[[noreturn]] void Finish(int status) {
    std::fflush(nullptr);
    _exit(status);
}

std::string Str(const char* s) {
    return s ? s : "(null)";
}

// The names of a name list, after checking its form: every name preceded by
// one blank, one more blank at the end.
std::multiset<std::string> Names(const char* list) {
    EXPECT_NE(list, nullptr);
    if (!list)
        return {};
    const std::string text(list);
    EXPECT_GE(text.size(), 1u);
    EXPECT_EQ(text.front(), ' ');
    EXPECT_EQ(text.back(), ' ');
    EXPECT_EQ(text.find("  "), std::string::npos) << text;
    std::multiset<std::string> names;
    std::istringstream in(text);
    for (std::string name; in >> name;)
        names.insert(name);
    return names;
}

void MakeDir(const std::string& path, mode_t mode = 0755) {
    ASSERT_EQ(mkdir(path.c_str(), mode), 0) << path << ": " << std::strerror(errno);
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

// Writes a file below s whose path is exactly len characters long, creating
// directories of 200-character names on the way; returns the path.
std::string FileWithPathLength(const ScratchDir& s, std::size_t len, std::string_view content) {
    std::string path = s.path();
    while (len - path.size() > 201) {
        path += "/" + std::string(200, 'd');
        mkdir(path.c_str(), 0755);
    }
    path += "/" + std::string(len - path.size() - 1, 'f');
    s.Write(path.substr(s.path().size() + 1), content);
    return path;
}

std::string DirOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}
std::string BaseOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// Pool nodes in use, to see that a call gives back what it took.
long PoolNodesInUse() {
    long used = 0;
    for (const MemBlock* b = pMemB; b; b = b->pNext)
        used += b->Size > MEM_BLOCK_SIZE ? MEM_BLOCK_NODES : MEM_BLOCK_NODES - b->FreeNodeCount;
    return used;
}

// ---------------------------------------------------------------------------
// Metadata

TEST(FileMetadata, SizeTimeAndType) {
    ScratchDir s;
    const std::string file = s.Write("f", "12345");
    const timeval times[2] = {{1000000000, 0}, {1000000000, 0}};
    ASSERT_EQ(utimes(file.c_str(), times), 0);
    MakeDir(s / "dir");
    ASSERT_EQ(symlink("dir", (s / "tolink").c_str()), 0);
    ASSERT_EQ(symlink("missing", (s / "dangling").c_str()), 0);
    ASSERT_EQ(mkfifo((s / "fifo").c_str(), 0644), 0);

    EXPECT_EQ(GetFileSize(file.c_str()), 5);
    EXPECT_EQ(GetFileTime(file.c_str()), 1000000000);
    for (const char* missing : {"missing", "dangling"}) {
        EXPECT_EQ(GetFileSize((s / missing).c_str()), 0) << missing;
        EXPECT_EQ(GetFileTime((s / missing).c_str()), 0) << missing;
    }
    EXPECT_EQ(GetFileSize(nullptr), 0);

    const struct {
        const char* name;
        int type;
    } types[] = {{"missing", FILETYPE_NONE},  {"dir", FILETYPE_DIR}, {"tolink", FILETYPE_LINK},
                 {"dangling", FILETYPE_LINK}, {"f", FILETYPE_OTHER}, {"fifo", FILETYPE_OTHER}};
    for (const auto& t : types)
        EXPECT_EQ(GetFileType((s / t.name).c_str()), t.type) << t.name;
}

// ---------------------------------------------------------------------------
// Openers

TEST(OpenFile, OpensWithTheGivenMode) {
    ScratchDir s;
    const std::string path = s / "new";
    FILE* f = OpenFile(nullptr, path.c_str(), "w", 2);
    ASSERT_NE(f, nullptr);
    std::fputs("written\n", f);
    f = OpenFile(f, path.c_str(), "r", 2); // closes (and so flushes) the first stream
    ASSERT_NE(f, nullptr);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "written\n");
    std::fclose(f);
}

TEST(OpenFile, FailureReportedByLevel) {
    ScratchDir s;
    const std::string path = s / "missing";
    const struct {
        int level;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {0, 0, "returned null", ""},
        {1, 0, "returned null", "ERROR: can't open file, " + path + "\n"},
        {2, 1, "", "\ntester: can't open file, " + path + " : No such file or directory\n"},
        {7, 0, "returned null", ""},
    };
    for (const auto& c : cases) {
        const ChildResult r = RunInChild([&] {
            NameProgram();
            if (!OpenFile(nullptr, path.c_str(), "r", c.level))
                std::fputs("returned null", stdout);
        });
        EXPECT_EQ(r.status, c.status) << "level " << c.level;
        EXPECT_EQ(r.out, c.out) << "level " << c.level;
        EXPECT_EQ(r.err, c.err) << "level " << c.level;
    }
}

TEST(OpenFileF, FormatsThePath) {
    ScratchDir s;
    s.Write("sub/name.txt", "content");
    FILE* const f =
        OpenFileF(nullptr, "r", 1, "%s/%s/%s.%s", s.path().c_str(), "sub", "name", "txt");
    ASSERT_NE(f, nullptr);
    char line[32] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
    EXPECT_STREQ(line, "content");
    std::fclose(f);
}

// A path of 511 characters fits the format buffer; one of 512 is refused, even
// when the file exists, instead of overrunning the buffer.
TEST(OpenFileF, PathLongerThanItsBufferIsRefused) {
    ScratchDir s;
    const std::string fits = FileWithPathLength(s, 511, "fits");
    const std::string tooLong = FileWithPathLength(s, 512, "too long");
    FILE* const f = OpenFileF(nullptr, "r", 2, "%s", fits.c_str());
    ASSERT_NE(f, nullptr);
    std::fclose(f);

    errno = 0;
    EXPECT_EQ(OpenFileF(nullptr, "r", 0, "%s", tooLong.c_str()), nullptr);
    EXPECT_EQ(errno, ENAMETOOLONG);

    const std::string cut = tooLong.substr(0, 511);
    const ChildResult warn = RunInChild([&] {
        OpenFileF(nullptr, "r", 1, "%s/%s", DirOf(tooLong).c_str(), BaseOf(tooLong).c_str());
    });
    EXPECT_EQ(warn.status, 0);
    EXPECT_EQ(warn.err, "ERROR: can't open file, " + cut + "\n");

    const ChildResult fatal = RunInChild([&] {
        NameProgram();
        OpenFileF(nullptr, "r", 2, "%s", tooLong.c_str());
        std::fputs("went on", stdout);
    });
    EXPECT_EQ(fatal.status, 1);
    EXPECT_EQ(fatal.out, "");
    EXPECT_EQ(fatal.err, "\ntester: can't open file, " + cut + " : File name too long\n");
}

TEST(OpenRawFile, DescriptorOrMessageOnStandardOutput) {
    ScratchDir s;
    const std::string file = s.Write("raw", "raw bytes");
    const int fd = OpenRawFile(file.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buf[16] = {};
    EXPECT_EQ(read(fd, buf, sizeof buf - 1), 9);
    EXPECT_STREQ(buf, "raw bytes");
    close(fd);

    const std::string missing = s / "missing";
    const ChildResult r = RunInChild([&] { Finish(OpenRawFile(missing.c_str(), O_RDONLY) == -1); });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "ERROR: can't open file, " + missing);
    EXPECT_EQ(r.err, "");
}

TEST(OpenRawFile, CreatedFileGetsOrdinaryPermissions) {
    ScratchDir s;
    const std::string path = s / "created";
    const ChildResult r = RunInChild([&] {
        umask(022);
        const int fd = OpenRawFile(path.c_str(), O_CREAT | O_WRONLY);
        Finish(fd < 0 ? 2 : 0);
    });
    ASSERT_EQ(r.status, 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);
}

// ---------------------------------------------------------------------------
// Directory listings

TEST(ReadDir, NamesUntilTheEnd) {
    ScratchDir s;
    s.Write("only", "");
    DIR* const dir = opendir(s.path().c_str());
    ASSERT_NE(dir, nullptr);
    std::multiset<std::string> names;
    while (const char* name = ReadDir(dir, nullptr))
        names.insert(name);
    EXPECT_EQ(ReadDir(dir, nullptr), nullptr);
    closedir(dir);
    EXPECT_EQ(names, (std::multiset<std::string>{".", "..", "only"}));
    EXPECT_EQ(ReadDir(nullptr, nullptr), nullptr);
}

TEST(GetDirFileList, EveryEntryAsNameList) {
    ScratchDir s;
    MakeDir(s / "empty");
    char* list = GetDirFileList((s / "empty").c_str());
    EXPECT_EQ(Names(list), (std::multiset<std::string>{".", ".."}));
    EXPECT_EQ(StrLen(list), 6);
    PutMem(list);

    s.Write("full/a", "");
    s.Write("full/b.c", "");
    MakeDir(s / "full/sub");
    list = GetDirFileList((s / "full").c_str());
    EXPECT_EQ(Names(list), (std::multiset<std::string>{".", "..", "a", "b.c", "sub"}));
    EXPECT_EQ(StrLen(list), 2 + 3 + 2 + 4 + 4 + 1) << list;
    PutMem(list);

    EXPECT_EQ(GetDirFileList((s / "missing").c_str()), nullptr);
    EXPECT_EQ(GetDirFileList((s / "full/a").c_str()), nullptr);
    EXPECT_EQ(GetDirFileList(nullptr), nullptr);
}

TEST(SearchDirFileList, NamesWithTheExtensionAfterTheirLastDot) {
    ScratchDir s;
    for (const char* name : {"x.txt", "y.tar.txt", ".txt", "z.txtx", "txt", "w.TXT", "v.txt.gz"})
        s.Write(name, "");
    char* const list = SearchDirFileList(s.path().c_str(), "txt");
    EXPECT_EQ(Names(list), (std::multiset<std::string>{"x.txt", "y.tar.txt", ".txt"}));
    PutMem(list);

    EXPECT_EQ(SearchDirFileList(s.path().c_str(), "doc"), nullptr);
    EXPECT_EQ(SearchDirFileList((s / "missing").c_str(), "txt"), nullptr);
    EXPECT_EQ(SearchDirFileList(s.path().c_str(), nullptr), nullptr);
}

// ---------------------------------------------------------------------------
// Existence

TEST(FindFile, LooksNamesUpInTheListing) {
    ScratchDir s;
    s.Write("f", "");
    s.Write("sub/g", "");
    s.Write("a/b/b", "");
    MakeDir(s / "x");
    MakeDir(s / "x/y");
    ASSERT_EQ(symlink("nowhere", (s / "dangling").c_str()), 0);
    const std::string d = s.path(), f = s / "f", g = s / "sub/g", ab = s / "a/b/", xy = s / "x/y/",
                      missing = s / "missing";
    const struct {
        const char* dir;
        const char* name;
        int found;
    } cases[] = {
        {d.c_str(), "f", 1},        {d.c_str(), "F", 0},
        {d.c_str(), "dangling", 1}, {d.c_str(), "missing", 0},
        {d.c_str(), "sub/g", 1},    {d.c_str(), "sub/h", 0},
        {nullptr, f.c_str(), 1},    {f.c_str(), nullptr, 1},
        {f.c_str(), "", 1},         {g.c_str(), nullptr, 1},
        {ab.c_str(), nullptr, 1}, // 'b' inside a/b
        {xy.c_str(), nullptr, 0}, // 'y' inside x/y
        {missing.c_str(), "f", 0},  {"/", "/", 1},
        {nullptr, nullptr, 0},      {nullptr, "", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFile(c.dir, c.name), c.found) << Str(c.dir) << " , " << Str(c.name);
    // No entry has a name this long.
    EXPECT_EQ(FindFile(d.c_str(), std::string(600, 'n').c_str()), 0);
}

TEST(FindFile, SystemFiles) {
    if (access("/etc/passwd", F_OK) != 0)
        GTEST_SKIP() << "no /etc/passwd";
    EXPECT_EQ(FindFile("/etc", "passwd"), 1);
    EXPECT_EQ(FindFile(nullptr, "/etc/passwd"), 1);
    EXPECT_EQ(FindFile("/etc", "PASSWD"), 0);
}

TEST(FindFile, GivesBackItsListing) {
    ScratchDir s;
    s.Write("f", "");
    const long before = PoolNodesInUse();
    EXPECT_EQ(FindFile(s.path().c_str(), "f"), 1);
    EXPECT_EQ(FindFile(s.path().c_str(), "g"), 0);
    EXPECT_EQ(PoolNodesInUse(), before);
}

// The lookup lists the directory: without read permission nothing is found,
// although a stat of the entry would still succeed.
TEST(FindFile, UnreadableDirectoryHoldsNothing) {
    ScratchDir s;
    ASSERT_EQ(chmod(s.path().c_str(), 0755), 0);
    s.Write("locked/f", "");
    ASSERT_EQ(chmod((s / "locked").c_str(), 0311), 0);
    const ChildResult r = RunInChild([&] {
        DropRoot();
        std::printf("%d %d", FindFile((s / "locked").c_str(), "f"),
                    FindFile_((s / "locked").c_str(), "f"));
    });
    chmod((s / "locked").c_str(), 0755);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "0 1");
}

// The joined path of a name with a '/' must fit 256 characters.
TEST(FindFile, JoinedPathLongerThanItsBufferIsRefused) {
    ScratchDir s;
    const std::string fits = FileWithPathLength(s, 255, "");
    const std::string tooLong = FileWithPathLength(s, 256, "");
    const std::string top = s.path();
    EXPECT_EQ(FindFile(top.c_str(), fits.substr(top.size() + 1).c_str()), 1);
    EXPECT_EQ(FindFile(top.c_str(), tooLong.substr(top.size() + 1).c_str()), 0);
    // A whole path in one argument is split, not joined.
    EXPECT_EQ(FindFile(nullptr, tooLong.c_str()), 1);
}

TEST(FindFile_, StatOfTheJoinedPath) {
    ScratchDir s;
    s.Write("f", "");
    ASSERT_EQ(symlink("nowhere", (s / "dangling").c_str()), 0);
    const std::string d = s.path(), f = s / "f";
    const struct {
        const char* dir;
        const char* name;
        int found;
    } cases[] = {
        {d.c_str(), "f", 1},        {d.c_str(), "missing", 0},
        {d.c_str(), "dangling", 0}, // stat follows the link
        {d.c_str(), nullptr, 1},    {nullptr, f.c_str(), 1},
        {nullptr, "", 0},           {nullptr, nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindFile_(c.dir, c.name), c.found) << Str(c.dir) << " , " << Str(c.name);

    const std::string fits = FileWithPathLength(s, 255, "");
    const std::string tooLong = FileWithPathLength(s, 256, "");
    EXPECT_EQ(FindFile_(DirOf(fits).c_str(), BaseOf(fits).c_str()), 1);
    EXPECT_EQ(FindFile_(DirOf(tooLong).c_str(), BaseOf(tooLong).c_str()), 0);
    EXPECT_EQ(FindFile_(tooLong.c_str(), nullptr), 1);
}

// ---------------------------------------------------------------------------
// The current input file

TEST(InputFile, OpenReadToTheEndAndClose) {
    CloseInputFile();
    ScratchDir s;
    const std::string path = s.Write("in", "one\ntwo\n");
    ASSERT_EQ(OpenInputFile(path.c_str(), 2), 1);
    EXPECT_EQ(FileStatus, 0);
    EXPECT_NE(pIn, nullptr);
    EXPECT_EQ(InputFileName, path);
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_STREQ(LineBuf, "one\n");
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_STREQ(LineBuf, "two\n");
    EXPECT_EQ(GetFileLine(), 0);
    EXPECT_EQ(FileStatus, 1);
    EXPECT_EQ(pIn, nullptr);
    EXPECT_EQ(GetFileLine(), 0);
}

TEST(InputFile, OpeningAnotherReplacesTheCurrentOne) {
    ScratchDir s;
    const std::string a = s.Write("a", "from a\n");
    const std::string b = s.Write("b", "from b\n");
    ASSERT_EQ(OpenInputFile(a.c_str(), 2), 1);
    ASSERT_EQ(OpenInputFile(b.c_str(), 2), 1);
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_STREQ(LineBuf, "from b\n");

    ASSERT_EQ(OpenInputFile(a.c_str(), 2), 1);
    EXPECT_EQ(OpenInputFile((s / "missing").c_str(), 0), 0);
    EXPECT_EQ(pIn, nullptr);
    EXPECT_EQ(FileStatus, 2);
    EXPECT_EQ(InputFileName, s / "missing");
    EXPECT_EQ(GetFileLine(), 0);

    CloseInputFile(); // nothing open: the failed state stays
    EXPECT_EQ(FileStatus, 2);
    ASSERT_EQ(OpenInputFile(a.c_str(), 2), 1);
    CloseInputFile();
    EXPECT_EQ(FileStatus, 1);
    EXPECT_EQ(pIn, nullptr);
}

TEST(InputFile, FailedOpenReportedByLevel) {
    ScratchDir s;
    const std::string path = s / "missing";
    const struct {
        int level;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {0, 0, "0 2 [] 0", ""},
        {1, 0, "0 2 [] 0", "WARNING: can't open file, " + path + "\n"},
        {2, 0, "", "ERROR: can't open file, " + path + "\n"},
    };
    for (const auto& c : cases) {
        const ChildResult r = RunInChild([&] {
            std::strcpy(LineBuf, "old text");
            LineLen = 5;
            const int ok = OpenInputFile(path.c_str(), c.level);
            std::printf("%d %d [%s] %d", ok, FileStatus, LineBuf, LineLen);
        });
        EXPECT_EQ(r.status, c.status) << "level " << c.level;
        EXPECT_EQ(r.out, c.out) << "level " << c.level;
        EXPECT_EQ(r.err, c.err) << "level " << c.level;
    }
}

TEST(InputFile, LongNameIsKeptCut) {
    ScratchDir s;
    const std::string path = s / std::string(300, 'n');
    EXPECT_EQ(OpenInputFile(path.c_str(), 0), 0);
    EXPECT_EQ(FileStatus, 2);
    EXPECT_EQ(InputFileName, path.substr(0, INPUT_FILE_NAME_SIZE - 1));
}

TEST(InputFile, FormattedPath) {
    ScratchDir s;
    s.Write("menu.def", "item\n");
    ASSERT_EQ(OpenInputFileF(2, "%s/%s.%s", s.path().c_str(), "menu", "def"), 1);
    EXPECT_EQ(InputFileName, s / "menu.def");
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_STREQ(LineBuf, "item\n");
    CloseInputFile();
}

TEST(InputFile, FormattedPathLongerThanItsBufferIsRefused) {
    ScratchDir s;
    const std::string fits = FileWithPathLength(s, 511, "fits\n");
    const std::string tooLong = FileWithPathLength(s, 512, "too long\n");
    ASSERT_EQ(OpenInputFileF(2, "%s", fits.c_str()), 1);
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_STREQ(LineBuf, "fits\n");

    errno = 0;
    EXPECT_EQ(OpenInputFileF(0, "%s", tooLong.c_str()), 0);
    EXPECT_EQ(errno, ENAMETOOLONG);
    EXPECT_EQ(FileStatus, 2);
    EXPECT_EQ(pIn, nullptr);
    EXPECT_EQ(InputFileName, tooLong.substr(0, INPUT_FILE_NAME_SIZE - 1));

    const std::string cut = tooLong.substr(0, 511);
    const ChildResult warn = RunInChild([&] { OpenInputFileF(1, "%s", tooLong.c_str()); });
    EXPECT_EQ(warn.status, 0);
    EXPECT_EQ(warn.err, "WARNING: can't open file, " + cut + "\n");
    const ChildResult fatal = RunInChild([&] {
        OpenInputFileF(2, "%s", tooLong.c_str());
        std::fputs("went on", stdout);
    });
    EXPECT_EQ(fatal.status, 0);
    EXPECT_EQ(fatal.out, "");
    EXPECT_EQ(fatal.err, "ERROR: can't open file, " + cut + "\n");
}

TEST(GetFileLine, JoinsBackslashContinuedLines) {
    ScratchDir s;
    const struct {
        const char* content;
        std::vector<std::string> lines;
        int lastLineLen; // LineLen after the first line
    } cases[] = {
        {"a \\\nb\n", {"a \\\nb\n"}, 4},
        {"a\\\nb\\\nc\nd\n", {"a\\\nb\\\nc\n", "d\n"}, 6},
        {"x\\\n", {"x\\\n"}, 3},                 // continued at the end of the file
        {"x \\ y\nz\n", {"x \\ y\n", "z\n"}, 0}, // a backslash inside the line
        {"last", {"last"}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        ASSERT_EQ(OpenInputFile(s.Write("in", c.content).c_str(), 2), 1);
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            ASSERT_EQ(GetFileLine(), 1);
            EXPECT_EQ(LineBuf, c.lines[i]);
            if (i == 0) {
                EXPECT_EQ(LineLen, c.lastLineLen);
            }
        }
        EXPECT_EQ(GetFileLine(), 0);
        EXPECT_EQ(FileStatus, 1);
    }
}

TEST(GetFileLine, LongPhysicalLineComesInPieces) {
    ScratchDir s;
    ASSERT_EQ(OpenInputFile(s.Write("in", std::string(600, 'x') + "\n").c_str(), 2), 1);
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_EQ(LineBuf, std::string(510, 'x'));
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_EQ(LineBuf, std::string(90, 'x') + "\n");
    EXPECT_EQ(GetFileLine(), 0);
}

// Continued lines beyond LineBuf stop at 4095 characters; the rest follows.
TEST(GetFileLine, LogicalLineStopsAtTheBufferEnd) {
    ScratchDir s;
    std::string content;
    for (int i = 0; i < 9; ++i)
        content += std::string(500, 'a' + i) + "\\\n";
    content += "end\n";
    ASSERT_EQ(OpenInputFile(s.Write("in", content).c_str(), 2), 1);
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_EQ(std::strlen(LineBuf), 4095u);
    EXPECT_EQ(std::string(LineBuf), content.substr(0, 4095));
    ASSERT_EQ(GetFileLine(), 1);
    EXPECT_EQ(std::string(LineBuf), content.substr(4095, 502 * 9 - 4095) + "end\n");
    EXPECT_EQ(GetFileLine(), 0);
}

TEST(GetFileTextLine, FirstWordOfEachLineWithOne) {
    ScratchDir s;
    ASSERT_EQ(OpenInputFile(
                  s.Write("in", "# comment\n\n\r\nfirst line\r\n#x\n #kept\nlast\n").c_str(), 2),
              1);
    std::vector<std::string> got;
    while (GetFileTextLine("\n\r"))
        got.emplace_back(LineBuf);
    EXPECT_EQ(got, (std::vector<std::string>{"first line", " #kept", "last"}));
    EXPECT_EQ(FileStatus, 1);

    ASSERT_EQ(OpenInputFile(s.Write("words", "   \n\t word rest of it\n").c_str(), 2), 1);
    ASSERT_EQ(GetFileTextLine(" \t\n"), 1);
    EXPECT_STREQ(LineBuf, "word");
    // The scan of the line goes on for callers that want its further words.
    EXPECT_STREQ(std::strtok(nullptr, " \t\n"), "rest");
    EXPECT_EQ(GetFileTextLine(" \t\n"), 0);

    ASSERT_EQ(OpenInputFile(s.Write("any", "text\n").c_str(), 2), 1);
    EXPECT_EQ(GetFileTextLine(nullptr), 0);
    CloseInputFile();
}

TEST(FileSearch, FirstLineHoldingTheText) {
    ScratchDir s;
    const std::string path = s.Write("f", "alpha\nbeta gamma\ndelta gamma\n");
    EXPECT_EQ(Str(FileSearch(path.c_str(), "gam", 2)), "beta gamma\n");
    EXPECT_EQ(Str(FileSearch(path.c_str(), nullptr, 2)), "alpha\n");
    EXPECT_EQ(FileSearch(path.c_str(), "zeta", 2), nullptr);

    const std::string missing = s / "missing";
    const ChildResult r = RunInChild([&] { Finish(FileSearch(missing.c_str(), "x", 1) ? 2 : 0); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: can't open file, " + missing + "\n");
}

TEST(fgetsp, ReadsTheLineAtAPosition) {
    ScratchDir s;
    FILE* const f = std::fopen(s.Write("f", "alpha\nbeta\n").c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[32];
    EXPECT_EQ(Str(fgetsp(buf, sizeof buf, f, 6)), "beta\n");
    EXPECT_EQ(Str(fgetsp(buf, sizeof buf, f, 2)), "pha\n");
    EXPECT_EQ(fgetsp(buf, sizeof buf, f, -1), nullptr);
    std::fclose(f);
}

// ---------------------------------------------------------------------------
// Whole files

TEST(GetFileContent, WholeSmallFileIntoLineBuf) {
    ScratchDir s;
    const std::string path = s.Write("small", "line one\nline two\n");
    ASSERT_EQ(GetFileContent(path.c_str(), nullptr), 1);
    EXPECT_STREQ(LineBuf, "line one\nline two\n");
    ASSERT_EQ(GetFileContent(s.path().c_str(), "small"), 1);
    EXPECT_STREQ(LineBuf, "line one\nline two\n");

    const std::string big(5000, 'b');
    ASSERT_EQ(GetFileContent(s.Write("big", big).c_str(), nullptr), 1);
    EXPECT_EQ(std::string(LineBuf), big.substr(0, 4095));

    ASSERT_EQ(GetFileContent(s.Write("empty", "").c_str(), nullptr), 1);
    EXPECT_STREQ(LineBuf, "");

    EXPECT_EQ(GetFileContent(s.path().c_str(), "missing"), 0);
    EXPECT_EQ(GetFileContent((s / "missing").c_str(), nullptr), 0);
}

TEST(GetFileContent, JoinedNameLongerThanLineBufIsRefused) {
    ScratchDir s;
    const std::string longest = FileWithPathLength(s, LINE_BUF_SIZE - 1, "deep");
    ASSERT_EQ(GetFileContent(DirOf(longest).c_str(), BaseOf(longest).c_str()), 1);
    EXPECT_STREQ(LineBuf, "deep");
    EXPECT_EQ(GetFileContent(longest.c_str(), "more"), 0);
}

TEST(GetSavedFileContent, WholeFileAsPoolAllocation) {
    ScratchDir s;
    s.Write("rec", "record data");
    s.Write("one", "x");
    s.Write("empty", "");
    const struct {
        const char* name;
        const char* text; // null: no result
        int size;
    } cases[] = {
        {"rec", "record data", 11},
        {"one", "", 1}, // a single byte is not read
        {"empty", nullptr, 0},
        {"missing", nullptr, 0},
    };
    for (const auto& c : cases) {
        SavedFileSize = -1;
        char* const data = GetSavedFileContent(s.path().c_str(), c.name);
        EXPECT_EQ(Str(data), Str(c.text)) << c.name;
        EXPECT_EQ(SavedFileSize, c.size) << c.name;
        PutMem(data);
    }
    char* const whole = GetSavedFileContent((s / "rec").c_str(), nullptr);
    EXPECT_EQ(Str(whole), "record data");
    PutMem(whole);
}

TEST(GetSavedFileContent, JoinedNameLongerThanItsBufferIsRefused) {
    ScratchDir s;
    const std::string fits = FileWithPathLength(s, 255, "fits");
    const std::string tooLong = FileWithPathLength(s, 256, "too long");
    char* const data = GetSavedFileContent(DirOf(fits).c_str(), BaseOf(fits).c_str());
    EXPECT_EQ(Str(data), "fits");
    PutMem(data);
    const long before = PoolNodesInUse();
    EXPECT_EQ(GetSavedFileContent(DirOf(tooLong).c_str(), BaseOf(tooLong).c_str()), nullptr);
    EXPECT_EQ(SavedFileSize, 0);
    EXPECT_EQ(PoolNodesInUse(), before);
    // A whole path needs no joining.
    char* const whole = GetSavedFileContent(tooLong.c_str(), nullptr);
    EXPECT_EQ(Str(whole), "too long");
    PutMem(whole);
}

TEST(GetFileContentR, IntoTheCallersBuffer) {
    ScratchDir s;
    s.Write("f", "abcdefgh");
    char buf[16];
    std::memset(buf, '#', sizeof buf);
    ASSERT_EQ(GetFileContentR(s.path().c_str(), "f", buf, 5), 1);
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(buf[6], '#');
    ASSERT_EQ(GetFileContentR((s / "f").c_str(), nullptr, buf, 15), 1);
    EXPECT_STREQ(buf, "abcdefgh");
    EXPECT_EQ(GetFileContentR(s.path().c_str(), "missing", buf, 15), 0);

    const std::string fits = FileWithPathLength(s, 255, "fits");
    const std::string tooLong = FileWithPathLength(s, 256, "too long");
    EXPECT_EQ(GetFileContentR(DirOf(fits).c_str(), BaseOf(fits).c_str(), buf, 15), 1);
    EXPECT_STREQ(buf, "fits");
    EXPECT_EQ(GetFileContentR(DirOf(tooLong).c_str(), BaseOf(tooLong).c_str(), buf, 15), 0);
}

// ---------------------------------------------------------------------------
// Paths of the running system

std::string Saved(char* s) {
    std::string text = Str(s);
    PutMem(s);
    return text;
}

TEST(FindExistingPath, NearestExistingAncestor) {
    ScratchDir s;
    ASSERT_EQ(symlink("nowhere", (s / "dangling").c_str()), 0);
    int exact = 5;
    EXPECT_EQ(Saved(FindExistingPath((s / "new/dir").c_str(), &exact)), s.path());
    EXPECT_EQ(exact, 5);
    EXPECT_EQ(Saved(FindExistingPath((s / "dangling/x").c_str(), &exact)), s / "dangling");
    EXPECT_EQ(exact, 5);
    EXPECT_EQ(Saved(FindExistingPath(s.path().c_str(), &exact)), s.path());
    EXPECT_EQ(exact, 1);
    exact = 0;
    EXPECT_EQ(Saved(FindExistingPath("/", &exact)), "/");
    EXPECT_EQ(exact, 1);
}

TEST(FindExistingPath, RelativePathsClimbToTheWorkingDirectory) {
    ScratchDir s;
    MakeDir(s / "sub");
    const ChildResult r = RunInChild([&] {
        if (chdir(s.path().c_str()) != 0)
            Finish(3);
        for (const char* path : {"sub/new/x", "new", "sub"}) {
            int exact = 0;
            char* const found = FindExistingPath(path, &exact);
            std::printf("%s=%s,%d;", path, found, exact);
            PutMem(found);
        }
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "sub/new/x=sub,0;new=.,0;sub=sub,1;");
}

// A path longer than the 4096-byte copy cannot exist; its nearest existing
// ancestor is still found.
TEST(FindExistingPath, PathLongerThanItsBuffer) {
    ScratchDir s;
    const std::string deep = DirOf(FileWithPathLength(s, 3900, ""));
    const std::string path = deep + "/" + std::string(150, 'n') + "/" + std::string(200, 'm');
    ASSERT_GT(path.size(), 4096u);
    int exact = 0;
    EXPECT_EQ(Saved(FindExistingPath(path.c_str(), &exact)), deep);
    EXPECT_EQ(exact, 0);
    const std::string longer = s / "new/" + std::string(5000, 'x');
    EXPECT_EQ(Saved(FindExistingPath(longer.c_str(), &exact)), s.path());
    EXPECT_EQ(exact, 0);
}

// A working directory that cannot be listed ends the climb at '.' instead of
// looping there for ever.
TEST(FindExistingPath, UnreadableWorkingDirectoryEndsTheWalk) {
    ScratchDir s;
    ASSERT_EQ(chmod(s.path().c_str(), 0755), 0);
    MakeDir(s / "locked", 0311);
    const ChildResult r = RunInChild([&] {
        DropRoot();
        if (chdir((s / "locked").c_str()) != 0)
            Finish(3);
        alarm(10);
        int exact = 0;
        std::fputs(FindExistingPath("new/dir", &exact), stdout);
    });
    chmod((s / "locked").c_str(), 0755);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ".");
}

// GetToolPath run in the working directory `cwd`, as seen by a child.
std::string ToolPathIn(const std::string& cwd, const char* argv0) {
    const ChildResult r = RunInChild([&] {
        if (chdir(cwd.c_str()) != 0)
            Finish(3);
        std::fputs(GetToolPath(argv0), stdout);
    });
    EXPECT_EQ(r.status, 0) << argv0;
    return r.out;
}

TEST(GetToolPath, DirectoryOfTheProgram) {
    ScratchDir s;
    s.Write("a/bin/setup", "");
    s.Write("a/b/bin/setup", "");
    const std::string cwd = s / "a/b";
    const struct {
        const char* argv0;
        std::string dir;
    } cases[] = {
        {"/opt/tools/setup", "/opt/tools"},
        {"/setup", "/"},
        {"setup", cwd},
        {"./setup", cwd},
        {"./sub/setup", cwd}, // the working directory, like './setup'
        {"bin/setup", cwd + "/bin"},
        {"../setup", cwd + "/.."},
        {"../bin/setup", s / "a/bin"},
        {"../../a/bin/setup", s / "a/bin"},
        {".././../a/b/bin/setup", s / "a/b/bin"},
        {"..//bin/setup", s / "a/bin"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToolPathIn(cwd, c.argv0), c.dir) << c.argv0;
    EXPECT_EQ(ToolPathIn("/", "../bin/setup"), "/bin");
    EXPECT_EQ(ToolPathIn("/", "bin/setup"), "//bin");
}

TEST(GetToolPath, WorkingDirectoryOfAnyLength) {
    ScratchDir s;
    const std::string deep = DirOf(FileWithPathLength(s, 1500, ""));
    ASSERT_GT(deep.size(), 1000u);
    EXPECT_EQ(ToolPathIn(deep, "setup"), deep);
    EXPECT_EQ(ToolPathIn(deep, "../x/setup"), DirOf(deep) + "/x");
}

} // namespace
