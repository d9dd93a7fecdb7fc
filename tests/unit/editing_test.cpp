// In-place editing: the filtering line reader, CamelCase names, the
// input/work file pair and the one-call editors, on small files in a scratch
// directory.
#include "child.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

char testerName[] = "tester";

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// Gives up root in a child, so that permission bits apply to it.
void DropRoot() {
    if (geteuid() != 0)
        return;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
        _exit(99);
}

// What SysError writes for a file that cannot be opened.
std::string CannotOpen(const std::string& name, int err) {
    return "\ntester: can't open file, " + name + " : " + std::strerror(err) + "\n";
}

// ---------------------------------------------------------------------------
// GetLine

struct ReadCase {
    const char* what;
    std::string content;
    char filter;
    std::string text; // Line after the call
    int result;       // also LineCnt
    long pos;         // InPos
};

TEST(GetLine, FiltersCommentsBlanksAndLineEnds) {
    const std::vector<ReadCase> cases = {
        {"line comment", "  int a;// note\n", 1, "int a;", 1, 0},
        {"comment inside the line", "x /* y */ z\n", 1, "x  z", 1, 0},
        {"only one comment per line is cut", "a/*1*/b/*2*/c\n", 1, "ab/*2*/c", 1, 0},
        {"comment closed on the next line", "/* open\nstill */ w\n", 1, "w", 2, 8},
        {"text before an open comment is lost", "v /* open\n*/w\n", 1, "w", 2, 10},
        {"comment over three lines", "/* a\nb\nc */\n", 1, "b\n", 2, 5},
        {"blank line", "\n", 1, "", 1, 0},
        {"line of blanks", " \t \n", 1, "", 1, 0},
        {"line of only a comment", "/* only */\n", 1, "", 1, 0},
        {"last line without line feed", "  last", 1, "last", 1, 0},
        {"raw line", "  int a;// note\n", 0, "  int a;// note\n", 1, 0},
        {"raw comment", "/* open\nx\n", 0, "/* open\n", 1, 0},
        {"empty file", "", 1, "", 0, 0},
        {"open comment at the end of the file", "/* open\n", 1, "", 0, 8},
    };
    ScratchDir s;
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = s.Write("in", c.content);
        ASSERT_EQ(OpenInputFile(path.c_str(), 0), 1);
        flInputFilterState = c.filter;
        std::memset(Line, 'z', 600);
        Line[0] = '\0';
        pLine = nullptr;
        EXPECT_EQ(GetLine(), c.result);
        EXPECT_EQ(LineCnt, c.result);
        EXPECT_EQ(InPos, c.pos);
        EXPECT_EQ(pLine, Line);
        EXPECT_EQ(std::string(Line), c.text);
        if (c.result > 0) {
            // The rest of the first 512 bytes is cleared.
            const std::size_t len = std::strlen(Line);
            EXPECT_EQ(std::string(Line + len, 512 - len), std::string(512 - len, '\0'));
        }
        CloseInputFile();
    }
    flInputFilterState = 1;
}

TEST(GetLine, ReadsLongLinesInPiecesOf510) {
    ScratchDir s;
    const std::string longLine(600, 'q');
    ASSERT_EQ(OpenInputFile(s.Write("in", longLine + "\nnext\n").c_str(), 0), 1);
    EXPECT_EQ(GetLine(), 1);
    EXPECT_EQ(std::string(Line), std::string(510, 'q'));
    EXPECT_EQ(GetLine(), 1);
    EXPECT_EQ(InPos, 510);
    EXPECT_EQ(std::string(Line), std::string(90, 'q'));
    EXPECT_EQ(GetLine(), 1);
    EXPECT_EQ(std::string(Line), "next");
    EXPECT_EQ(GetLine(), 0);
    EXPECT_EQ(LineCnt, 0);
    CloseInputFile();
}

TEST(GetLine, PositionsAndCounts) {
    ScratchDir s;
    ASSERT_EQ(OpenInputFile(s.Write("in", "one\ntwo\nthree\nfour\n").c_str(), 0), 1);
    EXPECT_EQ(GetLineN(0), 0);
    EXPECT_EQ(GetLineN(-2), 0);
    EXPECT_EQ(GetLine(), 1) << "GetLineN of 0 or less reads nothing";
    EXPECT_EQ(std::string(Line), "one");
    EXPECT_EQ(GetLineN(2), 1);
    EXPECT_EQ(std::string(Line), "three");
    EXPECT_EQ(InPos, 8);
    EXPECT_EQ(GetLinePos(4), 1);
    EXPECT_EQ(std::string(Line), "two");
    EXPECT_EQ(GetLinePos(0), 1);
    EXPECT_EQ(std::string(Line), "one");
    EXPECT_EQ(GetLineN(5), 0) << "runs past the end";
    CloseInputFile();
}

