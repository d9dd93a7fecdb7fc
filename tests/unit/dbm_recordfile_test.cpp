// Record files: chain coding, the plain and typed record bytes, the typed
// header, PurgeRecord and the rewrite's failures.
#include "Dbm.h"
#include "MemMgr.h"
#include "child.h"
#include "tooldir.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

std::string Bytes(std::string_view s) {
    return std::string(s);
}

using RecordFiles = ToolDirTest;

TEST(ChainCoding, CodesUpwardAndDecodesDownward) {
    unsigned char abc[] = {'a', 'b', 'c'};
    DbmChainCode(abc, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(abc), 3), Bytes("\x03\x01\x63"));
    DbmChainDecode(abc, 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(abc), 3), "abc");
    unsigned char one[] = {'z'};
    DbmChainCode(one, 1);
    EXPECT_EQ(one[0], 'z');
}

TEST_F(RecordFiles, PlainRecordOfTheStoreIsWrittenInHostOrder) {
    ASSERT_EQ(DbmPutRecord("p", "k", "x", 1), 1);
    // The two 16-bit fields come out little-endian on this host.
    EXPECT_EQ(ReadFileText(Db("p.xdb")), "\x05\x00\x02\x6b\x6b\x78\x78"s);
}

TEST_F(RecordFiles, TypedRecordIsBigEndianAfterTheHeader) {
    DbTHandle* const h = DbTOpen("t", 0);
    ASSERT_EQ(DbmTPutRecord(h, "k", "x", 1), 1);
    DbTClose(h);
    const std::string file = ReadFileText(Db("t.xdb"));
    ASSERT_EQ(file.size(), 16u + 7u);
    EXPECT_EQ(file.substr(0, 8), Bytes("TXDBAA1\0"s));
    EXPECT_EQ(file.substr(16), Bytes("\x00\x05\x00\x02\x6b\x00\x78"s));
}

TEST_F(RecordFiles, HeaderHoldsTheCountCutToNineDigits) {
    struct Case {
        long count;
        std::string start;
    } const cases[] = {
        {0, "TXDBAA0\0"s},
        {123456789, "TXDBAA123456789\0"s},
        {1234567890, "TXDBAA123456789\0"s},
    };
    for (const Case& c : cases) {
        std::vector<char> image(17, '\x55');
        DbTHandle h{};
        h.pImage = image.data();
        h.RecCount = c.count;
        UpdateHeader(&h);
        EXPECT_EQ(std::string(image.data(), c.start.size()), c.start) << c.count;
        EXPECT_EQ(image[16], '\x55') << "the header has 16 bytes";
    }
}

TEST_F(RecordFiles, GetDataReadsWhatPutDataWrote) {
    FILE* const out = std::fopen("f", "wb");
    static RecBuf rec;
    rec.RecLen = 5;
    std::memcpy(rec.Body, "\x02\x00k\0x", 5);
    ASSERT_EQ(PutData(out, &rec), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(rec.Body), 5), Bytes("\x02\x6b\x6b\x78\x78"))
        << "the caller's body is left coded";
    std::fclose(out);
    FILE* const in = std::fopen("f", "rb");
    static RecBuf back;
    ASSERT_EQ(GetData(in, &back), 1);
    EXPECT_EQ(back.RecLen, 5);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(back.Body), 5), Bytes("\x02\x00k\0x"s));
    EXPECT_EQ(GetData(in, &back), 0);
    std::fclose(in);
}

// Writes plain records with these keys (data "d") into name in the scratch
// directory.
void WritePlain(const char* path, const std::vector<std::string>& keys) {
    FILE* const out = std::fopen(path, "wb");
    static RecBuf rec;
    for (const std::string& k : keys) {
        const std::uint16_t kl = static_cast<std::uint16_t>(k.size() + 1);
        rec.RecLen = static_cast<std::uint16_t>(2 + kl + 1);
        std::memcpy(rec.Body, &kl, 2);
        std::memcpy(rec.Body + 2, k.c_str(), kl);
        rec.Body[2 + kl] = 'd';
        PutData(out, &rec);
    }
    std::fclose(out);
}

