// The xdb tool: its commands on typed and plain stores, by path and by name,
// and its messages and exit statuses.
#include "child.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

class Xdb : public ::testing::Test {
protected:
    // Runs xdb with the tool directory -t of the scratch directory, in it.
    ChildResult Run(std::vector<std::string> args, std::string_view input = {}) const {
        const std::string program = BinaryDir() + "/bin/xdb";
        const std::string dir = dir_.path();
        return RunInChild(
            [&] {
                if (chdir(dir.c_str()) != 0)
                    _exit(99);
                std::vector<char*> argv{const_cast<char*>(program.c_str()), const_cast<char*>("-t"),
                                        const_cast<char*>(dir.c_str())};
                for (std::string& a : args)
                    argv.push_back(a.data());
                argv.push_back(nullptr);
                execv(program.c_str(), argv.data());
                _exit(98);
            },
            input);
    }
    std::string File(const std::string& name) const { return ReadFileText(dir_ / name); }

    ScratchDir dir_;
};

TEST_F(Xdb, ImportGetExportByName) {
    dir_.Write("m.src", "# menu texts\n"
                        "25_1001 \"Main menu\\n\"\n"
                        "\n"
                        "  \"a key\" \"x\" \"y\"   # joined\n"
                        "bin raw \"\\x01\\002\\0\"\n"
                        "utf \"caf\xc3\xa9 \\\"q\\\" \\\\\"\n");
    ASSERT_EQ(Run({"import", "en_US/Core", "m.src"}).status, 0);
    const std::string file = File("db/en_US/Core.xdb");
    EXPECT_EQ(file.substr(0, 8), "TXDBAA4\0"s);

    const ChildResult get = Run({"get", "en_US/Core", "25_1001"});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "Main menu\n");
    EXPECT_EQ(Run({"-r", "get", "en_US/Core", "a key"}).out, "xy\0"s);

    const ChildResult keys = Run({"keys", "en_US/Core"});
    EXPECT_EQ(keys.out, "25_1001\na key\nbin\nutf\n");

    const std::string exported = "25_1001 \"Main menu\\n\"\n"
                                 "\"a key\" \"xy\"\n"
                                 "bin \"\\001\\002\"\n"
                                 "utf \"caf\xc3\xa9 \\\"q\\\" \\\\\"\n";
    EXPECT_EQ(Run({"export", "en_US/Core"}).out, exported);

    // The export imported into a new store gives the same records.
    dir_.Write("again.src", exported);
    ASSERT_EQ(Run({"import", "./copy.xdb", "again.src"}).status, 0);
    EXPECT_EQ(File("copy.xdb").substr(16), file.substr(16));

    EXPECT_EQ(Run({"dump", "en_US/Core"}).out,
              "# " + dir_.path() +
                  "/db/en_US/Core.xdb: typed, 4 records\n"
                  "\"25_1001\" 11 \"Main menu\\n\\000\"\n"
                  "\"a key\" 3 \"xy\\000\"\n"
                  "\"bin\" 3 \"\\001\\002\\000\"\n"
                  "\"utf\" 12 \"caf\xc3\xa9 \\\"q\\\" \\\\\\000\"\n");
}