TEST(GetLine, WithoutAnInputFileReadsNothing) {
    CloseInputFile();
    EXPECT_EQ(GetLine(), 0);
    EXPECT_EQ(LineCnt, 0);
    EXPECT_EQ(GetLinePos(10), 0);
    EXPECT_EQ(GetLineN(3), 0);
}

// ---------------------------------------------------------------------------
// GenName

TEST(GenName, CamelCaseOfTheWords) {
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"system default printer", "SystemDefaultPrinter"},
        {"2nd job-list", "NdJobList"},
        {"HELLO wORLD", "HelloWorld"},
        {"job 2nd", "Job2nd"},
        {"a1b2_c", "A1b2C"},
        {"  --trailing--  ", "Trailing"},
        {"123 456", ""},
        {"", ""},
        {nullptr, ""},
    };
    for (const auto& [text, name] : cases)
        EXPECT_EQ(std::string(GenName(text)), name) << (text ? text : "(null)");
}

TEST(GenName, LongNamesAreCutToTheBuffer) {
    std::string words;
    for (int i = 0; i < 150; ++i)
        words += "ab ";
    const std::string name = GenName(words.c_str());
    EXPECT_EQ(name.size(), 254u);
    EXPECT_EQ(name.substr(0, 6), "AbAbAb");
    EXPECT_EQ(std::string(GenName(std::string(400, 'x').c_str())), "X" + std::string(253, 'x'));
}

// ---------------------------------------------------------------------------
// OpenIOFiles and ReplaceInputFile

// Copies pIn to pOut through GetLine with filtering off, changing nothing
// but upper-casing a line "b".
void CopyUpper() {
    flInputFilterState = 0;
    while (GetLine())
        std::fputs(std::strcmp(Line, "b\n") == 0 ? "B\n" : Line, pOut);
    flInputFilterState = 1;
}

TEST(InputOutputPair, RewritesTheFileThroughItsWorkFile) {
    struct Case {
        const char* path;
        const char* ext;
        const char* edited;
        const char* work;
    };
    const std::vector<Case> cases = {
        {"conf", "cfg", "conf.cfg", "conf.cfgout"},
        {"conf", "", "conf", "confout"},
        {"conf", nullptr, "conf", "confout"},
        {"my conf", "c fg", "my conf.c fg", "my conf.c fgout"},
    };
    ScratchDir s;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edited);
        s.Write(c.edited, "a\nb\nc\n");
        OpenIOFiles((s / c.path).c_str(), c.ext);
        EXPECT_EQ(std::string(Fn), s / c.edited);
        EXPECT_EQ(std::string(FnOut), s / c.work);
        CopyUpper();
        EXPECT_EQ(ReplaceInputFile(), 1);
        EXPECT_EQ(pIn, nullptr);
        EXPECT_EQ(pOut, nullptr);
        EXPECT_EQ(ReadFileText(s / c.edited), "a\nB\nc\n");
        EXPECT_FALSE(Exists(s / c.work));
        unlink((s / c.edited).c_str());
    }
}

