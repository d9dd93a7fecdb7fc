// Blocks of the pool: memory from the system, the block list, and the lookup
// of the block that holds an address.
#include "index.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

MemBlock* pMemB = nullptr;
const char OutOfMem[] = "Unable to allocate memory";
const char* pMemZeroDevice = "/dev/zero";
int MemMapFailures = 0;

namespace {

int MemId = -1; // the opened zero device, kept for the life of the process

// The last ordinary block that emptied, kept for the next new block so that
// a pool that empties and fills again does not map and unmap at each turn.
// Its table is as a new block's: every entry zero, every node free.
MemBlock* gSpare = nullptr;

int MappedLength(int n) {
    const int page = getpagesize();
    return (n / page + 1) * page;
}

void ReturnToSystem(void* p, int length, bool mapped) {
    if (mapped)
        munmap(p, static_cast<std::size_t>(length));
    else
        std::free(p);
}

} // namespace

void* MapBlock(int n, bool* mapped) {
    const int length = MappedLength(n);
    if (mapped)
        *mapped = false;
    if (MemMapFailures > 0) {
        --MemMapFailures;
        return nullptr;
    }
    if (MemId == -1)
        MemId = open(pMemZeroDevice, O_RDWR);
    if (MemId < 0) {
        MemId = -1; // tried again at the next call
        return std::malloc(static_cast<std::size_t>(length));
    }
    void* p = mmap(nullptr, static_cast<std::size_t>(length), PROT_READ | PROT_WRITE, MAP_PRIVATE,
                   MemId, 0);
    if (p == MAP_FAILED)
        return nullptr;
    if (mapped)
        *mapped = true;
    return p;
}

MemBlock* GetNewBlock(int n) {
    const int size = n < MEM_BLOCK_SIZE ? MEM_BLOCK_SIZE : n;
    if (size == MEM_BLOCK_SIZE && gSpare) {
        MemBlock* b = gSpare;
        gSpare = nullptr;
        b->pNext = b->pPrev = nullptr;
        b->UsedSize = 0;
        b->FreeNodeCount = MEM_BLOCK_NODES;
        b->Slot = -1;
        PushBlock(b);
        memidx::AddBlockRange(b);
        memidx::AddOrdinary(b);
        return b;
    }
    bool headerMapped = false;
    bool memoryMapped = false;
    void* header = MapBlock(static_cast<int>(sizeof(MemBlock)), &headerMapped);
    void* memory = header ? MapBlock(size, &memoryMapped) : nullptr;
    if (!header || !memory) {
        if (header)
            ReturnToSystem(header, MappedLength(sizeof(MemBlock)), headerMapped);
        std::fprintf(stderr, "ERROR: %s\n", OutOfMem);
        return nullptr;
    }
    auto* b = static_cast<MemBlock*>(header);
    std::memset(b, 0, sizeof *b);
    std::memset(b->MAT, ' ', MEM_BLOCK_NODES);
    b->MAT[MEM_BLOCK_NODES] = '\0';
    b->Size = size;
    b->pMemory = static_cast<char*>(memory);
    b->FreeNodeCount = MEM_BLOCK_NODES;
    b->HeaderLength = MappedLength(sizeof(MemBlock));
    b->MemoryLength = MappedLength(size);
    b->HeaderMapped = headerMapped;
    b->MemoryMapped = memoryMapped;
    b->Slot = -1;
    memidx::InitRuns(b);
    PushBlock(b);
    memidx::AddBlockRange(b);
    if (size <= MEM_BLOCK_SIZE)
        memidx::AddOrdinary(b);
    return b;
}

void PushBlock(MemBlock* b) {
    if (!b)
        return;
    if (!pMemB) {
        pMemB = b;
        return;
    }
    MemBlock* tail = pMemB;
    while (tail->pNext)
        tail = tail->pNext;
    tail->pNext = b;
    b->pPrev = tail;
}

MemBlock* PopBlock(MemBlock* b) {
    if (!b)
        return nullptr;
    if (b == pMemB) {
        pMemB = b->pNext;
        if (pMemB)
            pMemB->pPrev = nullptr;
        return pMemB;
    }
    if (b->pPrev)
        b->pPrev->pNext = b->pNext;
    if (b->pNext)
        b->pNext->pPrev = b->pPrev;
    return b;
}

MemBlock* FindBlock(const void* p) {
    return memidx::LookupBlock(p);
}

void FreeBlock(MemBlock* b) {
    memidx::RemoveBlockRange(b);
    memidx::RemoveOrdinary(b);
    PopBlock(b);
    if (b->Size == MEM_BLOCK_SIZE && !gSpare) {
        gSpare = b;
        return;
    }
    ReturnToSystem(b->pMemory, b->MemoryLength, b->MemoryMapped);
    ReturnToSystem(b, b->HeaderLength, b->HeaderMapped);
}

int TestMAT(const char* p, char ch, int n) {
    for (int i = 0; i < n; ++i)
        if (static_cast<unsigned char>(p[i]) != static_cast<unsigned char>(ch))
            return 0;
    return 1;
}
