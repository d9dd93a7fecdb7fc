// Differential test of the pool: a long random sequence of GetMem, AdjustMem
// and PutMem is run against a small reference model that keeps each block's
// allocation table as a string and searches it from the start, blocks in
// creation order. Every returned address, every block's counters and table,
// and the contents of every live allocation are compared after each step.
#include "MemMgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kNode = 32;
constexpr int kNodes = 2048;
constexpr int kBlock = kNode * kNodes;

int Rounded(int n) {
    return (n / kNode + 1) * kNode;
}

struct ModelBlock {
    char* mem = nullptr;
    int size = kBlock;
    int usedSize = 0;
    int freeNodes = kNodes;
    std::string mat = std::string(kNodes, ' ');
    std::vector<int> count = std::vector<int>(kNodes, 0);
    bool dedicated() const { return size > kBlock; }
};

// The pool's rules, written as plainly as possible.
class Model {
public:
    std::vector<ModelBlock> blocks;

    char* Get(int n) {
        if (n == 0)
            return nullptr;
        const int s = Rounded(n);
        if (s > kBlock) {
            ModelBlock& b = NewBlock((s + kBlock - 1) / kBlock * kBlock);
            b.mat = std::string(kNodes, 'U');
            b.freeNodes = 0;
            b.usedSize = s;
            return b.mem;
        }
        const int k = s / kNode;
        const std::string pattern(static_cast<size_t>(k), ' ');
        for (size_t bi = 0;; ++bi) {
            if (bi == blocks.size())
                NewBlock(s);
            ModelBlock& b = blocks[bi];
            if (k > b.freeNodes)
                continue;
            const size_t i = b.mat.find(pattern);
            if (i == std::string::npos)
                continue;
            b.mat.replace(i, static_cast<size_t>(k), pattern.size(), 'U');
            b.count[i] = k;
            b.freeNodes -= k;
            return b.mem + kNode * i;
        }
    }

    void Put(char* p) {
        const int bi = Find(p);
        if (bi < 0)
            return;
        ModelBlock& b = blocks[static_cast<size_t>(bi)];
        if (b.dedicated()) {
            blocks.erase(blocks.begin() + bi);
            return;
        }
        const int i = static_cast<int>((p - b.mem) / kNode);
        if (b.count[static_cast<size_t>(i)]) {
            b.freeNodes += b.count[static_cast<size_t>(i)];
            b.mat.replace(static_cast<size_t>(i),
                          static_cast<size_t>(b.count[static_cast<size_t>(i)]),
                          static_cast<size_t>(b.count[static_cast<size_t>(i)]), ' ');
            b.count[static_cast<size_t>(i)] = 0;
        }
        if (b.mat.find('U') == std::string::npos)
            blocks.erase(blocks.begin() + bi);
    }

    char* Adjust(char* p, int n) {
        if (n == 0) {
            Put(p);
            return nullptr;
        }
        const int bi = Find(p);
        if (bi < 0)
            return Get(n);
        const int s = Rounded(n);
        ModelBlock& b = blocks[static_cast<size_t>(bi)];
        if (s > kBlock || b.dedicated()) {
            if (s > b.size) {
                char* q = Get(s);
                Put(p);
                return q;
            }
            blocks[static_cast<size_t>(bi)].usedSize = s;
            return p;
        }
        const int i = static_cast<int>((p - b.mem) / kNode);
        const int k = s / kNode;
        const int m = b.count[static_cast<size_t>(i)];
        if (k == m)
            return p;
        if (k < m) {
            b.mat.replace(static_cast<size_t>(i + k), static_cast<size_t>(m - k),
                          static_cast<size_t>(m - k), ' ');
            b.count[static_cast<size_t>(i)] = k;
            b.freeNodes += m - k;
            return p;
        }
        const int d = k - m;
        if (i + k <= kNodes && b.mat.compare(static_cast<size_t>(i + m), static_cast<size_t>(d),
                                             std::string(static_cast<size_t>(d), ' ')) == 0) {
            b.mat.replace(static_cast<size_t>(i), static_cast<size_t>(k), static_cast<size_t>(k),
                          'U');
            b.count[static_cast<size_t>(i)] = k;
            b.freeNodes -= d;
            return p;
        }
        if (i - d >= 0 && b.mat.compare(static_cast<size_t>(i - d), static_cast<size_t>(d),
                                        std::string(static_cast<size_t>(d), ' ')) == 0) {
            b.mat.replace(static_cast<size_t>(i - d), static_cast<size_t>(k),
                          static_cast<size_t>(k), 'U');
            b.count[static_cast<size_t>(i - d)] = k;
            b.count[static_cast<size_t>(i)] = 0;
            b.freeNodes -= d;
            return b.mem + kNode * (i - d);
        }
        char* q = Get(s);
        Put(p);
        return q;
    }

private:
    int Find(const char* p) const {
        if (!p)
            return -1;
        for (size_t bi = 0; bi < blocks.size(); ++bi)
            if (p >= blocks[bi].mem && p - blocks[bi].mem < blocks[bi].size)
                return static_cast<int>(bi);
        return -1;
    }

