// The pool's edge cases: sizes and node counts, first fit, release of empty
// blocks, zero-filled memory, resizing, failures and the dump.
#include "MemMgr.h"
#include "child.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<const MemBlock*> Blocks() {
    std::vector<const MemBlock*> list;
    for (const MemBlock* b = pMemB; b; b = b->pNext)
        list.push_back(b);
    return list;
}

const MemBlock* BlockOf(const void* p) {
    return FindBlock(p);
}

bool AllZero(const void* p, int n) {
    const auto* c = static_cast<const unsigned char*>(p);
    for (int i = 0; i < n; ++i)
        if (c[i])
            return false;
    return true;
}

TEST(Pool, SizesGiveTheirNodeCounts) {
    struct Case {
        int n;
        int nodes; // nodes taken in an ordinary block, 0 for a dedicated block
        int size;  // data area of the block
    } cases[] = {{1, 1, 65536},      {31, 1, 65536},      {32, 2, 65536},
                 {63, 2, 65536},     {64, 3, 65536},      {65535, 2048, 65536},
                 {65536, 0, 131072}, {131071, 0, 131072}, {131072, 0, 196608}};
    for (const Case& c : cases) {
        ASSERT_EQ(pMemB, nullptr);
        void* p = GetMem(c.n);
        ASSERT_NE(p, nullptr) << c.n;
        const MemBlock* b = BlockOf(p);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->Size, c.size) << c.n;
        EXPECT_EQ(p, b->pMemory) << c.n;
        if (c.nodes) {
            EXPECT_EQ(b->Nodes[0].NodeCount, c.nodes) << c.n;
            EXPECT_EQ(b->FreeNodeCount, 2048 - c.nodes) << c.n;
            EXPECT_EQ(std::string(b->MAT).find(' '),
                      c.nodes == 2048 ? std::string::npos : size_t(c.nodes));
        } else {
            EXPECT_EQ(b->FreeNodeCount, 0);
            EXPECT_EQ(b->UsedSize, (c.n / 32 + 1) * 32);
            EXPECT_EQ(std::string(b->MAT), std::string(2048, 'U'));
        }
        PutMem(p);
        EXPECT_EQ(pMemB, nullptr) << "the block goes with its last allocation, n = " << c.n;
    }
}

TEST(Pool, ZeroAndNegativeRequestsMakeNoBlock) {
    EXPECT_EQ(GetMem(0), nullptr);
    EXPECT_EQ(GetMem(-5), nullptr);
    EXPECT_EQ(pMemB, nullptr);
}

TEST(Pool, FirstFitReusesTheLowestFreeNodes) {
    char* a = static_cast<char*>(GetMem(10));
    char* b = static_cast<char*>(GetMem(10));
    EXPECT_EQ(b - a, 32);
    PutMem(a);
    EXPECT_EQ(GetMem(10), a);
}

TEST(Pool, ScatteredFreeNodesSendARequestToTheNextBlock) {
    // Fill the first block with one-node allocations, then free every other one:
    // 1024 free nodes, none next to another.
    std::vector<void*> ones;
    for (int i = 0; i < 2048; ++i)
        ones.push_back(GetMem(1));
    ASSERT_EQ(Blocks().size(), 1u);
    for (int i = 0; i < 2048; i += 2)
        PutMem(ones[size_t(i)]);
    EXPECT_EQ(pMemB->FreeNodeCount, 1024);
    void* two = GetMem(40); // two nodes
    ASSERT_EQ(Blocks().size(), 2u);
    EXPECT_EQ(BlockOf(two), Blocks()[1]);
    EXPECT_EQ(GetMem(1), ones[0]) << "a one-node request still fits the first block";
}

TEST(Pool, EmptyBlocksLeaveTheList) {
    void* a = GetMem(65535); // fills block 1
    void* b = GetMem(65535); // block 2
    void* c = GetMem(65535); // block 3
    ASSERT_EQ(Blocks().size(), 3u);
    const MemBlock* second = BlockOf(b);
    PutMem(a);
    ASSERT_EQ(Blocks().size(), 2u);
    EXPECT_EQ(pMemB, second) << "the successor becomes the head";
    EXPECT_EQ(pMemB->pPrev, nullptr);
    PutMem(c);
    ASSERT_EQ(Blocks().size(), 1u);
    EXPECT_EQ(pMemB->pNext, nullptr);
    PutMem(b);
    EXPECT_EQ(pMemB, nullptr);
}