std::vector<std::string> PlainKeys(const char* path) {
    std::vector<std::string> keys;
    FILE* const in = std::fopen(path, "rb");
    static RecBuf rec;
    while (GetData(in, &rec))
        keys.emplace_back(reinterpret_cast<char*>(rec.Body + 2));
    std::fclose(in);
    return keys;
}

TEST_F(RecordFiles, PurgeRecordDropsTheKeyOrThePrefix) {
    struct Case {
        const char* key;
        int keylen;
        std::vector<std::string> kept;
    } const cases[] = {
        {"ab", 0, {"a", "abc", "b"}},
        {"ab", 2, {"a", "b"}},
        {"zz", 0, {"a", "ab", "abc", "b"}},
    };
    for (const Case& c : cases) {
        WritePlain("in", {"a", "ab", "abc", "b"});
        FILE* const in = std::fopen("in", "rb");
        FILE* const out = std::fopen("out", "wb");
        EXPECT_EQ(PurgeRecord("n", in, out, c.key, c.keylen), 1);
        std::fclose(in);
        std::fclose(out);
        EXPECT_EQ(PlainKeys("out"), c.kept) << c.key << " " << c.keylen;
    }
}

TEST_F(RecordFiles, OpenDataBaseOfAMissingFileIsQuietlyNull) {
    const ChildResult r =
        RunInChild([] { std::exit(OpenDataBase("none", "xdb", "rb", 1) ? 1 : 0); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
}

TEST_F(RecordFiles, OpenDataBaseRetriesAFileThatAppears) {
    // A link to a file that is made two seconds later: two failed opens.
    ASSERT_EQ(mkdir("db", 0777), 0);
    ASSERT_EQ(symlink((dir_ / "later").c_str(), "db/late.xdb"), 0);
    const std::string path = Db("late.xdb");
    const ChildResult r = RunInChild([] {
        if (fork() == 0) {
            sleep(1);
            usleep(500000);
            FILE* const f = std::fopen("later", "w");
            std::fclose(f);
            _exit(0);
        }
        FILE* const fp = OpenDataBase("late", "xdb", "rb", 1);
        std::exit(fp ? 0 : 1);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err,
              "ERROR: can't open file, " + path + "\nERROR: can't open file, " + path + "\n");
}

// A child in which files may grow to 40 bytes only.
template <typename F> ChildResult WithSmallFiles(F f) {
    return RunInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{40, 40};
        setrlimit(RLIMIT_FSIZE, &lim);
        f();
    });
}

TEST_F(RecordFiles, FailedPlainRewriteKeepsTheOldFile) {
    ASSERT_EQ(DbmPutRecord("p", "k", "012345678901234567890123456789", 30), 1);
    const std::string before = ReadFileText(Db("p.xdb"));
    const ChildResult r = WithSmallFiles([] { std::exit(DbmPutRecord("p", "k2", "y", 1)); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "ERROR: Can't write to p");
    EXPECT_EQ(ReadFileText(Db("p.xdb")), before);
    EXPECT_TRUE(FindFile(nullptr, Db("p.xdb_new").c_str())) << "the partial new file stays";
}

TEST_F(RecordFiles, FailedTypedRewriteKeepsTheOldFile) {
    DbTHandle* const h = DbTOpen("t", 0);
    ASSERT_EQ(DbmTPutRecord(h, "k", "x", 1), 1);
    const std::string before = ReadFileText(Db("t.xdb"));
    const ChildResult r = WithSmallFiles([h] {
        const char ok = DbmTPutRecord(h, "k2", "0123456789012345678901234", 25);
        std::exit(ok == 0 && DbmTGetRecordSize(h, "k2") == 25 ? 0 : 1);
    });
    EXPECT_EQ(r.status, 0) << "the image keeps the change";
    EXPECT_EQ(r.err, "ERROR: Can't write to t");
    EXPECT_EQ(ReadFileText(Db("t.xdb")), before);
    DbTClose(h);
}

} // namespace