    // A new block is the one that the real pool appended at the tail of its
    // list; its address is taken from there.
    ModelBlock& NewBlock(int size) {
        ModelBlock b;
        b.size = size < kBlock ? kBlock : size;
        MemBlock* tail = pMemB;
        while (tail && tail->pNext)
            tail = tail->pNext;
        b.mem = tail ? tail->pMemory : nullptr;
        blocks.push_back(b);
        return blocks.back();
    }
};

struct Live {
    char* p = nullptr;
    int n = 0;     // bytes asked for
    char fill = 0; // every asked-for byte holds this
    int dirty = 0; // bytes from here to the end of the allocation are zero
};

void Fill(Live& a, char fill) {
    a.fill = fill;
    std::memset(a.p, fill, static_cast<size_t>(a.n));
    a.dirty = std::max(a.dirty, a.n);
}

::testing::AssertionResult SameBlocks(const Model& model) {
    size_t bi = 0;
    for (const MemBlock* b = pMemB; b; b = b->pNext, ++bi) {
        if (bi >= model.blocks.size())
            return ::testing::AssertionFailure() << "pool has more blocks than the model";
        const ModelBlock& m = model.blocks[bi];
        if (b->pMemory != m.mem || b->Size != m.size || b->FreeNodeCount != m.freeNodes ||
            b->UsedSize != m.usedSize)
            return ::testing::AssertionFailure()
                   << "block " << bi << ": size " << b->Size << "/" << m.size << " free "
                   << b->FreeNodeCount << "/" << m.freeNodes << " used " << b->UsedSize << "/"
                   << m.usedSize;
        if (std::string(b->MAT) != m.mat)
            return ::testing::AssertionFailure() << "block " << bi << ": MAT differs";
        if (b->pNext && b->pNext->pPrev != b)
            return ::testing::AssertionFailure() << "block " << bi << ": broken back link";
        if (!m.dedicated())
            for (int i = 0; i < kNodes; ++i)
                if (b->Nodes[i].NodeCount != m.count[static_cast<size_t>(i)] ||
                    (m.count[static_cast<size_t>(i)] &&
                     b->Nodes[i].pAddr != b->pMemory + kNode * i))
                    return ::testing::AssertionFailure() << "block " << bi << ": node " << i;
    }
    if (bi != model.blocks.size())
        return ::testing::AssertionFailure() << "model has more blocks than the pool";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult Holds(const Live& a) {
    for (int j = 0; j < a.n; ++j)
        if (a.p[j] != a.fill)
            return ::testing::AssertionFailure() << "content lost at byte " << j;
    // The byte beyond the request belongs to the allocation and reads as zero.
    if (a.dirty <= a.n && a.p[a.n] != 0)
        return ::testing::AssertionFailure() << "byte after the request is not zero";
    return ::testing::AssertionSuccess();
}

int RandomSize(std::mt19937& rng) {
    const int kind = static_cast<int>(rng() % 100);
    if (kind < 70)
        return 1 + static_cast<int>(rng() % 200);
    if (kind < 95)
        return 200 + static_cast<int>(rng() % 6000);
    if (kind < 98)
        return 30000 + static_cast<int>(rng() % 35537);
    return 65536 + static_cast<int>(rng() % 140000);
}

void RunSequence(unsigned seed, int steps, int slots) {
    ASSERT_EQ(pMemB, nullptr);
    std::mt19937 rng(seed);
    Model model;
    std::vector<Live> live(static_cast<size_t>(slots));
    for (int step = 0; step < steps; ++step) {
        Live& a = live[rng() % live.size()];
        const int op = static_cast<int>(rng() % 10);
        if (!a.p || op < 4) {
            if (a.p) {
                PutMem(a.p);
                model.Put(a.p);
            }
            a.n = RandomSize(rng);
            a.dirty = 0;
            a.p = static_cast<char*>(GetMem(a.n));
            ASSERT_EQ(a.p, model.Get(a.n)) << "GetMem(" << a.n << ") at step " << step;
            for (int j = 0; j <= a.n; ++j)
                ASSERT_EQ(a.p[j], 0) << "GetMem area not zero at step " << step;
            Fill(a, static_cast<char>(1 + step % 250));
        } else if (op < 7) {
            PutMem(a.p);
            model.Put(a.p);
            a = Live{};
        } else {
            const int n = RandomSize(rng);
            char* q = static_cast<char*>(AdjustMem(a.p, n));
            ASSERT_EQ(q, model.Adjust(a.p, n)) << "AdjustMem to " << n << " at step " << step;
            const int kept = std::min(a.n, n);
            for (int j = 0; j < kept; ++j)
                ASSERT_EQ(q[j], a.fill) << "AdjustMem lost content at step " << step;
            // What the allocation gains, and what it cut off before, is zero.
            a.dirty = std::min(a.dirty, Rounded(n));
            for (int j = std::max(a.dirty, kept); j <= n; ++j)
                ASSERT_EQ(q[j], 0) << "AdjustMem added non-zero bytes at step " << step;
            a.p = q;
            a.n = n;
            Fill(a, static_cast<char>(1 + step % 250));
        }
        ASSERT_TRUE(SameBlocks(model)) << "after step " << step;
    }
    for (const Live& a : live) {
        if (a.p) {
            ASSERT_TRUE(Holds(a));
        }
    }
    for (Live& a : live)
        if (a.p) {
            PutMem(a.p);
            model.Put(a.p);
        }
    ASSERT_TRUE(SameBlocks(model));
    EXPECT_EQ(pMemB, nullptr) << "releasing everything leaves the pool empty";
}

TEST(PoolModel, FewSlotsManyReuses) {
    RunSequence(1, 20000, 40);
}
TEST(PoolModel, ManySlotsManyBlocks) {
    RunSequence(7, 20000, 1500);
}

TEST(PoolModel, ShrinkingAndGrowingInPlace) {
    // Adjustments only, so that forward and backward growth happen often.
    ASSERT_EQ(pMemB, nullptr);
    std::mt19937 rng(3);
    Model model;
    std::vector<Live> live(64);
    for (int step = 0; step < 20000; ++step) {
        Live& a = live[rng() % live.size()];
        const int n = static_cast<int>(rng() % 700);
        char* q = static_cast<char*>(AdjustMem(a.p, n));
        ASSERT_EQ(q, model.Adjust(a.p, n)) << "step " << step;
        const int kept = std::min(a.n, n);
        for (int j = 0; q && j < kept; ++j) {
            ASSERT_EQ(q[j], a.fill) << "step " << step;
        }
        a.p = q;
        a.n = q ? n : 0;
        if (q)
            Fill(a, static_cast<char>(1 + step % 200));
        ASSERT_TRUE(SameBlocks(model)) << "after step " << step;
    }
}

} // namespace