TEST(Pool, ReleaseIgnoresForeignAndInnerAddresses) {
    int local = 0;
    char* p = static_cast<char*>(GetMem(100)); // four nodes
    PutMem(nullptr);
    PutMem(&local);
    PutMem(p + 32); // inside the allocation, not at its start
    PutMem(p + 1);
    EXPECT_EQ(pMemB->FreeNodeCount, 2044);
    EXPECT_EQ(BlockOf(p + 65535), pMemB);
    EXPECT_EQ(BlockOf(p + 65536), nullptr) << "the page after the data area is no block's";
}

TEST(Pool, MemoryReadsAsZeroAfterReuse) {
    char* p = static_cast<char*>(GetMem(200));
    std::memset(p, 0x5a, 200);
    PutMem(p);
    char* q = static_cast<char*>(GetMem(200));
    EXPECT_TRUE(AllZero(q, 224));
}

TEST(Pool, AdjustMemSpecialArguments) {
    char* p = static_cast<char*>(AdjustMem(nullptr, 10));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(BlockOf(p)->Nodes[0].NodeCount, 1);
    EXPECT_EQ(AdjustMem(p, 20), p) << "same node count, same place";
    EXPECT_EQ(AdjustMem(p, 0), nullptr);
    EXPECT_EQ(pMemB, nullptr) << "n = 0 released it";
}

TEST(Pool, GrowingForwardBackwardAndElsewhere) {
    char* a = static_cast<char*>(GetMem(31)); // node 0
    char* b = static_cast<char*>(GetMem(31)); // node 1
    char* c = static_cast<char*>(GetMem(31)); // node 2
    std::strcpy(b, "bee");

    // Forward: the nodes after c are free.
    EXPECT_EQ(AdjustMem(c, 100), c);
    EXPECT_EQ(BlockOf(c)->Nodes[2].NodeCount, 4);

    // Backward: node 0 is free, node 2 is not.
    PutMem(a);
    char* moved = static_cast<char*>(AdjustMem(b, 40));
    EXPECT_EQ(moved, a);
    EXPECT_STREQ(moved, "bee");
    EXPECT_TRUE(AllZero(moved + 32, 32)) << "the added node is zero";
    EXPECT_EQ(BlockOf(moved)->Nodes[1].NodeCount, 0);

    // Elsewhere: neither side is free.
    char* d = static_cast<char*>(AdjustMem(moved, 100));
    EXPECT_NE(d, moved);
    EXPECT_EQ(d, BlockOf(d)->pMemory + 32 * 6) << "first fit after c's nodes 2 to 5";
    EXPECT_STREQ(d, "bee");
}

TEST(Pool, ShrinkingClearsWhatIsCutOff) {
    char* p = static_cast<char*>(GetMem(200)); // 7 nodes
    std::memset(p, 'x', 200);
    EXPECT_EQ(AdjustMem(p, 40), p);
    EXPECT_EQ(BlockOf(p)->Nodes[0].NodeCount, 2);
    EXPECT_EQ(BlockOf(p)->FreeNodeCount, 2046);
    EXPECT_TRUE(AllZero(p + 64, 200 - 64));
    EXPECT_EQ(GetMem(10), p + 64) << "the freed nodes are free again";
}

TEST(Pool, DedicatedBlocksKeepTheirAreaWhenShrunk) {
    char* p = static_cast<char*>(GetMem(100000));
    std::memset(p, 'y', 100000);
    EXPECT_EQ(AdjustMem(p, 1000), p);
    const MemBlock* b = BlockOf(p);
    EXPECT_EQ(b->Size, 131072);
    EXPECT_EQ(b->UsedSize, 1024);
    EXPECT_TRUE(AllZero(p + 1024, 100000 - 1024));
    EXPECT_EQ(AdjustMem(p, 120000), p) << "still within the area";
    EXPECT_EQ(b->UsedSize, 120032);
    EXPECT_TRUE(AllZero(p + 1024, 120000 - 1024));

    // Growing past the area moves it to a larger dedicated block.
    char* q = static_cast<char*>(AdjustMem(p, 200000));
    ASSERT_NE(q, p);
    EXPECT_EQ(BlockOf(q)->Size, 262144);
    EXPECT_EQ(q[999], 'y');
    EXPECT_TRUE(AllZero(q + 1024, 200000 - 1024));
    EXPECT_EQ(Blocks().size(), 1u) << "the old block was released";
}