TEST(InputOutputPair, MissingFileEndsTheProcess) {
    ScratchDir s;
    const ChildResult r = RunInChild([&] {
        my_name = testerName;
        OpenIOFiles((s / "none").c_str(), "cfg");
        std::printf("returned\n");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, CannotOpen(s / "none.cfg", ENOENT));
    EXPECT_FALSE(Exists(s / "none.cfgout"));
}

// Fn and FnOut hold 127 characters: the work file's name, three longer than
// the file's, decides.
TEST(InputOutputPair, NamesThatDoNotFitAreRefused) {
    ScratchDir s;
    const std::string fits = s / std::string(124 - s.path().size() - 1, 'f');
    ASSERT_EQ(fits.size(), 124u);
    s.Write(fits.substr(s.path().size() + 1), "x\n");
    OpenIOFiles(fits.c_str(), "");
    std::fputs("y\n", pOut);
    EXPECT_EQ(ReplaceInputFile(), 1);
    EXPECT_EQ(ReadFileText(fits), "y\n");

    const std::string tooLong = fits + "g";
    s.Write(tooLong.substr(s.path().size() + 1), "x\n");
    const ChildResult r = RunInChild([&] {
        my_name = testerName;
        OpenIOFiles(tooLong.c_str(), "");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, CannotOpen((tooLong + "out").substr(0, 127), ENAMETOOLONG));
    EXPECT_EQ(ReadFileText(tooLong), "x\n");
    EXPECT_FALSE(Exists(tooLong + "out"));
}

TEST(InputOutputPair, AFileReplacedByADirectoryIsKept) {
    ScratchDir s;
    const std::string conf = s.Write("conf", "a\nb\n");
    const ChildResult r = RunInChild([&] {
        OpenIOFiles(conf.c_str(), "");
        CopyUpper();
        unlink(conf.c_str());
        mkdir(conf.c_str(), 0755);
        std::printf("%d\n", ReplaceInputFile());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0\n");
    EXPECT_EQ(r.err, "ERROR: can't replace " + conf + " by " + conf + "out: Is a directory\n");
    struct stat st;
    ASSERT_EQ(stat(conf.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(ReadFileText(conf + "out"), "a\nB\n") << "the new content is kept";
}

TEST(InputOutputPair, AReadOnlyDirectoryKeepsTheOriginal) {
    ScratchDir s;
    ASSERT_EQ(chmod(s.path().c_str(), 0755), 0);
    const std::string dir = s / "ro";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string conf = s.Write("ro/conf", "a\nb\n");
    if (geteuid() == 0) {
        // The directory and the file belong to the user the child becomes.
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(conf.c_str(), 65534, 65534), 0);
    }
    const ChildResult r = RunInChild([&] {
        DropRoot();
        OpenIOFiles(conf.c_str(), "");
        CopyUpper();
        chmod(dir.c_str(), 0555);
        std::printf("%d\n", ReplaceInputFile());
    });
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0\n");
    EXPECT_EQ(r.err, "ERROR: can't replace " + conf + " by " + conf + "out: Permission denied\n");
    EXPECT_EQ(ReadFileText(conf), "a\nb\n");
    EXPECT_EQ(ReadFileText(conf + "out"), "a\nB\n");
}

TEST(InputOutputPair, AFailedWriteKeepsTheOriginal) {
    ScratchDir s;
    const std::string conf = s.Write("conf", "a\nb\n");
    ASSERT_EQ(symlink("/dev/full", (conf + "out").c_str()), 0);
    const ChildResult r = RunInChild([&] {
        OpenIOFiles(conf.c_str(), "");
        CopyUpper();
        std::printf("%d\n", ReplaceInputFile());
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0\n");
    EXPECT_EQ(r.err, "ERROR: can't write " + conf + "out: No space left on device\n");
    EXPECT_EQ(ReadFileText(conf), "a\nb\n");
    EXPECT_FALSE(Exists(conf + "out")) << "the incomplete work file is removed";
}

TEST(InputOutputPair, NothingOpenedNothingReplaced) {
    const ChildResult r = RunInChild([] { std::printf("%d\n", ReplaceInputFile()); });
    EXPECT_EQ(r.out, "0\n");
    EXPECT_EQ(r.err, "");
}

// ---------------------------------------------------------------------------
// The one-call editors

struct EditCase {
    const char* what;
    std::string input;
    std::function<void(const char* path)> edit;
    std::string output;
};

// Runs each edit on a file "f" (empty extension) in a child and expects the
// output bytes, silence and no work file left behind.
void RunEdits(const std::vector<EditCase>& cases) {
    ScratchDir s;
    const std::string path = s / "f";
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.what);
        s.Write("f", c.input);
        const ChildResult r = RunInChild([&] { c.edit(path.c_str()); });
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(ReadFileText(path), c.output);
        EXPECT_FALSE(Exists(path + ".out"));
    }
}

TEST(Editors, ChangeText) {
    RunEdits({
        {"first occurrence of every line", "aXbX\nno\nX\n",
         [](const char* p) { FileChange(p, "", "X", "YY"); }, "aYYbX\nno\nYY\n"},
        {"empty replacement", "a--b\n", [](const char* p) { FileChange(p, "", "--", ""); }, "ab\n"},
        {"null replacement", "a--b\n", [](const char* p) { FileChange(p, "", "--", nullptr); },
         "ab\n"},
        {"the line feed can be found", "a\nb\n",
         [](const char* p) { FileChange(p, "", "\n", ";\n"); }, "a;\nb;\n"},
        {"no line feed at the end", "xy", [](const char* p) { FileChange(p, "", "y", "z"); }, "xz"},
        {"empty file", "", [](const char* p) { FileChange(p, "", "x", "y"); }, ""},
        {"NUL bytes are kept", std::string("a\0bX\n", 5),
         [](const char* p) { FileChange(p, "", "X", "YY"); }, std::string("a\0bYY\n", 6)},
        {"a match across two pieces of a long line is not found", std::string(509, 'a') + "XY\n",
         [](const char* p) { FileChange(p, "", "XY", "-"); }, std::string(509, 'a') + "XY\n"},
    });
}

TEST(Editors, ChangeCharacter) {
    RunEdits({
        {"carriage returns removed", "a\r\nb\r\n",
         [](const char* p) { FileChangeChar(p, "", "13", nullptr); }, "a\nb\n"},
        {"empty codes remove too", "a\rb\n", [](const char* p) { FileChangeChar(p, "", "13", ""); },
         "ab\n"},
        {"tab to two blanks", "\tx\t\n", [](const char* p) { FileChangeChar(p, "", "9", "32,32"); },
         "  x  \n"},
        {"hexadecimal code, octal replacement", "ABA\n",
         [](const char* p) { FileChangeChar(p, "", "0x41", "0103,0x44"); }, "CDBCD\n"},
        {"items without a number are skipped", "a\n",
         [](const char* p) { FileChangeChar(p, "", "97", "x,,66"); }, "B\n"},
        {"code above 127", "caf\xe9\n", [](const char* p) { FileChangeChar(p, "", "233", "101"); },
         "cafe\n"},
        {"code that gives no number changes nothing", "a b\n",
         [](const char* p) { FileChangeChar(p, "", "blank", "95"); }, "a b\n"},
        {"replacement cut to 127 characters", "-x-\n",
         [](const char* p) {
             std::string codes = "65";
             for (int i = 0; i < 199; ++i)
                 codes += ",65";
             FileChangeChar(p, "", "120", codes.c_str());
         },
         "-" + std::string(127, 'A') + "-\n"},
    });
}

TEST(Editors, DeleteText) {
    RunEdits({
        {"the first skip matching lines are spared", "x1\nx2\nx3\n",
         [](const char* p) { FileDel(p, "", 1, "x"); }, "x1\n2\n3\n"},
        {"only the first occurrence", "xx\nyx\n", [](const char* p) { FileDel(p, "", 0, "x"); },
         "x\ny\n"},
        {"lines without the text do not count", "a\nx1\nx2\n",
         [](const char* p) { FileDel(p, "", 1, "x"); }, "a\nx1\n2\n"},
        {"negative skip", "x1\n", [](const char* p) { FileDel(p, "", -3, "x"); }, "1\n"},
    });
}

TEST(Editors, DeleteLines) {
    RunEdits({
        {"every line with the text", "a\n# b\nc#\nd\n",
         [](const char* p) { FileDelLine(p, "", 0, "#"); }, "a\nd\n"},
        {"the first skip are kept", "#1\n#2\na\n#3\n",
         [](const char* p) { FileDelLine(p, "", 2, "#"); }, "#1\n#2\na\n"},
        {"last line without line feed", "a\n#", [](const char* p) { FileDelLine(p, "", 0, "#"); },
         "a\n"},
    });
}

TEST(Editors, DeleteMarkerPairs) {
    const auto pair = [](int skip) {
        return [skip](const char* p) { FileDelLinePair(p, "", skip, "BEGIN", "END"); };
    };
    std::string deep;
    for (int i = 0; i < 300; ++i)
        deep += "BEGIN\n";
    for (int i = 0; i < 300; ++i)
        deep += "END\n";
    RunEdits({
        {"markers dropped, lines between kept", "a\nBEGIN\nb\nEND\nc\n", pair(0), "a\nb\nc\n"},
        {"nested pairs", "BEGIN\nBEGIN\nx\nEND\nEND\ny\nEND\n", pair(0), "x\ny\nEND\n"},
        {"an end without a start is kept", "END\na\n", pair(0), "END\na\n"},
        {"both markers on a line make a start", "BEGIN END\nx\nEND\n", pair(0), "x\n"},
        {"spared start opens no pair", "BEGIN\nEND\nBEGIN\nEND\n", pair(1), "BEGIN\nEND\n"},
        {"deeper than 255", deep + "z\n", pair(0), "z\n"},
    });
}

TEST(Editors, DeleteByFormat) {
    struct Case {
        const char* format;
        const char* text;
        std::string input;
        std::string output;
    };
    const std::vector<Case> cases = {
        {"", "=", "k=v=w\nplain\n", "kv=w\nplain\n"},
        {nullptr, "=", "k=v\n", "kv\n"},
        {"a", "=", "key=value\nplain\n", "key=\nplain\n"},
        {"a", "=", "k=v", "k=\n"},
        {"b", "=", "key=value\nplain\n", "=value\nplain\n"},
        {"c", "61", "a=b=c\n=\n", "abc\n\n"},
        {"c", "0x0d", "a\r\n", "a\n"},
        {"l", "#", "a\n#b\nc\n", "a\nc\n"},
        {"lx", "#", "#\nx\n", "x\n"},
    };
    ScratchDir s;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format ? c.format : "(null)") + " " + c.input);
        const std::string path = s.Write("f.cfg", c.input);
        EXPECT_EQ(FileDelFormat((s / "f").c_str(), "cfg", c.format, c.text), 0);
        EXPECT_EQ(ReadFileText(path), c.output);
        EXPECT_FALSE(Exists(path + "out"));
    }
}

TEST(Editors, DeleteByUnknownFormatLeavesTheFile) {
    ScratchDir s;
    const std::string path = s.Write("f", "a=b\n");
    EXPECT_EQ(FileDelFormat(path.c_str(), "", "z", "="), 1);
    EXPECT_EQ(ReadFileText(path), "a=b\n");
    EXPECT_EQ(ReadFileText(path + ".out"), "") << "the begun work file remains";
    s.Write("f", "");
    EXPECT_EQ(FileDelFormat(path.c_str(), "", "z", "="), 0) << "an empty file has no first line";
}

TEST(Editors, InsertPrefix) {
    RunEdits({
        {"line numbers", "a\nb\nc\n", [](const char* p) { FileInsert(p, "", "%#0 "); },
         "00000 a\n00001 b\n00002 c\n"},
        {"counter start and offset", "a\nb\nc\n",
         [](const char* p) { FileInsert(p, "", "%s5%#3 "); }, "00002 a\n00003 b\n00004 c\n"},
        {"lines below the offset get nothing", "a\nb\nc\n",
         [](const char* p) { FileInsert(p, "", "[%#2]"); }, "a\nb\n[00000]c\n"},
        {"text around the number", "a\n", [](const char* p) { FileInsert(p, "", "L%s12%#10: "); },
         "L00002: a\n"},
        {"plain text", "a\nb\n", [](const char* p) { FileInsert(p, "", "> "); }, "> a\n> b\n"},
        {"text with its own line feed", "a\n", [](const char* p) { FileInsert(p, "", "#\n"); },
         "#\na\n"},
        {"only a counter start", "a\n", [](const char* p) { FileInsert(p, "", "%s7"); }, "a\n"},
        {"markers without digits", "a\nb\n", [](const char* p) { FileInsert(p, "", "%s%#-"); },
         "00000-a\n00001-b\n"},
        {"per piece of a long line", std::string(600, 'q') + "\n",
         [](const char* p) { FileInsert(p, "", "%#0 "); },
         "00000 " + std::string(510, 'q') + "00001 " + std::string(90, 'q') + "\n"},
        {"prefix far beyond 4096 characters", "a\n",
         [](const char* p) { FileInsert(p, "", (std::string(5000, 'p') + "%#0").c_str()); },
         std::string(5000, 'p') + "00000a\n"},
        {"only matching lines, counted among themselves", "k1\nx\nk2\n",
         [](const char* p) { FileSearchInsert(p, "", "%#0 ", "k"); }, "00000 k1\nx\n00001 k2\n"},
        {"null key matches nothing", "k\n",
         [](const char* p) { FileSearchInsert(p, "", "%#0 ", nullptr); }, "k\n"},
    });
}

TEST(Editors, InsertLeavesTheCallersTextAlone) {
    ScratchDir s;
    const std::string path = s.Write("f", "a\n");
    char text[] = "%s5%#3 ";
    FileInsert(path.c_str(), "", text);
    FileInsert(path.c_str(), "", text);
    EXPECT_STREQ(text, "%s5%#3 ");
    EXPECT_EQ(ReadFileText(path), "00002 00002 a\n");
}

// The names of the edited file and the work file, seen through a work file
// that is a directory and cannot be opened.
TEST(Editors, NamesOfTheEditedAndWorkFiles) {
    struct Case {
        const char* ext;
        const char* edited;
        const char* work;
    };
    const std::vector<Case> cases = {
        {"cfg", "conf.cfg", "conf.cfgout"},
        {"", "conf", "conf.out"},
        {nullptr, "conf", "conf.out"},
    };
    for (const Case& c : cases) {
        ScratchDir s;
        s.Write(c.edited, "x\n");
        ASSERT_EQ(mkdir((s / c.work).c_str(), 0755), 0);
        const ChildResult r = RunInChild([&] {
            my_name = testerName;
            FileChange((s / "conf").c_str(), c.ext, "x", "y");
        });
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, CannotOpen(s / c.work, EISDIR));
        EXPECT_EQ(ReadFileText(s / c.edited), "x\n");
    }
}

TEST(Editors, NameWithBlanks) {
    ScratchDir s;
    const std::string path = s.Write("my conf.c fg", "a b\n");
    FileChange((s / "my conf").c_str(), "c fg", " ", "_");
    EXPECT_EQ(ReadFileText(path), "a_b\n");
    EXPECT_FALSE(Exists(path + "out"));
}

TEST(Editors, MissingFileEndsTheProcess) {
    ScratchDir s;
    const ChildResult r = RunInChild([&] {
        my_name = testerName;
        FileDelLine((s / "none").c_str(), "", 0, "x");
        std::printf("returned\n");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, CannotOpen(s / "none", ENOENT));
}

// Both names must fit 127 characters; the work file's is the longer one.
TEST(Editors, NamesThatDoNotFitAreRefused) {
    ScratchDir s;
    const std::size_t stem = 127 - s.path().size() - 1 - std::strlen(".cfgout");
    const std::string fits = s / std::string(stem, 'f');
    s.Write(std::string(stem, 'f') + ".cfg", "x\n");
    FileChange(fits.c_str(), "cfg", "x", "y");
    EXPECT_EQ(ReadFileText(fits + ".cfg"), "y\n");

    const std::string tooLong = fits + "g";
    s.Write(std::string(stem, 'f') + "g.cfg", "x\n");
    const ChildResult r = RunInChild([&] {
        my_name = testerName;
        FileChange(tooLong.c_str(), "cfg", "x", "y");
    });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, CannotOpen((tooLong + ".cfgout").substr(0, 127), ENAMETOOLONG));
    EXPECT_EQ(ReadFileText(tooLong + ".cfg"), "x\n");
}

TEST(Editors, AReadOnlyDirectoryKeepsTheOriginal) {
    ScratchDir s;
    ASSERT_EQ(chmod(s.path().c_str(), 0755), 0);
    const std::string dir = s / "ro";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    const std::string conf = s.Write("ro/conf", "a\n");
    // The work file exists already and may be written, but the directory
    // does not allow the rename.
    const std::string work = s.Write("ro/conf.out", "");
    ASSERT_EQ(chmod(work.c_str(), 0666), 0);
    ASSERT_EQ(chmod(dir.c_str(), 0555), 0);
    const ChildResult r = RunInChild([&] {
        DropRoot();
        FileChange(conf.c_str(), "", "a", "b");
        std::printf("%d\n", FileDelFormat(conf.c_str(), "", "l", "a"));
    });
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "2\n");
    const std::string message =
        "ERROR: can't replace " + conf + " by " + work + ": Permission denied\n";
    EXPECT_EQ(r.err, message + message);
    EXPECT_EQ(ReadFileText(conf), "a\n");
    EXPECT_EQ(ReadFileText(work), "") << "the last work file written";
}

TEST(Editors, AFailedWriteKeepsTheOriginal) {
    ScratchDir s;
    const std::string conf = s.Write("conf", "a\nb\n");
    ASSERT_EQ(symlink("/dev/full", (conf + ".out").c_str()), 0);
    const ChildResult r = RunInChild([&] { FileChange(conf.c_str(), "", "a", "b"); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: can't write " + conf + ".out: No space left on device\n");
    EXPECT_EQ(ReadFileText(conf), "a\nb\n");
    EXPECT_FALSE(Exists(conf + ".out"));
}

TEST(Editors, AFailedReadKeepsTheOriginal) {
    ScratchDir s;
    const std::string conf = s / "conf";
    ASSERT_EQ(mkdir(conf.c_str(), 0755), 0);
    s.Write("conf/keep", "k");
    const ChildResult r = RunInChild([&] { FileDelLine(conf.c_str(), "", 0, "x"); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: can't read " + conf + ": Is a directory\n");
    EXPECT_EQ(ReadFileText(conf + "/keep"), "k");
    EXPECT_FALSE(Exists(conf + ".out"));
}

} // namespace
