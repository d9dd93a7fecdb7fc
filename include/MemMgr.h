// The block memory pool: the library's own allocator.
//
// Memory is taken from the system in blocks. An ordinary block holds 2048
// nodes of 32 bytes; a request larger than that gets a dedicated block of its
// own. Every area handed out is zero-filled, starts on a 32-byte boundary of
// its block and has room for at least one byte beyond what was asked for.
#pragma once

#include <cstdint>

inline constexpr int MEM_NODE_SIZE = 32;
inline constexpr int MEM_BLOCK_NODES = 2048;
inline constexpr int MEM_BLOCK_SIZE = MEM_NODE_SIZE * MEM_BLOCK_NODES; // 65536

struct MemNode {
    std::uint16_t NodeCount; // nodes of the allocation that starts here, 0 if none
    char* pAddr;             // pMemory + 32 * index while an allocation starts here
};

struct MemBlock {
    MemBlock* pNext;
    MemBlock* pPrev;
    std::int32_t Size;          // bytes in the data area; > 65536 means dedicated
    std::int32_t UsedSize;      // dedicated: rounded size of its allocation; else 0
    std::int32_t FreeNodeCount; // ordinary: free nodes; dedicated: 0
    char* pMemory;              // the data area
    MemNode Nodes[MEM_BLOCK_NODES];
    char MAT[MEM_BLOCK_NODES + 1]; // ' ' free node, 'U' used node, NUL after the last

    // Bookkeeping of the allocator, not part of the block's allocation state.
    std::uint64_t FreeMap[MEM_BLOCK_NODES / 64]; // bit set: node used (mirrors MAT)
    // Free runs of each word of FreeMap: at its start, at its end, longest
    // (the entries after the 32nd stay 0).
    alignas(16) std::uint8_t WordHead[48];
    alignas(16) std::uint8_t WordTail[48];
    alignas(16) std::uint8_t WordMax[48];
    std::int32_t MaxRun;       // no run of free nodes of the block is longer
    std::int32_t Slot;         // position in the placement index
    std::int32_t HeaderLength; // bytes obtained for this header
    std::int32_t MemoryLength; // bytes obtained for the data area
    std::uint8_t HeaderMapped; // 1: header is a mapping, 0: heap memory
    std::uint8_t MemoryMapped; // 1: data area is a mapping, 0: heap memory
};

extern MemBlock* pMemB;       // head of the block list, in order of creation
extern const char OutOfMem[]; // "Unable to allocate memory"

// Public interface.
void* GetMem(int n);
void PutMem(void* p);
void* AdjustMem(void* p, int n);
void DumpMem();

// Internal steps, exposed for the tests of the pool.
void* MapBlock(int n, bool* mapped = nullptr);
MemBlock* GetNewBlock(int n);
void PushBlock(MemBlock* b);
MemBlock* PopBlock(MemBlock* b);
MemBlock* FindBlock(const void* p);
void FreeBlock(MemBlock* b);
int TestMAT(const char* p, char ch, int n);

// Test hooks: the device that blocks are mapped from, and a count of coming
// requests for system memory that are to fail.
extern const char* pMemZeroDevice; // "/dev/zero"
extern int MemMapFailures;