TEST(Pool, OutOfMemoryReportsAndKeepsTheOldAllocation) {
    const ChildResult r = RunInChild([] {
        char* p = static_cast<char*>(GetMem(40));
        std::strcpy(p, "kept");
        char* filler = static_cast<char*>(GetMem(65536 - 64 - 1)); // rest of the block
        MemMapFailures = 1;
        if (AdjustMem(p, 1000) != nullptr)
            std::printf("moved\n");
        std::printf("%s %d %d\n", p, pMemB->FreeNodeCount, pMemB->pNext == nullptr);
        MemMapFailures = 2;
        std::printf("%d\n", GetMem(100000) == nullptr);
        PutMem(filler);
    });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "kept 0 1\n1\n");
    EXPECT_EQ(r.err, "ERROR: Unable to allocate memory\nERROR: Unable to allocate memory\n");
}

TEST(Pool, WorksOnHeapMemoryWithoutTheZeroDevice) {
    pMemZeroDevice = "/nonexistent/zero";
    std::vector<void*> all;
    for (int i = 0; i < 3000; ++i)
        all.push_back(GetMem(40));
    void* big = GetMem(70000);
    EXPECT_TRUE(AllZero(big, 70000));
    EXPECT_EQ(Blocks().size(), 4u);
    for (void* p : all)
        PutMem(p);
    PutMem(big);
    EXPECT_EQ(pMemB, nullptr);
}

TEST(Pool, DumpShowsEveryBlock) {
    const ChildResult r = RunInChild([] {
        char* a = static_cast<char*>(GetMem(40));
        std::strcpy(a, "hello");
        GetMem(1);
        char* big = static_cast<char*>(GetMem(70000));
        const MemBlock* b = pMemB;
        std::fprintf(stderr, "%li %li %li %li", reinterpret_cast<long>(b),
                     reinterpret_cast<long>(a), reinterpret_cast<long>(b->pNext),
                     reinterpret_cast<long>(big));
        DumpMem();
    });
    ASSERT_EQ(r.status, 0);
    long header = 0, a = 0, next = 0, big = 0;
    ASSERT_EQ(std::sscanf(r.err.c_str(), "%li %li %li %li", &header, &a, &next, &big), 4);
    std::string mat = "UUU" + std::string(2045, '_');
    std::string expected =
        "\n============ Block(" + std::to_string(header) +
        ") size(65536) Free(2045) Used(3) FreeNodeCount(2045) SizeCnt(2045) <==(0) (" +
        std::to_string(next) + ")==>\n\tBlock MAT:";
    for (int i = 0; i < 2048; i += 64)
        expected += "\n\t" + mat.substr(size_t(i), 64);
    expected += "\n\n\tAllocated Nodes:\n";
    char line[200];
    std::snprintf(line, sizeof line,
                  "\tMAT index(     0) Memory Addr(%6li) nodes(    2) size(   64) Memory(hello)\n",
                  a);
    expected += line;
    std::snprintf(line, sizeof line,
                  "\tMAT index(     2) Memory Addr(%6li) nodes(    1) size(   32) Memory()\n",
                  a + 64);
    expected += line;
    expected += "\n\n============ Dedicated Block(" + std::to_string(big) +
                ") size(131072) FreeNodeCount(0) <==(" + std::to_string(header) + ") (0)==>";
    EXPECT_EQ(r.out, expected);
}

TEST(Pool, TestMATComparesRuns) {
    EXPECT_EQ(TestMAT("   U", ' ', 3), 1);
    EXPECT_EQ(TestMAT("   U", ' ', 4), 0);
    EXPECT_EQ(TestMAT("", ' ', 0), 1);
    EXPECT_EQ(TestMAT("\xff\xff", '\xff', 2), 1);
}

} // namespace