TEST_F(Xdb, PutDeleteOnPlainAndTypedFilesByPath) {
    // A plain store written by the tool has the library's plain bytes.
    ASSERT_EQ(Run({"-p", "create", "./p.xdb"}).status, 0);
    EXPECT_EQ(File("p.xdb"), "");
    // An empty file has no format yet: -p makes its records plain.
    ASSERT_EQ(Run({"-p", "-r", "put", "./p.xdb", "k", "x"}).status, 0);
    EXPECT_EQ(File("p.xdb"), "\x05\x00\x02\x6b\x6b\x78\x78"s);

    ASSERT_EQ(Run({"-r", "put", "t.xdb", "k", "x"}).status, 0);
    EXPECT_EQ(File("t.xdb").substr(0, 8), "TXDBAA1\0"s);
    EXPECT_EQ(File("t.xdb").substr(16), "\x00\x05\x00\x02\x6b\x00\x78"s);

    dir_.Write("data.bin", "\x00\x01\xff"s);
    ASSERT_EQ(Run({"put", "t.xdb", "bin", "-f", "data.bin"}).status, 0);
    EXPECT_EQ(Run({"get", "t.xdb", "bin"}).out, "\x00\x01\xff"s);
    ASSERT_EQ(Run({"put", "t.xdb", "in", "-f", "-"}, "from stdin").status, 0);
    EXPECT_EQ(Run({"get", "t.xdb", "in"}).out, "from stdin");

    for (const char* k : {"ab", "abc", "a"})
        ASSERT_EQ(Run({"put", "t.xdb", k, k}).status, 0);
    ASSERT_EQ(Run({"delete-prefix", "t.xdb", "ab"}).status, 0);
    ASSERT_EQ(Run({"delete", "t.xdb", "bin"}).status, 0);
    EXPECT_EQ(Run({"keys", "t.xdb"}).out, "k\nin\na\n");
}

TEST_F(Xdb, ErrorsHaveMessagesAndStatuses) {
    ASSERT_EQ(Run({"put", "s", "k", "v"}).status, 0);
    const std::string s = dir_.path() + "/db/s.xdb";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } const cases[] = {
        {{"get", "none", "k"}, 3, "xdb: no store " + dir_.path() + "/db/none.xdb\n"},
        {{"keys", "./none.xdb"}, 3, "xdb: no store " + dir_.path() + "/none.xdb\n"},
        {{"get", "s", "zz"}, 4, "xdb: no key zz in " + s + "\n"},
        {{"delete", "s", "zz"}, 4, "xdb: no key zz in " + s + "\n"},
        {{"delete-prefix", "s", "zz"}, 4, "xdb: no key begins with zz in " + s + "\n"},
        {{"create", "s"}, 1, "xdb: store exists: " + s + "\n"},
        {{"put", "s", "", "v"}, 1, "xdb: empty key\n"},
        {{"put", "s", "k", std::string(65530, 'v')},
         1,
         "xdb: record of 65535 bytes with its key, at most 65527: k\n"},
        {{"put", "s", "k", "-f", "nofile"},
         1,
         "xdb: cannot read data file nofile: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        const ChildResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[0];
        EXPECT_EQ(r.err, c.err) << c.args[0];
    }
    const ChildResult usage = Run({"frob", "s"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.err.substr(0, 30), "xdb: unknown command frob\nusag");
}

TEST_F(Xdb, MalformedSourceLinesAreReportedWithTheirNumbers) {
    ASSERT_EQ(Run({"put", "s", "old", "v"}).status, 0);
    const std::string before = File("db/s.xdb");
    dir_.Write("bad.src", "ok \"fine\"\n"
                          "\n"
                          "k \"open\n"
                          "k2 \"\\q\"\n"
                          "k3 \"a\" b\n"
                          "k4 text\n"
                          "k5\n"
                          "ok \"twice\"\n"
                          "k6 raw \"\"\n"
                          "k7 \"\\777\"\n"
                          "k\"8 \"x\"\n");
    const ChildResult r = Run({"import", "s", "bad.src"});
    EXPECT_EQ(r.status, 5);
    EXPECT_EQ(r.err, "xdb: bad.src:3: unterminated string\n"
                     "xdb: bad.src:4: unknown escape \\q\n"
                     "xdb: bad.src:5: unexpected text after the string\n"
                     "xdb: bad.src:6: the text must be in double quotes\n"
                     "xdb: bad.src:7: no text after the key\n"
                     "xdb: bad.src:8: key ok already on line 1\n"
                     "xdb: bad.src:9: no data: a raw text must not be empty\n"
                     "xdb: bad.src:10: octal escape above \\377\n"
                     "xdb: bad.src:11: a key with a quote, a backslash or a control character "
                     "must be quoted\n"
                     "xdb: bad.src: 9 malformed lines, nothing stored\n");
    EXPECT_EQ(File("db/s.xdb"), before);
}

} // namespace
