// Internal indexes of the pool. They only speed up what the block list
// defines: the block of an address, and the first block in creation order
// that may hold a run of free nodes. Their memory is mapped
// directly from the system, never taken from the pool; when it cannot be had
// the pool falls back to walking the block list.
#include "index.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <sys/mman.h>

namespace memidx {
namespace {

void* MapAnon(std::size_t len) {
    void* p = mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : p;
}

// ---------------------------------------------------------------------------
// Address index: a two-level table over 64 KiB chunks of the address space.
// A block's data area is at least 64 KiB long and areas never overlap, so a
// chunk meets at most two of them.
constexpr int kChunkShift = 16;
constexpr int kLeafBits = 16;
constexpr int kTopBits = 47 - kChunkShift - kLeafBits; // user addresses below 2^47
constexpr std::size_t kLeafEntries = std::size_t{1} << kLeafBits;

struct ChunkEntry {
    MemBlock* b[2];
};

ChunkEntry* gTop[std::size_t{1} << kTopBits];
bool gAddrIndexBroken = false;

ChunkEntry* Leaf(std::uintptr_t chunk, bool create) {
    const std::uintptr_t top = chunk >> kLeafBits;
    if (top >= (std::uintptr_t{1} << kTopBits))
        return nullptr;
    ChunkEntry*& leaf = gTop[top];
    if (!leaf && create)
        leaf = static_cast<ChunkEntry*>(MapAnon(kLeafEntries * sizeof(ChunkEntry)));
    return leaf ? leaf + (chunk & (kLeafEntries - 1)) : nullptr;
}

template <typename F> void ForEachChunk(const MemBlock* b, F f) {
    const auto first = reinterpret_cast<std::uintptr_t>(b->pMemory) >> kChunkShift;
    const auto last =
        (reinterpret_cast<std::uintptr_t>(b->pMemory) + static_cast<std::uintptr_t>(b->Size) - 1) >>
        kChunkShift;
    for (std::uintptr_t c = first; c <= last; ++c)
        f(c);
}

MemBlock* WalkForBlock(const void* p) {
    const char* c = static_cast<const char*>(p);
    for (MemBlock* b = pMemB; b; b = b->pNext)
        if (c >= b->pMemory && c - b->pMemory < b->Size)
            return b;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Placement index: a max segment tree over slots given to the ordinary blocks
// in creation order (the order of the list). A slot's value is its block's
// MaxRun, -1 for an empty slot.
struct Placement {
    int capacity = 0;             // a power of two
    int used = 0;                 // slots handed out so far
    std::int32_t* tree = nullptr; // 2 * capacity entries, leaves from capacity
    MemBlock** blocks = nullptr;  // capacity entries
    std::size_t bytes = 0;
    bool broken = false;
};
Placement gPlace;

void SetSlot(int slot, std::int32_t v) {
    int node = gPlace.capacity + slot;
    gPlace.tree[node] = v;
    for (node /= 2; node >= 1; node /= 2) {
        const std::int32_t m = std::max(gPlace.tree[2 * node], gPlace.tree[2 * node + 1]);
        if (gPlace.tree[node] == m)
            break;
        gPlace.tree[node] = m;
    }
}

// Renumbers the ordinary blocks of the list into a fresh table with room to
// grow; false when no memory can be had.
bool Rebuild() {
    int live = 0;
    for (MemBlock* b = pMemB; b; b = b->pNext)
        if (b->Size <= MEM_BLOCK_SIZE)
            ++live;
    int capacity = 64;
    while (capacity < 2 * (live + 1))
        capacity *= 2;
    const std::size_t bytes = std::size_t(capacity) * 2 * sizeof(std::int32_t) +
                              std::size_t(capacity) * sizeof(MemBlock*);
    void* area = MapAnon(bytes);
    if (!area)
        return false;
    if (gPlace.tree)
        munmap(gPlace.tree, gPlace.bytes);
    gPlace.capacity = capacity;
    gPlace.bytes = bytes;
    gPlace.tree = static_cast<std::int32_t*>(area);
    gPlace.blocks = reinterpret_cast<MemBlock**>(gPlace.tree + 2 * capacity);
    std::fill(gPlace.tree, gPlace.tree + 2 * capacity, -1);
    int slot = 0;
    for (MemBlock* b = pMemB; b; b = b->pNext) {
        if (b->Size > MEM_BLOCK_SIZE)
            continue;
        b->Slot = slot;
        gPlace.blocks[slot] = b;
        gPlace.tree[capacity + slot] = b->MaxRun;
        ++slot;
    }
    gPlace.used = slot;
    for (int node = capacity - 1; node >= 1; --node)
        gPlace.tree[node] = std::max(gPlace.tree[2 * node], gPlace.tree[2 * node + 1]);
    return true;
}

MemBlock* WalkForCandidate(int k) {
    for (MemBlock* b = pMemB; b; b = b->pNext)
        if (b->Size <= MEM_BLOCK_SIZE && b->MaxRun >= k)
            return b;
    return nullptr;
}

} // namespace

void AddBlockRange(MemBlock* b) {
    if (gAddrIndexBroken)
        return;
    ForEachChunk(b, [&](std::uintptr_t c) {
        ChunkEntry* e = Leaf(c, true);
        if (!e) {
            gAddrIndexBroken = true;
            return;
        }
        (e->b[0] ? e->b[1] : e->b[0]) = b;
    });
}

void RemoveBlockRange(MemBlock* b) {
    if (gAddrIndexBroken)
        return;
    ForEachChunk(b, [&](std::uintptr_t c) {
        if (ChunkEntry* e = Leaf(c, false)) {
            if (e->b[0] == b)
                e->b[0] = nullptr;
            if (e->b[1] == b)
                e->b[1] = nullptr;
        }
    });
}

MemBlock* LookupBlock(const void* p) {
    if (!p)
        return nullptr;
    if (gAddrIndexBroken)
        return WalkForBlock(p);
    const ChunkEntry* e = Leaf(reinterpret_cast<std::uintptr_t>(p) >> kChunkShift, false);
    if (!e)
        return nullptr;
    const char* c = static_cast<const char*>(p);
    for (MemBlock* b : e->b)
        if (b && c >= b->pMemory && c - b->pMemory < b->Size)
            return b;
    return nullptr;
}

void AddOrdinary(MemBlock* b) {
    b->Slot = -1;
    if (gPlace.broken)
        return;
    if (gPlace.used == gPlace.capacity) {
        // b is already in the list, so the rebuild gives it its slot.
        if (!Rebuild())
            gPlace.broken = true;
        return;
    }
    b->Slot = gPlace.used++;
    gPlace.blocks[b->Slot] = b;
    SetSlot(b->Slot, b->MaxRun);
}

void RemoveOrdinary(MemBlock* b) {
    if (gPlace.broken || b->Slot < 0)
        return;
    gPlace.blocks[b->Slot] = nullptr;
    SetSlot(b->Slot, -1);
    b->Slot = -1;
    // Slots at the end that are free again are handed out anew.
    while (gPlace.used > 0 && !gPlace.blocks[gPlace.used - 1])
        --gPlace.used;
}

void SetMaxRun(MemBlock* b, int bound) {
    if (b->MaxRun == bound)
        return;
    b->MaxRun = bound;
    if (!gPlace.broken && b->Slot >= 0)
        SetSlot(b->Slot, bound);
}

MemBlock* FirstCandidate(int k) {
    if (gPlace.broken)
        return WalkForCandidate(k);
    if (gPlace.capacity == 0 || gPlace.tree[1] < k)
        return nullptr;
    int node = 1;
    while (node < gPlace.capacity)
        node = gPlace.tree[2 * node] >= k ? 2 * node : 2 * node + 1;
    return gPlace.blocks[node - gPlace.capacity];
}

} // namespace memidx
