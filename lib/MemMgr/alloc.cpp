// Allocation, release and resizing of pool memory.
//
// Placement is first fit: the first block in creation order that has a run
// of enough free nodes, and in it the lowest node at which such a run
// starts. Every area handed out is zero-filled.
#include "index.h"

#include <climits>
#include <cstring>

namespace {

// The rounded size of a request: the smallest multiple of 32 above n.
int RoundedSize(int n) {
    return (n / MEM_NODE_SIZE + 1) * MEM_NODE_SIZE;
}

bool IsDedicated(const MemBlock* b) {
    return b->Size > MEM_BLOCK_SIZE;
}

int NodeIndex(const MemBlock* b, const void* p) {
    return static_cast<int>((static_cast<const char*>(p) - b->pMemory) / MEM_NODE_SIZE);
}

// Takes count nodes from first on in an ordinary block.
void TakeNodes(MemBlock* b, int first, int count) {
    std::memset(b->MAT + first, 'U', static_cast<std::size_t>(count));
    memidx::MarkUsed(b, first, count);
    b->FreeNodeCount -= count;
    if (b->MaxRun > b->FreeNodeCount)
        memidx::SetMaxRun(b, b->FreeNodeCount);
}

// Gives count nodes from first on back to the block.
void ReleaseNodes(MemBlock* b, int first, int count) {
    std::memset(b->MAT + first, ' ', static_cast<std::size_t>(count));
    memidx::MarkFree(b, first, count);
    b->FreeNodeCount += count;
    const int run = memidx::FreeRunAround(b, first);
    if (run > b->MaxRun)
        memidx::SetMaxRun(b, run);
}

void* AllocateIn(MemBlock* b, int i, int k) {
    TakeNodes(b, i, k);
    char* p = b->pMemory + MEM_NODE_SIZE * i;
    b->Nodes[i] = {static_cast<std::uint16_t>(k), p};
    std::memset(p, 0, static_cast<std::size_t>(k) * MEM_NODE_SIZE);
    return p;
}

void* GetDedicated(int size) {
    // The data area is the size rounded up to whole blocks.
    const long area =
        (static_cast<long>(size) + MEM_BLOCK_SIZE - 1) / MEM_BLOCK_SIZE * MEM_BLOCK_SIZE;
    if (area > INT_MAX)
        return nullptr;
    MemBlock* b = GetNewBlock(static_cast<int>(area));
    if (!b)
        return nullptr;
    std::memset(b->pMemory, 0, static_cast<std::size_t>(size));
    std::memset(b->MAT, 'U', MEM_BLOCK_NODES);
    memidx::MarkUsed(b, 0, MEM_BLOCK_NODES);
    memidx::SetMaxRun(b, 0);
    b->FreeNodeCount = 0;
    b->UsedSize = size;
    return b->pMemory;
}

// The allocation that starts at p in block b: true when p is one.
bool IsAllocationStart(const MemBlock* b, const void* p) {
    if (IsDedicated(b))
        return p == b->pMemory;
    const MemNode& node = b->Nodes[NodeIndex(b, p)];
    return node.NodeCount != 0 && node.pAddr == p;
}

} // namespace

void* GetMem(int n) {
    if (n <= 0 || n > INT_MAX - MEM_NODE_SIZE)
        return nullptr;
    const int size = RoundedSize(n);
    if (size > MEM_BLOCK_SIZE)
        return GetDedicated(size);
    const int k = size / MEM_NODE_SIZE;
    // Blocks whose MaxRun says they may hold k free nodes, in list order; a
    // block that has no such run after all learns it.
    while (MemBlock* b = memidx::FirstCandidate(k)) {
        const int i = memidx::FindFreeRun(b, k);
        if (i >= 0)
            return AllocateIn(b, i, k);
        memidx::SetMaxRun(b, k - 1);
    }
    MemBlock* b = GetNewBlock(size);
    if (!b)
        return nullptr;
    return AllocateIn(b, memidx::FindFreeRun(b, k), k);
}

void PutMem(void* p) {
    MemBlock* b = FindBlock(p);
    if (!b)
        return;
    if (IsDedicated(b)) {
        FreeBlock(b);
        return;
    }
    const int i = NodeIndex(b, p);
    MemNode& node = b->Nodes[i];
    if (node.NodeCount != 0 && node.pAddr == p) {
        ReleaseNodes(b, i, node.NodeCount);
        node = {};
    }
    if (b->FreeNodeCount == MEM_BLOCK_NODES)
        FreeBlock(b);
}

void* AdjustMem(void* p, int n) {
    if (n <= 0) {
        if (p)
            PutMem(p);
        return nullptr;
    }
    MemBlock* b = FindBlock(p);
    if (!p || !b)
        return GetMem(n);
    if (!IsAllocationStart(b, p) || n > INT_MAX - MEM_NODE_SIZE)
        return nullptr; // not an allocation of the pool: nothing changes
    const int size = RoundedSize(n);
    char* const area = static_cast<char*>(p);

    if (size > MEM_BLOCK_SIZE || IsDedicated(b)) {
        if (size > b->Size) {
            char* q = static_cast<char*>(GetMem(size));
            if (!q)
                return nullptr; // the old allocation stays as it was
            const int keep =
                IsDedicated(b) ? b->UsedSize : b->Nodes[NodeIndex(b, p)].NodeCount * MEM_NODE_SIZE;
            std::memcpy(q, area, static_cast<std::size_t>(keep));
            PutMem(p);
            return q;
        }
        // A dedicated block keeps its area; only the used size changes.
        if (size < b->UsedSize)
            std::memset(area + size, 0, static_cast<std::size_t>(b->UsedSize - size));
        else if (size > b->UsedSize)
            std::memset(area + b->UsedSize, 0, static_cast<std::size_t>(size - b->UsedSize));
        b->UsedSize = size;
        return p;
    }

    const int i = NodeIndex(b, p);
    const int k = size / MEM_NODE_SIZE;
    MemNode& node = b->Nodes[i];
    const int m = node.NodeCount;
    if (k == m)
        return p;
    if (k < m) {
        const int d = m - k;
        std::memset(area + MEM_NODE_SIZE * k, 0, static_cast<std::size_t>(d) * MEM_NODE_SIZE);
        node.NodeCount = static_cast<std::uint16_t>(k);
        ReleaseNodes(b, i + k, d);
        return p;
    }
    const int d = k - m;
    if (i + k <= MEM_BLOCK_NODES && TestMAT(b->MAT + i + m, ' ', d)) {
        TakeNodes(b, i + m, d);
        std::memset(area + MEM_NODE_SIZE * m, 0, static_cast<std::size_t>(d) * MEM_NODE_SIZE);
        node.NodeCount = static_cast<std::uint16_t>(k);
        return p;
    }
    if (i - d >= 0 && TestMAT(b->MAT + i - d, ' ', d)) {
        TakeNodes(b, i - d, d);
        char* q = b->pMemory + MEM_NODE_SIZE * (i - d);
        std::memmove(q, area, static_cast<std::size_t>(m) * MEM_NODE_SIZE);
        std::memset(q + MEM_NODE_SIZE * m, 0, static_cast<std::size_t>(d) * MEM_NODE_SIZE);
        b->Nodes[i - d] = {static_cast<std::uint16_t>(k), q};
        node = {};
        return q;
    }
    char* q = static_cast<char*>(GetMem(size));
    if (!q)
        return nullptr; // the old allocation stays as it was
    std::memcpy(q, area, static_cast<std::size_t>(m) * MEM_NODE_SIZE);
    PutMem(p);
    return q;
}
