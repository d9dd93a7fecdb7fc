// The file-level store and the typed store: records stored, replaced,
// deleted and listed; reloads, deferred writes, plain images, and the
// refusals that keep unread or unreadable files as they are.
#include "Dbm.h"
#include "MemMgr.h"
#include "child.h"
#include "tooldir.h"
#include "utils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

using namespace std::string_literals;

namespace {

class Store : public ToolDirTest {
protected:
    // Moves the file's modification time, as another process's later change
    // would.
    void Touch(const std::string& file, int seconds) const {
        struct stat st;
        ASSERT_EQ(stat(Db(file).c_str(), &st), 0);
        const timeval tv[2] = {{st.st_atime, 0}, {st.st_mtime + seconds, 0}};
        ASSERT_EQ(utimes(Db(file).c_str(), tv), 0);
    }
};

std::string Take(char* s) {
    std::string r = s ? s : "(null)";
    PutMem(s);
    return r;
}

std::string Get(const char* name, const char* key) {
    char buf[256];
    const int n = DbmGetRecord(name, key, buf);
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string GetT(DbTHandle* h, const char* key) {
    char buf[256];
    const int n = DbmTGetRecord(h, key, buf);
    return std::string(buf, static_cast<std::size_t>(n));
}

// --- the file-level store -------------------------------------------------

TEST_F(Store, PutReplacesAndMovesTheRecordToTheEnd) {
    ASSERT_EQ(DbmPutRecord("p", "k", "x", 1), 1);
    ASSERT_EQ(DbmPutRecord("p", "a", "1", 1), 1);
    ASSERT_EQ(DbmPutRecord("p", "k", "y", 1), 1);
    EXPECT_EQ(Take(DbmGetRecordList("p", ",", ",")), ",a,k,");
    EXPECT_EQ(Get("p", "k"), "y");
    EXPECT_EQ(DbmGetRecordSize("p", "k"), 1);
    EXPECT_EQ(DbmGetRecordSize("p", "zz"), 0);
    EXPECT_TRUE(FindFile(".", "db")) << "the store makes ./db";
}

TEST_F(Store, DeletesOfThePlainStore) {
    for (const char* k : {"a", "ab", "abc", "b"})
        ASSERT_EQ(DbmPutRecord("p", k, k, static_cast<int>(std::strlen(k))), 1);
    EXPECT_EQ(DbmDeleteRecord("p", "zz"), 1) << "an absent key rewrites the file unchanged";
    EXPECT_EQ(Take(DbmGetRecordList("p", ",", ",")), ",a,ab,abc,b,");
    EXPECT_EQ(DbmDeleteRecords("p", "ab"), 1);
    EXPECT_EQ(Take(DbmGetRecordList("p", ",", ",")), ",a,b,");
    EXPECT_EQ(DbmDeleteRecord("missing", "a"), 0);
    EXPECT_EQ(DbmDeleteRecords("p", ""), 0);
    EXPECT_EQ(Take(DbmGetRecordList("missing", ",", ",")), "(null)");
}

TEST_F(Store, GetNextRecordWalksOncePerProcess) {
    ASSERT_EQ(DbmPutRecord("p", "a", "1", 1), 1);
    ASSERT_EQ(DbmPutRecord("p", "b", "22", 2), 1);
    ASSERT_EQ(DbmPutRecord("p", "c", "333", 3), 1);
    char buf[16];
    std::vector<int> sizes;
    for (int i = 0; i < 5; ++i)
        sizes.push_back(DbmGetNextRecord("p", buf));
    EXPECT_EQ(sizes, (std::vector<int>{1, 2, 3, 0, 0}));
}

TEST_F(Store, DbListAndLinkListAndDump) {
    ASSERT_EQ(mkdir("db", 0777), 0);
    for (const char* f : {"db/a.xdb", "db/b.txt", "db/c.xdb", "db/d.e.xdb"})
        std::fclose(std::fopen(f, "w"));
    const std::string flat = Take(DbmGetDbList(0));
    EXPECT_TRUE(flat == "a,c" || flat == "c,a") << flat;
    const std::string blank = Take(DbmGetDbList(1));
    EXPECT_TRUE(blank == " a c" || blank == " c a") << blank;

    ASSERT_EQ(DbmPutRecord("p", "k1", "xy", 2), 1);
    ASSERT_EQ(DbmPutRecord("p", "z", "q", 1), 1);
    DbLink* const l = DbmGetDbLinkList("p", "k");
    ASSERT_NE(l, nullptr);
    EXPECT_STREQ(l->pKey, "k1");
    EXPECT_EQ(std::string(l->pData, static_cast<std::size_t>(l->DataSize)), "xy");
    EXPECT_EQ(l->pNext, nullptr);
    DbmFreeDbLinkList(l);

    ASSERT_EQ(DbmPutRecord("d", "k", "x", 1), 1);
    ASSERT_EQ(rename(Db("d.xdb").c_str(), "d.db"), 0);
    const ChildResult r = RunInChild([] {
        DumpDbm("d");
        DumpDbm("none");
    });
    EXPECT_EQ(r.out, "5 2 ==>{k.x}\n");
    EXPECT_EQ(r.err, "ERROR: can't open file, none.db\n");
}

TEST_F(Store, WritersRefuseRecordsTheReadersCannotReadBack) {
    const std::string big(65527 - 2 - 2, 'd'); // key "k" and its NUL: a body of 65527
    DbTHandle* const h = DbTOpen("t", 0);
    EXPECT_EQ(DbmPutRecord("p", "k", big.data(), static_cast<int>(big.size())), 1);
    EXPECT_EQ(DbmGetRecordSize("p", "k"), static_cast<int>(big.size()));
    EXPECT_EQ(DbmPutRecord("p", "k", big.data(), static_cast<int>(big.size()) + 1), 0);
    EXPECT_EQ(DbmGetRecordSize("p", "k"), static_cast<int>(big.size())) << "nothing written";
    EXPECT_EQ(DbmTPutRecord(h, "k", big.data(), static_cast<int>(big.size()) + 1), 0);
    const std::string key4096(4096, 'k');
    EXPECT_EQ(DbmTPutRecord(h, key4096.c_str(), "x", 1), 0);
    EXPECT_EQ(DbmTPutRecord(h, key4096.substr(1).c_str(), "x", 1), 1);
    EXPECT_EQ(DbmTGetRecordSize(h, key4096.substr(1).c_str()), 1);
    EXPECT_EQ(DbmPutRecord("p", "e", "", 0), 0);
    DbTClose(h);
}

TEST_F(Store, PutRefusesADatabaseThatCannotBeRead) {
    // A link whose file is missing exists for the listing but never opens.
    ASSERT_EQ(mkdir("db", 0777), 0);
    ASSERT_EQ(symlink("nowhere", "db/p.xdb"), 0);
    EXPECT_EQ(DbmPutRecord("p", "k", "x", 1), 0);
    char target[64] = {};
    ASSERT_GT(readlink(Db("p.xdb").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "nowhere") << "the database is left as it is";
}

// --- the typed store ------------------------------------------------------

TEST_F(Store, NewHandleBecomesTypedWithItsFirstRecord) {
    DbTHandle* const h = DbTOpen("t", 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->pImage, nullptr);
    EXPECT_EQ(h->DbType, DBT_NEW);
    ASSERT_EQ(DbmTPutRecord(h, "k", "x", 1), 1);
    ASSERT_EQ(DbmTPutRecord(h, "k", "yz", 2), 1);
    EXPECT_EQ(h->DbType, DBT_TYPED);
    EXPECT_EQ(h->RecCount, 1);
    const std::string file = ReadFileText(Db("t.xdb"));
    EXPECT_EQ(file.substr(0, 8), "TXDBAA1\0"s);
    EXPECT_EQ(file.substr(16), "\x00\x06\x00\x02\x6b\x00\x03\x7a"s);
    EXPECT_EQ(DbmTDeleteRecord(h, "zz"), 0);
    EXPECT_EQ(ReadFileText(Db("t.xdb")), file) << "an absent key writes nothing";
    DbTClose(h);
}

TEST_F(Store, TypedDeletesListsAndBuffers) {
    DbTHandle* const h = DbTOpen("t", 0);
    for (const char* k : {"a", "ab", "abc", "a1", "b1", "a2"})
        ASSERT_EQ(DbmTPutRecord(h, k, k, static_cast<int>(std::strlen(k))), 1);
    EXPECT_EQ(Take(DbmTGetRecordListS(h, ",a,", ",", ",")), ",a,ab,abc,a1,a2,");
    EXPECT_EQ(Take(DbmTGetRecordListS(h, ",b,x,", ",", ",")), ",b1,");
    EXPECT_EQ(DbmTDeleteRecords(h, "ab"), 1);
    EXPECT_EQ(DbmTDeleteRecords(h, "zz"), 1);
    EXPECT_EQ(Take(DbmTGetRecordList(h, ",", ",")), ",a,a1,b1,a2,");
    EXPECT_EQ(h->RecCount, 4);

    const std::string ten = "0123456789";
    ASSERT_EQ(DbmTPutRecord(h, "ten", ten.data(), 10), 1);
    char small[4] = "old";
    char* buf = small;
    EXPECT_EQ(DbmTGetRecordV(h, "ten", &buf, 4), 10);
    ASSERT_NE(buf, small);
    EXPECT_EQ(std::string(buf, 10), ten);
    EXPECT_STREQ(small, "old");
    PutMem(buf);
    EXPECT_EQ(DbmTCopyRecord(h, "ten", "copy"), 1);
    EXPECT_EQ(GetT(h, "copy"), ten);
    EXPECT_EQ(DbmTCopyRecord(h, "none", "copy2"), 0);
    DbTClose(h);
}

TEST_F(Store, PlainFileStaysPlain) {
    ASSERT_EQ(DbmPutRecord("p", "a", "1", 1), 1);
    DbTHandle* const h = DbTOpen("p", 0);
    EXPECT_EQ(h->DbType, DBT_PLAIN);
    EXPECT_EQ(GetT(h, "a"), "1");
    ASSERT_EQ(DbmTPutRecord(h, "k", "x", 1), 1);
    EXPECT_EQ(ReadFileText(Db("p.xdb")), "\x05\x00\x02\x61\x61\x31\x31"s
                                         "\x05\x00\x02\x6b\x6b\x78\x78"s);
    EXPECT_EQ(Get("p", "k"), "x") << "the file-level store reads it";
    DbTClose(h);
}

TEST_F(Store, ReloadSeesAnotherProcessUnlessTheImageIsKept) {
    DbTHandle* const w = DbTOpen("t", 0);
    ASSERT_EQ(DbmTPutRecord(w, "k", "old", 3), 1);
    DbTHandle* const live = DbTOpen("t", 0);
    DbTHandle* const kept = DbTOpen("t", DBT_KEEPIMAGE);
    const ChildResult r = RunInChild([w] { std::exit(DbmTPutRecord(w, "k", "new", 3) ? 0 : 1); });
    ASSERT_EQ(r.status, 0);
    Touch("t.xdb", 5);
    EXPECT_EQ(GetT(live, "k"), "new");
    EXPECT_EQ(GetT(kept, "k"), "old");
    DbTClose(w);
    DbTClose(live);
    DbTClose(kept);
}

TEST_F(Store, DeferredChangesWaitForTheArchiveAndAreLostOnReload) {
    DbTHandle* const w = DbTOpen("t", 0);
    ASSERT_EQ(DbmTPutRecord(w, "k", "x", 1), 1);
    DbTHandle* const d = DbTOpen("t", DBT_DEFERWRITE);
    const std::string before = ReadFileText(Db("t.xdb"));
    ASSERT_EQ(DbmTPutRecord(d, "a", "1", 1), 1);
    ASSERT_EQ(DbmTDeleteRecord(d, "k"), 1);
    EXPECT_EQ(ReadFileText(Db("t.xdb")), before);
    EXPECT_EQ(GetT(d, "a"), "1") << "the image has the change";

    // Another writer's newer file replaces the image with its changes.
    ASSERT_EQ(DbmTPutRecord(w, "b", "2", 1), 1);
    Touch("t.xdb", 5);
    EXPECT_EQ(GetT(d, "a"), "");
    EXPECT_EQ(GetT(d, "k"), "x");
    ASSERT_EQ(DbmTPutRecord(d, "c", "3", 1), 1);
    ASSERT_EQ(DbmTArchiveDb(d), 1);
    DbTHandle* const r = DbTOpen("t", 0);
    EXPECT_EQ(Take(DbmTGetRecordList(r, ",", ",")), ",k,b,c,");
    DbTClose(w);
    DbTClose(d);
    DbTClose(r);
}

TEST_F(Store, DeferredChangesToAnEmptyFileSurviveTheNextOperation) {
    ASSERT_EQ(mkdir("db", 0777), 0);
    std::fclose(std::fopen("db/e.xdb", "w"));
    DbTHandle* const h = DbTOpen("e", DBT_DEFERWRITE);
    EXPECT_EQ(h->DbType, DBT_NEW);
    EXPECT_EQ(h->ImageSize, 16);
    ASSERT_EQ(DbmTPutRecord(h, "k", "x", 1), 1);
    EXPECT_EQ(GetT(h, "k"), "x");
    DbTClose(h);
}

TEST_F(Store, FirstRecordOfAKeyIsFoundAndADamagedTailIsCut) {
    // Two records keyed k (a file written elsewhere) and a cut-off record.
    const std::string header = "TXDBAA3\0\0\0\0\0\0\0\0\0"s;
    const std::string k1 = "\x00\x05\x00\x02\x6b\x00\x31"s;
    const std::string k2 = "\x00\x05\x00\x02\x6b\x00\x32"s;
    const std::string cut = "\x00\x09\x00\x02\x6b"s;
    ASSERT_EQ(mkdir("db", 0777), 0);
    dir_.Write("db/d.xdb", header + k1 + k2 + cut);
    DbTHandle* const h = DbTOpen("d", 0);
    EXPECT_EQ(GetT(h, "k"), "1");
    EXPECT_EQ(h->ImageSize, 35) << "not yet walked to the damage";
    EXPECT_EQ(GetT(h, "zz"), "");
    EXPECT_EQ(h->ImageSize, 30);
    EXPECT_EQ(Take(DbmTGetRecordList(h, ",", ",")), ",k,k,");
    ASSERT_EQ(DbmTDeleteRecord(h, "k"), 1);
    EXPECT_EQ(Take(DbmTGetRecordList(h, ",", ",")), "(null)") << "both records of the key go";
    EXPECT_EQ(ReadFileText(Db("d.xdb")).size(), 16u);
    DbTClose(h);
}

TEST_F(Store, UnreadFileIsNeverReplaced) {
    // Pool memory for the image cannot be had: ten tries fail.
    const std::string content = "TXDBAA1\0\0\0\0\0\0\0\0\0"s + std::string(70000, 'z');
    ASSERT_EQ(mkdir("db", 0777), 0);
    dir_.Write("db/u.xdb", content);
    const ChildResult r = RunInChild([] {
        // Small areas come from a block that the pool already has.
        void* const warm = GetMem(64);
        MemMapFailures = 1000000;
        DbTHandle* const h = DbTOpen("u", DBT_KEEPIMAGE);
        MemMapFailures = 0;
        const bool empty = h->ImageSize == 16 && h->DbType == DBT_NEW;
        const char put = DbmTPutRecord(h, "k", "x", 1);
        const char archived = DbmTArchiveDb(h);
        PutMem(warm);
        std::exit(empty && put == 0 && archived == 0 ? 0 : 1);
    });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileText(Db("u.xdb")), content);
}

} // namespace
